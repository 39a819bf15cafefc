#pragma once
// Applying skins to a window and choosing one in the skin menu.
#include "app/ISkinTarget.h"
#include "app/SettingsFile.h"
#include "app/SkinTable.h"

// Applies `entry` to `target` (skin files are looked for in the program folder).
void ApplySkin(const SkinEntry& entry, const ProgramPaths& paths, ISkinTarget& target);

// Button1Click of every window: applies the skin named by [skin] SetSkin;
// an unknown value (or none) changes nothing. Returns the entry applied.
const SkinEntry* ApplyStoredSkin(const SettingsFile& settings, ISkinTarget& target);

// A skin menu item: applies `entry` to `target`, then stores its value.
void ChooseSkin(const SkinEntry& entry, const SettingsFile& settings, ISkinTarget& target);
