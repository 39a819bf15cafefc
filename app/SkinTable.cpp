#include "app/SkinTable.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::array<SkinEntry, 18> kSkins{{
    {"skin1", "MenuItem1", "Mac苹果皮肤", SkinKind::BuiltInStyle, "MacOS"},
    {"skin2", "MSNStyle1", "微软MSN皮肤", SkinKind::SkinFile, "skins/msn.sui"},
    {"skin3", "MediaPlayer101", "WMP10皮肤", SkinKind::SkinFile, "skins/mp10.sui"},
    {"skin4", "MenuItem2", "WinXP标准皮肤", SkinKind::BuiltInStyle, "WinXP"},
    {"skin5", "MenuItem3", "Protein样式皮肤", SkinKind::BuiltInStyle, "Protein"},
    {"skin6", "MenuItem4", "RealOne风格皮肤", SkinKind::SkinFile, "skins/RealOne.sui"},
    {"skin7", "MenuItem5", "深蓝色皮肤", SkinKind::BuiltInStyle, "DeepBlue"},
    {"skin8", "MenuItem6", "蓝色玻璃皮肤", SkinKind::BuiltInStyle, "BlueGlass"},
    {"skin9", "MenuItem7", "Vista风格皮肤", SkinKind::SkinFile, "skins/Longhorn.sui"},
    {"skin10", "MenuItem8", "深绿色皮肤", SkinKind::SkinFile, "skins/DeepGreen.sui"},
    {"skin11", "MenuItem9", "桔红色皮肤", SkinKind::SkinFile, "skins/DeepOrange.sui"},
    {"skin12", "MenuItem10", "绿色玻璃皮肤", SkinKind::SkinFile, "skins/GreenGlass.sui"},
    {"skin13", "MenuItem11", "时尚蓝色blue皮肤", SkinKind::SkinFile, "skins/OneBlue.sui"},
    {"skin14", "MenuItem12", "时尚的Cyan皮肤", SkinKind::SkinFile, "skins/OneCyan.sui"},
    {"skin15", "MenuItem13", "运动黑色皮肤", SkinKind::SkinFile, "skins/SportsBlack.sui"},
    {"skin16", "MenuItem14", "XP绿色皮肤", SkinKind::SkinFile, "skins/xpgreen.sui"},
    {"skin17", "", "", SkinKind::SkinFile, "skins/royale.sui"},
    {"skin18", "N1111", "冬天的色彩皮肤", SkinKind::SkinFile, "skins/winter.sui"},
}};

constexpr std::array<std::string_view, 17> kMenuOrder{
    "MSNStyle1",  "N1111",      "MediaPlayer101", "MenuItem2",  "MenuItem3", "MenuItem4",
    "MenuItem5",  "MenuItem6",  "MenuItem7",      "MenuItem1",  "MenuItem8", "MenuItem9",
    "MenuItem10", "MenuItem11", "MenuItem12",     "MenuItem13", "MenuItem14"};

}  // namespace

std::span<const SkinEntry> SkinTable() { return kSkins; }

const SkinEntry* FindSkin(std::string_view value)
{
    const auto it = std::find_if(kSkins.begin(), kSkins.end(), [&](const SkinEntry& e) { return e.value == value; });
    return it == kSkins.end() ? nullptr : &*it;
}

std::vector<const SkinEntry*> SkinMenuEntries()
{
    std::vector<const SkinEntry*> entries;
    for (std::string_view item : kMenuOrder) {
        const auto it =
            std::find_if(kSkins.begin(), kSkins.end(), [&](const SkinEntry& e) { return e.menuItem == item; });
        entries.push_back(&*it);
    }
    return entries;
}

bool RestoresWindows(const SkinEntry& entry) { return entry.value == "skin2" || entry.value == "skin3"; }
