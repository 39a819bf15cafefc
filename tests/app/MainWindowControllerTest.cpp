#include "AppFakes.h"
#include "app/IniFile.h"
#include "app/MainWindowController.h"
#include "app/SkinActions.h"
#include "support/TestMedia.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;
using namespace apptest;

namespace {

// A main window's logic with its program folder, home and fakes in a scratch folder.
class MainWindowLogic : public testing::Test {
protected:
    MainWindowLogic() : paths(PathsUnder(dir.path())), settings(paths), window(settings, dialogs, shell, skin)
    {
        fs::create_directories(paths.programFolder);
        fs::create_directories(fs::path(paths.defaultOutputFolder).parent_path());
    }
    std::string IniPath() const { return paths.programFolder + "system.ini"; }

    qtest::ScratchDir dir;
    ProgramPaths paths;
    SettingsFile settings;
    FakeDialogs dialogs;
    FakeShell shell;
    FakeSkinTarget skin;
    MainWindowController window;
};

TEST_F(MainWindowLogic, FirstStartCreatesTheSettingsFileAndAppliesNoSkin)
{
    window.FormCreate();

    EXPECT_EQ(ReadText(IniPath()), "[OutPath]\nOutPath=" + paths.defaultOutputFolder + "\n\n[SnapShot]\nPicture=BMP\n");
    EXPECT_TRUE(fs::is_directory(paths.defaultOutputFolder));
    EXPECT_EQ(window.OutputFolder(), paths.defaultOutputFolder);
    EXPECT_EQ(window.Controls().outputFolderText, paths.defaultOutputFolder);
    EXPECT_EQ(window.Controls().snapshotType, "BMP");
    EXPECT_TRUE(skin.calls.empty());
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(MainWindowLogic, StartStateOfButtonsListsAndDialogs)
{
    window.FormCreate();
    const MainWindowControls& c = window.Controls();

    EXPECT_TRUE(c.ToolEnabled(ToolButton::Add));
    EXPECT_TRUE(c.ToolEnabled(ToolButton::Skin));
    EXPECT_TRUE(c.ToolEnabled(ToolButton::Help));
    for (ToolButton off :
         {ToolButton::Remove, ToolButton::Clear, ToolButton::Start, ToolButton::Pause, ToolButton::Stop})
        EXPECT_FALSE(c.ToolEnabled(off)) << ToolButtonOf(off).caption;
    EXPECT_TRUE(c.ListActive(ListButton::Up));
    EXPECT_TRUE(c.ListActive(ListButton::Down));
    EXPECT_FALSE(c.ListActive(ListButton::Remove));
    EXPECT_FALSE(c.ListActive(ListButton::Clear));
    EXPECT_TRUE(c.browseEnabled);

    EXPECT_EQ(c.afterCompletionIndex, 2);
    EXPECT_EQ(c.priorityIndex, 3);
    EXPECT_EQ(c.simultaneousIndex, 0);
    EXPECT_EQ(c.existingFileIndex, 0);
    EXPECT_EQ(c.statusText, "");

    ASSERT_EQ(window.OpenDialogFilter().size(), 20u);
    EXPECT_EQ(window.OpenDialogFilter().front().description, "所有支持的文件类型");
    EXPECT_EQ(window.OpenDialogFilter().back().patterns, "*.dv;*.dif");
    EXPECT_FALSE(window.PausedFlag());
    EXPECT_FALSE(window.ThumbDragging());
    EXPECT_FALSE(window.ListBusy());
}

TEST_F(MainWindowLogic, AfterCompletionChoiceIsNotStoredAndShowsOpenFolderAtEveryStart)
{
    WriteText(IniPath(), "[OutPath]\nOutPath=" + paths.defaultOutputFolder + "\n");
    window.FormCreate();
    EXPECT_EQ(window.Controls().afterCompletionIndex, 2);
    // nothing but the snapshot type is added to the file
    EXPECT_EQ(ReadText(IniPath()), "[OutPath]\nOutPath=" + paths.defaultOutputFolder + "\n\n[SnapShot]\nPicture=BMP\n");
}

TEST_F(MainWindowLogic, FilesAtOnceIsAutomaticByDefaultAndTheChoiceIsKeptAcrossARestart)
{
    window.FormCreate();
    EXPECT_EQ(window.Controls().simultaneousIndex, 0);  // 自动
    EXPECT_EQ(IniFile::ReadString(IniPath(), "Convert", "FilesAtOnce", "none"), "none");  // nothing stored at start

    window.suiComboBox3Change(3);
    EXPECT_EQ(IniFile::ReadString(IniPath(), "Convert", "FilesAtOnce", "none"), "3");
    {
        MainWindowController restarted(settings, dialogs, shell, skin);
        restarted.FormCreate();
        EXPECT_EQ(restarted.Controls().simultaneousIndex, 3);
        restarted.suiComboBox3Change(0);  // back to automatic
    }
    EXPECT_EQ(IniFile::ReadString(IniPath(), "Convert", "FilesAtOnce", "none"), "Auto");
    MainWindowController again(settings, dialogs, shell, skin);
    again.FormCreate();
    EXPECT_EQ(again.Controls().simultaneousIndex, 0);
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(MainWindowLogic, StoredFilesAtOnceOutsideTheListReadsAsAutomatic)
{
    for (const char* stored : {"10", "11", "0", "-2", "3x", "", "auto"}) {
        WriteText(IniPath(), std::string("[Convert]\nFilesAtOnce=") + stored + "\n");
        MainWindowController started(settings, dialogs, shell, skin);
        started.FormCreate();
        EXPECT_EQ(started.Controls().simultaneousIndex, std::string(stored) == "10" ? 10 : 0) << stored;
    }
}

struct StoredSkinCase {
    const char* stored;
    std::vector<std::string> expected;  // "" in a path stands for the program folder
};

class StoredSkin : public MainWindowLogic, public testing::WithParamInterface<StoredSkinCase> {};

TEST_P(StoredSkin, IsLookedUpExactly)
{
    WriteText(IniPath(), std::string("[skin]\nSetSkin=") + GetParam().stored + "\n");
    window.FormCreate();
    std::vector<std::string> expected;
    for (const std::string& call : GetParam().expected)
        expected.push_back(call.rfind("file ", 0) == 0 ? "file " + paths.programFolder + call.substr(5) : call);
    EXPECT_EQ(skin.calls, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Values, StoredSkin,
    testing::Values(StoredSkinCase{"skin1", {"style MacOS"}},
                    StoredSkinCase{"skin2", {"file skins/msn.sui", "restore"}},
                    StoredSkinCase{"skin3", {"file skins/mp10.sui", "restore"}},
                    StoredSkinCase{"skin8", {"style BlueGlass"}}, StoredSkinCase{"skin17", {"file skins/royale.sui"}},
                    StoredSkinCase{"skin18", {"file skins/winter.sui"}}, StoredSkinCase{"Skin2", {}},
                    StoredSkinCase{"SKIN1", {}}, StoredSkinCase{"skin19", {}}, StoredSkinCase{"skin0", {}},
                    StoredSkinCase{"other", {}}, StoredSkinCase{"Error", {}}, StoredSkinCase{"", {}}));

TEST_F(MainWindowLogic, SkinMenuHasSeventeenItemsAndChoosingOneAppliesAndStoresIt)
{
    const std::vector<const SkinEntry*> menu = SkinMenuEntries();
    ASSERT_EQ(menu.size(), 17u);
    EXPECT_EQ(menu.front()->menuItem, "MSNStyle1");
    EXPECT_EQ(menu[1]->menuItem, "N1111");
    EXPECT_EQ(menu[9]->menuItem, "MenuItem1");
    EXPECT_EQ(menu.back()->menuItem, "MenuItem14");
    for (const SkinEntry* entry : menu)
        EXPECT_NE(entry->value, "skin17");

    window.SkinMenuItemClick(*menu[1]);  // 冬天的色彩皮肤
    EXPECT_EQ(skin.calls, std::vector<std::string>{"file " + paths.programFolder + "skins/winter.sui"});
    EXPECT_EQ(settings.Read("skin", "SetSkin"), "skin18");

    // another window applies the stored choice when it is next shown
    FakeSkinTarget other;
    ApplyStoredSkin(settings, other);
    EXPECT_EQ(other.calls, skin.calls);
}

TEST_F(MainWindowLogic, RefusedSkinWriteIsShownAfterTheSkinWasApplied)
{
    fs::create_directories(IniPath());  // nothing can be written there
    window.SkinMenuItemClick(*FindSkin("skin4"));
    EXPECT_EQ(skin.calls, std::vector<std::string>{"style WinXP"});
    EXPECT_EQ(dialogs.errors, std::vector<std::string>{"Unable to write to " + IniPath()});
}

TEST_F(MainWindowLogic, StoredOutputFolderThatCannotBeCreatedIsStillTaken)
{
    WriteText(dir.file("plain-file"), "x");
    const std::string impossible = dir.file("plain-file/videos");  // under a file: never creatable
    WriteText(IniPath(), "[OutPath]\nOutPath=" + impossible + "\n");
    window.FormCreate();
    EXPECT_EQ(window.OutputFolder(), impossible);
    EXPECT_EQ(window.Controls().outputFolderText, impossible);
    EXPECT_TRUE(dialogs.errors.empty());
    EXPECT_EQ(settings.Read("OutPath", "OutPath"), impossible);
    EXPECT_FALSE(fs::exists(paths.defaultOutputFolder));
}

TEST_F(MainWindowLogic, StoredOutputFolderIsCreatedWithItsParents)
{
    const std::string nested = dir.file("deep/er/out");
    WriteText(IniPath(), "[OutPath]\nOutPath=  " + nested + "  \n");
    window.FormCreate();
    EXPECT_EQ(window.OutputFolder(), nested);
    EXPECT_TRUE(fs::is_directory(nested));
}

TEST_F(MainWindowLogic, EmptyOrUnsetOutputFolderFallsBackToTheDefault)
{
    for (const char* text : {"[OutPath]\nOutPath=\n", "[OutPath]\nOutPath=Error\n", "[skin]\nSetSkin=other\n"}) {
        WriteText(IniPath(), text);
        fs::remove_all(paths.defaultOutputFolder);
        MainWindowController fresh(settings, dialogs, shell, skin);
        fresh.FormCreate();
        EXPECT_EQ(fresh.OutputFolder(), paths.defaultOutputFolder) << text;
        EXPECT_EQ(settings.Read("OutPath", "OutPath"), paths.defaultOutputFolder) << text;
        EXPECT_TRUE(fs::is_directory(paths.defaultOutputFolder)) << text;
    }
    EXPECT_EQ(settings.Read("skin", "SetSkin"), "other");
}

TEST_F(MainWindowLogic, DefaultFolderWhoseParentIsMissingIsCreatedThroughTheFallback)
{
    WriteText(IniPath(), "[OutPath]\nOutPath=Error\n");
    paths.defaultOutputFolder = dir.file("no-home/Video_Directory");  // a single mkdir fails here
    SettingsFile moved(paths);
    MainWindowController fresh(moved, dialogs, shell, skin);
    fresh.FormCreate();
    EXPECT_EQ(fresh.OutputFolder(), paths.defaultOutputFolder);
    EXPECT_TRUE(fs::is_directory(paths.defaultOutputFolder));
    EXPECT_EQ(moved.Read("OutPath", "OutPath"), paths.defaultOutputFolder);
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(MainWindowLogic, RefusedWritesAtCreationAreShownAndTheRestOfCreationStillRuns)
{
    paths.programFolder = dir.file("not-there/");  // settings go to the configuration folder...
    fs::create_directories(paths.configFolder + "system.ini");  // ...where nothing can be written
    SettingsFile refused(paths);
    MainWindowController fresh(refused, dialogs, shell, skin);
    fresh.FormCreate();
    const std::string message = "Unable to write to " + paths.configFolder + "system.ini";
    EXPECT_EQ(dialogs.errors, (std::vector<std::string>{message, message}));
    EXPECT_EQ(fresh.Controls().afterCompletionIndex, 2);
    EXPECT_EQ(fresh.OpenDialogFilter().size(), 20u);
}

TEST_F(MainWindowLogic, SnapshotPictureTypeIsReadExactlyOrResetToBmp)
{
    struct Case {
        const char* stored;
        const char* ticked;
        const char* afterwards;
    };
    for (const Case& c : {Case{"PNG", "PNG", "PNG"}, Case{"JPG", "JPG", "JPG"}, Case{"GIF", "GIF", "GIF"},
                          Case{"png", "BMP", "BMP"}, Case{"TIFF", "BMP", "BMP"}, Case{"Error", "BMP", "BMP"}}) {
        WriteText(IniPath(), std::string("[SnapShot]\nPicture=") + c.stored + "\n");
        window.Button55Click();
        EXPECT_EQ(window.Controls().snapshotType, c.ticked) << c.stored;
        EXPECT_EQ(settings.Read("SnapShot", "Picture"), c.afterwards) << c.stored;
    }
}

TEST_F(MainWindowLogic, BrowseStoresAnExistingFolderAndCancelChangesNothing)
{
    window.FormCreate();
    const std::string chosen = dir.file("chosen 目录");
    fs::create_directories(chosen);

    dialogs.folderAnswers = {std::nullopt};
    window.suiButton3Click();
    EXPECT_EQ(window.OutputFolder(), paths.defaultOutputFolder);

    dialogs.folderAnswers = {chosen};
    window.suiButton3Click();
    EXPECT_EQ(dialogs.folderTitles.back(), "选择输出文件存放目录");
    EXPECT_EQ(window.Controls().outputFolderText, chosen);
    EXPECT_EQ(settings.Read("OutPath", "OutPath"), chosen);

    // a folder that no longer exists is shown but not written
    const std::string vanished = dir.file("vanished");
    dialogs.folderAnswers = {vanished};
    window.suiButton3Click();
    EXPECT_EQ(window.OutputFolder(), vanished);
    EXPECT_EQ(settings.Read("OutPath", "OutPath"), chosen);

    window.suiButton11Click();
    EXPECT_EQ(shell.opened, std::vector<std::string>{vanished});
}

TEST_F(MainWindowLogic, HoverTextsAndHelpMenuTargets)
{
    window.ToolButtonHover(ToolButton::Add);
    EXPECT_EQ(window.Controls().statusText, "添加要转换的视频音频文件");
    window.ToolButtonHover(ToolButton::Stop);
    EXPECT_EQ(window.Controls().statusText, "停止视频转换");

    window.N3Click();
    window.N5Click();
    window.N9Click();
    ASSERT_EQ(shell.opened.size(), 3u);
    EXPECT_EQ(shell.opened[0], paths.programFolder + "help.html");
    EXPECT_EQ(shell.opened[1].rfind("mailto:", 0), 0u);
    EXPECT_EQ(shell.opened[2].rfind("https://", 0), 0u);
}

}  // namespace
