#include "app/SkinActions.h"

void ApplySkin(const SkinEntry& entry, const ProgramPaths& paths, ISkinTarget& target)
{
    if (entry.kind == SkinKind::BuiltInStyle)
        target.ApplyBuiltInStyle(entry.source);
    else
        target.ApplySkinFile(paths.ProgramFile(std::string(entry.source)));
    if (RestoresWindows(entry))
        target.RestoreWindows();
}

const SkinEntry* ApplyStoredSkin(const SettingsFile& settings, ISkinTarget& target)
{
    const SkinEntry* entry = FindSkin(settings.Read(SettingsKeys::kSkinSection, SettingsKeys::kSkinKey));
    if (entry)
        ApplySkin(*entry, settings.Paths(), target);
    return entry;
}

void ChooseSkin(const SkinEntry& entry, const SettingsFile& settings, ISkinTarget& target)
{
    ApplySkin(entry, settings.Paths(), target);
    settings.Write(SettingsKeys::kSkinSection, SettingsKeys::kSkinKey, std::string(entry.value));
}
