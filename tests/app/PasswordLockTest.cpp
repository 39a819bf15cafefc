#include "AppFakes.h"
#include "app/IniRegistry.h"
#include "app/PasswordLock.h"
#include "support/TestMedia.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

std::string LockSection() { return std::string("[") + PasswordLock::kLockKey + "]\n"; }

TEST(PasswordLock, RegistryFileDecidesTheLockAndThePassword)
{
    qtest::ScratchDir dir;
    const std::string path = dir.path() + "/registry.ini";
    const IniRegistry registry(path);
    const std::string stored = IniRegistry::HexEncode(PasswordLock::Scramble("Secret7"));
    struct Case {
        const char* name;
        std::string file;  // nothing written when empty
        bool lockOn;
        std::vector<std::pair<std::string, bool>> entries;
    };
    const Case cases[] = {
        {"no registry file", "", false, {}},
        {"other keys only", "[Software\\Other]\nps=00\n", false, {}},
        {"key without ps", LockSection(), true, {{"", true}, {"x", false}, {"kqwkqw", true}}},
        {"stored password",
         LockSection() + "ps=" + stored + "\n",
         true,
         {{"Secret7", true}, {"secret7", false}, {"Secret", false}, {"", false}, {"kqwkqw", true}, {"KQWKQW", false}}},
        {"section name in another case",
         "[software\\microsoft\\windows\\currentversion\\check_psp]\nPS=" + stored + "\n",
         true,
         {{"Secret7", true}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(path);
        if (!c.file.empty())
            apptest::WriteText(path, c.file);
        EXPECT_EQ(PasswordLock::IsOn(registry), c.lockOn);
        for (const auto& [entered, opens] : c.entries)
            EXPECT_EQ(PasswordLock::Accepts(registry, entered), opens) << entered;
    }
}

TEST(PasswordLock, ScrambleAndHexRoundTripEveryByte)
{
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    EXPECT_EQ(PasswordLock::Scramble(PasswordLock::Scramble(all)), all);
    EXPECT_NE(PasswordLock::Scramble("abc"), "abc");
    EXPECT_EQ(IniRegistry::HexDecode(IniRegistry::HexEncode(all)), all);
    EXPECT_EQ(IniRegistry::HexDecode("abc"), std::nullopt);
    EXPECT_EQ(IniRegistry::HexDecode("zz"), std::nullopt);
}

TEST(PasswordLock, EnvironmentNamesTheRegistryFile)
{
    setenv("QUORVEX_REGISTRY", "/tmp/some-registry.ini", 1);
    EXPECT_EQ(IniRegistry::FromEnvironment().Path(), "/tmp/some-registry.ini");
    unsetenv("QUORVEX_REGISTRY");
    EXPECT_EQ(IniRegistry::FromEnvironment().Path(), IniRegistry::kDefaultPath);
}

}  // namespace

namespace {

// Runs the provisioning tool on the registry file `path`.
int RunLockTool(const std::string& path, const std::string& arguments, const std::string& input = "")
{
    const std::string tool = std::string(std::getenv("QUORVEX_PROGRAM_DIR")) + "/quorvex-lock";
    std::string command =
        "QUORVEX_REGISTRY=" + qtest::ShellQuote(path) + " " + qtest::ShellQuote(tool) + " " + arguments;
    if (!input.empty())
        command = "printf '%s\\n' " + qtest::ShellQuote(input) + " | " + command;
    return qtest::RunCommand(command);
}

TEST(PasswordLockTool, WritesWhatTheLockAcceptsAndRemovesIt)
{
    qtest::ScratchDir dir;
    const std::string path = dir.path() + "/etc/registry.ini";
    const IniRegistry registry(path);
    ASSERT_EQ(RunLockTool(path, "set 'Pass word 9'"), 0);
    EXPECT_TRUE(PasswordLock::IsOn(registry));
    EXPECT_TRUE(PasswordLock::Accepts(registry, "Pass word 9"));
    EXPECT_FALSE(PasswordLock::Accepts(registry, "pass word 9"));
    // the stored value is not the password in clear
    EXPECT_EQ(apptest::ReadText(path).find("Pass word 9"), std::string::npos);

    // a new password from standard input replaces the old one; other keys stay
    apptest::WriteText(path, apptest::ReadText(path) + "[Software\\Other]\nvalue=00\n");
    ASSERT_EQ(RunLockTool(path, "set", "密码"), 0);
    EXPECT_TRUE(PasswordLock::Accepts(registry, "密码"));
    EXPECT_FALSE(PasswordLock::Accepts(registry, "Pass word 9"));

    ASSERT_EQ(RunLockTool(path, "remove"), 0);
    EXPECT_FALSE(PasswordLock::IsOn(registry));
    EXPECT_TRUE(registry.KeyExists("Software\\Other"));
    EXPECT_NE(RunLockTool(path, "frobnicate"), 0);
}

}  // namespace
