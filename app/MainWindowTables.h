#pragma once
// The fixed texts and tables of the main window: toolbar, list buttons,
// drop-down lists, the file-open filter and the help menu's addresses.
#include "app/IDialogs.h"

#include <array>
#include <string_view>
#include <vector>

enum class ToolButton { Add, Remove, Clear, Start, Pause, Stop, Skin, Help };
inline constexpr size_t kToolButtonCount = 8;

struct ToolButtonInfo {
    ToolButton id;
    std::string_view name;  // component name
    std::string_view caption;
    std::string_view statusText;  // shown in the status bar while the mouse is over the button
    std::string_view picture;  // picture name (enabled: <picture>.svg, disabled: <picture>-disabled.svg)
    bool enabledAtStart;
};
// Left to right; a separator follows 清空 and 停止.
const std::array<ToolButtonInfo, kToolButtonCount>& ToolButtons();
const ToolButtonInfo& ToolButtonOf(ToolButton id);

// The list buttons with an active and an inactive twin.
enum class ListButton { Up, Down, Remove, Clear };
inline constexpr size_t kListButtonCount = 4;

struct ListButtonInfo {
    ListButton id;
    std::string_view activeName;  // the twin with the action
    std::string_view inactiveName;  // the twin shown while inactive
    std::string_view caption;
    std::string_view picture;  // <picture>.svg and <picture>-hover.svg
    bool activeAtStart;
};
const std::array<ListButtonInfo, kListButtonCount>& ListButtons();

// The drop-down lists of the options group.
std::vector<std::string_view> ExistingFileChoices();  // suiComboBox4, "如果输出文件存在："
std::vector<std::string_view> AfterCompletionChoices();  // suiComboBox1, "全部文件转换完毕后："
std::vector<std::string_view> PriorityChoices();  // suiComboBox2 (hidden)
std::vector<std::string_view> SimultaneousChoices();  // suiComboBox3: automatic, then 1 to 10 files

// The filter of both file-open dialogs, the first entry selected.
std::vector<FileFilter> OpenDialogFilter();

// Deployment values of the help menu.
inline constexpr std::string_view kMakerWebSite = "https://quorvex.example.org/";
inline constexpr std::string_view kSupportMailAddress = "support@quorvex.example.org";
inline constexpr std::string_view kHelpFileName = "help.html";
inline constexpr std::string_view kApplicationTitle = "Quorvex";
