#include "AppFakes.h"
#include "app/IniFile.h"
#include "app/SettingsFile.h"
#include "support/TestMedia.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;
using apptest::PathsUnder;
using apptest::ReadText;
using apptest::WriteText;

namespace {

TEST(SettingsFile, LivesBesideAWritableProgramAndOtherwiseInTheConfigFolder)
{
    qtest::ScratchDir dir;
    ProgramPaths paths = PathsUnder(dir.path());
    fs::create_directories(paths.programFolder);
    SettingsFile beside(paths);
    EXPECT_EQ(beside.Path(), paths.programFolder + "system.ini");

    paths.programFolder = dir.path() + "/not-there/";  // a program folder we cannot write into
    SettingsFile fallback(paths);
    EXPECT_EQ(fallback.Path(), paths.configFolder + "system.ini");
    EXPECT_FALSE(fallback.Exists());
    fallback.Write("skin", "SetSkin", "skin5");  // creates the configuration folder on demand
    EXPECT_EQ(ReadText(paths.configFolder + "system.ini"), "[skin]\nSetSkin=skin5\n");
    EXPECT_EQ(fallback.Read("skin", "SetSkin"), "skin5");
}

TEST(SettingsFile, EveryReadOpensTheFileAnewAndMissingValuesReadError)
{
    qtest::ScratchDir dir;
    ProgramPaths paths = PathsUnder(dir.path());
    fs::create_directories(paths.programFolder);
    SettingsFile settings(paths);
    EXPECT_EQ(settings.Read("OutPath", "OutPath"), "Error");

    WriteText(settings.Path(), "[OutPath]\nOutPath=/first\n");
    EXPECT_EQ(settings.Read("OutPath", "OutPath"), "/first");
    WriteText(settings.Path(), "[OutPath]\nOutPath=/second\n");
    EXPECT_EQ(settings.Read("OutPath", "OutPath"), "/second");
    EXPECT_EQ(settings.Read("SnapShot", "Dir"), "Error");
}

TEST(SettingsFile, RefusedWriteRaisesUnableToWriteAndKeepsTheFile)
{
    qtest::ScratchDir dir;
    // a folder standing where the file belongs refuses every write, also for root
    const std::string blocked = dir.file("system.ini");
    fs::create_directories(blocked);
    try {
        IniFile::WriteString(blocked, "skin", "SetSkin", "skin1");
        FAIL() << "the write was not refused";
    } catch (const IniWriteError& error) {
        EXPECT_EQ(std::string(error.what()), "Unable to write to " + blocked);
    }

    // a file whose folder has gone cannot be written either, and nothing is left behind
    const std::string orphan = dir.file("gone/system.ini");
    EXPECT_THROW(IniFile::WriteString(orphan, "a", "k", "v"), IniWriteError);
    EXPECT_FALSE(fs::exists(dir.file("gone")));
}

TEST(SettingsFile, WriteKeepsEveryOtherSectionOfTheFile)
{
    qtest::ScratchDir dir;
    const std::string path = dir.file("system.ini");
    WriteText(path, "[skin]\nSetSkin=skin7\n\n[SnapShot]\nDir=/shots\nPicture=PNG\n");
    IniFile::WriteString(path, "OutPath", "OutPath", "/out");
    IniFile::WriteString(path, "snapshot", "picture", "JPG");
    EXPECT_EQ(IniFile::ReadString(path, "skin", "SetSkin", "Error"), "skin7");
    EXPECT_EQ(IniFile::ReadString(path, "SnapShot", "Dir", "Error"), "/shots");
    EXPECT_EQ(IniFile::ReadString(path, "SnapShot", "Picture", "Error"), "JPG");
    EXPECT_EQ(IniFile::ReadString(path, "OutPath", "OutPath", "Error"), "/out");
    EXPECT_FALSE(fs::exists(path + ".tmp"));
}

}  // namespace

namespace {

struct EnvironmentCase {
    const char* home;
    const char* xdgConfigHome;  // nullptr: unset
    const char* programFolder;
    ProgramPaths expected;
};

TEST(ProgramPaths, FollowHomeAndTheXdgConfigurationFolder)
{
    const std::vector<EnvironmentCase> cases{
        {"/home/li",
         nullptr,
         "/opt/q",
         {"/opt/q/", "/home/li/.config/quorvex/", "/home/li/Video_Directory", "/home/li/Video_Directory/快照"}},
        {"/home/li/",
         "/cfg/",
         "/opt/q//",
         {"/opt/q/", "/cfg/quorvex/", "/home/li/Video_Directory", "/home/li/Video_Directory/快照"}},
        {"/home/li",
         "",
         "/",
         {"/", "/home/li/.config/quorvex/", "/home/li/Video_Directory", "/home/li/Video_Directory/快照"}},
    };
    const char* savedHome = std::getenv("HOME");
    const char* savedConfig = std::getenv("XDG_CONFIG_HOME");
    const std::optional<std::string> home = savedHome ? std::optional<std::string>(savedHome) : std::nullopt;
    const std::optional<std::string> config = savedConfig ? std::optional<std::string>(savedConfig) : std::nullopt;
    for (const EnvironmentCase& c : cases) {
        setenv("HOME", c.home, 1);
        if (c.xdgConfigHome)
            setenv("XDG_CONFIG_HOME", c.xdgConfigHome, 1);
        else
            unsetenv("XDG_CONFIG_HOME");
        const ProgramPaths paths = ProgramPaths::FromEnvironment(c.programFolder);
        EXPECT_EQ(paths.programFolder, c.expected.programFolder) << c.programFolder;
        EXPECT_EQ(paths.configFolder, c.expected.configFolder) << c.home;
        EXPECT_EQ(paths.defaultOutputFolder, c.expected.defaultOutputFolder) << c.home;
        EXPECT_EQ(paths.defaultSnapshotFolder, c.expected.defaultSnapshotFolder) << c.home;
    }
    home ? setenv("HOME", home->c_str(), 1) : unsetenv("HOME");
    config ? setenv("XDG_CONFIG_HOME", config->c_str(), 1) : unsetenv("XDG_CONFIG_HOME");
}

struct DataFolderCase {
    const char* xdgDataHome;  // nullptr: unset
    const char* expected;
};

TEST(ProgramPaths, KeepTheListInTheXdgDataFolder)
{
    const std::vector<DataFolderCase> cases{
        {nullptr, "/home/li/.local/share/quorvex/"},
        {"", "/home/li/.local/share/quorvex/"},
        {"/data//", "/data/quorvex/"},
        {"relative/data", "/home/li/.local/share/quorvex/"},  // not absolute: invalid, ignored
    };
    const char* savedHome = std::getenv("HOME");
    const char* savedData = std::getenv("XDG_DATA_HOME");
    const std::optional<std::string> home = savedHome ? std::optional<std::string>(savedHome) : std::nullopt;
    const std::optional<std::string> data = savedData ? std::optional<std::string>(savedData) : std::nullopt;
    setenv("HOME", "/home/li", 1);
    for (const DataFolderCase& c : cases) {
        if (c.xdgDataHome)
            setenv("XDG_DATA_HOME", c.xdgDataHome, 1);
        else
            unsetenv("XDG_DATA_HOME");
        EXPECT_EQ(ProgramPaths::FromEnvironment("/opt/q").dataFolder, c.expected)
            << (c.xdgDataHome ? c.xdgDataHome : "unset");
    }
    home ? setenv("HOME", home->c_str(), 1) : unsetenv("HOME");
    data ? setenv("XDG_DATA_HOME", data->c_str(), 1) : unsetenv("XDG_DATA_HOME");
}

}  // namespace
