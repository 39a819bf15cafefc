#pragma once
// The skins the program knows: the value stored as [skin] SetSkin, the menu
// item that chooses it and what it applies.
#include <span>
#include <string_view>
#include <vector>

enum class SkinKind { BuiltInStyle, SkinFile };

struct SkinEntry {
    std::string_view value;  // "skin1" ... "skin18"
    std::string_view menuItem;  // component name of its menu item; empty for "skin17"
    std::string_view caption;  // menu caption
    SkinKind kind;
    std::string_view source;  // built-in style name, or the skin file relative to the program folder
};

// The theme engine's style names, in their order.
inline constexpr std::string_view kStyleFromThemeFile = "FromThemeFile";
inline constexpr std::string_view kBuiltInStyles[] = {"MacOS", "WinXP", "DeepBlue", "Protein", "BlueGlass"};

// All 18 skins, "skin1" to "skin18".
std::span<const SkinEntry> SkinTable();
// The entry whose value equals `value` exactly (case matters), or nullptr:
// "other", "Error" and any unknown text select nothing.
const SkinEntry* FindSkin(std::string_view value);
// The 17 entries of the skin menu suiPopupMenu1, in menu order.
std::vector<const SkinEntry*> SkinMenuEntries();
// Whether applying `entry` also brings the program's windows back from a
// minimised state.
bool RestoresWindows(const SkinEntry& entry);
