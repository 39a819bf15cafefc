#include "engine/FFmpegException.h"
#include "engine/PicturePreprocessor.h"
#include "engine/VideoHookModules.h"
#include "media/MediaText.h"

#include "DecodedClipSupport.h"
#include "support/TestMedia.h"
#include "vhook_module/TestHookState.h"

extern "C" {
#include <libavutil/log.h>
}

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

namespace {

// Library log lines seen while a test runs.
std::mutex logLock;  // guards logLines
std::vector<std::string> logLines;

void CaptureLibraryLog(void*, int level, const char* format, va_list args)
{
    if (level > AV_LOG_ERROR)
        return;
    char line[1024];
    std::vsnprintf(line, sizeof line, format, args);
    std::lock_guard guard(logLock);
    logLines.push_back(line);
}

class VideoHookModulesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        {
            std::lock_guard guard(logLock);
            logLines.clear();
        }
        av_log_set_callback(CaptureLibraryLog);
    }
    void TearDown() override { av_log_set_callback(av_log_default_callback); }

    // A logged line that contains `text`.
    static bool Logged(const std::string& text)
    {
        std::lock_guard guard(logLock);
        for (const std::string& seen : logLines) {
            if (seen.find(text) != std::string::npos)
                return true;
        }
        return false;
    }

    // The test module's record of what it saw (the module stays loaded).
    static TestHookStateRecord& ModuleState()
    {
        void* module = dlopen(QUORVEX_TEST_VHOOK, RTLD_NOW);
        EXPECT_NE(module, nullptr) << dlerror();
        auto state = reinterpret_cast<TestHookStateFn>(dlsym(module, "TestHookState"));
        EXPECT_NE(state, nullptr);
        return *state();
    }
};

TEST(VideoHookValue, SplitsAtBarsWhenPresentElseAtSpaces)
{
    struct Case {
        std::string value;
        std::vector<std::string> tokens;
    };
    const Case cases[] = {
        {"/m/hook.so -a 1", {"/m/hook.so", "-a", "1"}},
        {"/m/hook.so|text with spaces|2", {"/m/hook.so", "text with spaces", "2"}},
        {"/m/hook.so||x|", {"/m/hook.so", "x"}},
        {"   ", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SplitVideoHookValue(c.value), c.tokens) << c.value;
}

TEST_F(VideoHookModulesTest, ProcessSeesEveryPictureWithItsSizeAndTimeAndChangesItInPlace)
{
    qtest::ScratchDir dir;
    const qtest::DecodedClip clip =
        qtest::DecodeVideo(qtest::MakeLosslessClip(dir.file("grey.mkv"), "color=c=0x404040:s=64x48:r=25:d=1"));
    ASSERT_EQ(clip.frames.size(), 25u);

    TestHookStateRecord& state = ModuleState();
    const int processBefore = state.processCalls;
    const int releaseBefore = state.releaseCalls;
    VideoHookModules videoHooks;
    PicturePreprocessor preprocessor(videoHooks);
    const std::string value = std::string(QUORVEX_TEST_VHOOK) + "|a text with spaces|7";
    preprocessor.VideoHooks().Add(value);
    ASSERT_EQ(state.argc, 3);
    EXPECT_STREQ(state.args[0], QUORVEX_TEST_VHOOK);
    EXPECT_STREQ(state.args[1], "a text with spaces");
    EXPECT_STREQ(state.args[2], "7");

    std::vector<int64_t> expectedPts;
    for (const AVFramePtr& frame : clip.frames) {
        const int64_t ptsUs = av_rescale_q(frame->pts, clip.timeBase, AV_TIME_BASE_Q);
        expectedPts.push_back(ptsUs);
        const AVFrame* out = preprocessor.Process(frame.get(), ptsUs);
        ASSERT_NE(out, frame.get()) << "hooks work on a copy of the decoder's picture";
        EXPECT_EQ(qtest::LumaAt(out, 3, 3), 255);
        EXPECT_EQ(qtest::LumaAt(out, 40, 30), qtest::LumaAt(frame.get(), 40, 30));
        EXPECT_NE(qtest::LumaAt(frame.get(), 3, 3), 255) << "the decoded picture must stay untouched";
    }
    ASSERT_EQ(state.processCalls - processBefore, 25);
    for (int i = 0; i < 25; ++i) {
        const int call = processBefore + i;
        EXPECT_EQ(state.width[call], 64);
        EXPECT_EQ(state.height[call], 48);
        EXPECT_EQ(state.pixFmt[call], AV_PIX_FMT_YUV420P);
        EXPECT_EQ(state.ptsUs[call], expectedPts[i]);
        EXPECT_EQ(state.contexts[call], state.configuredContext);
    }
    EXPECT_EQ(expectedPts[1] - expectedPts[0], 40000);

    preprocessor.Reset();
    EXPECT_EQ(state.releaseCalls - releaseBefore, 1);
}

TEST_F(VideoHookModulesTest, FailuresRaiseTheOptionErrorAndLogTheReason)
{
    const std::string noProcess = QUORVEX_NO_PROCESS_VHOOK;
    const std::string testHook = QUORVEX_TEST_VHOOK;
    std::string tooMany = testHook;
    for (int i = 1; i < kMaxVideoHookTokens + 1; ++i)
        tooMany += " x";
    struct Case {
        std::string value;
        std::string logged;  // text of the logged reason; empty: nothing required
    };
    const Case cases[] = {
        {noProcess, "Failed to find Process entrypoint in " + noProcess + "\n"},
        {noProcess + " arg", "Failed to find Process entrypoint in " + noProcess + "\n"},
        {testHook + " fail", "Failed to Configure " + testHook + "\n"},
        {"/nonexistent/folder/hook.so", "/nonexistent/folder/hook.so"},
        {tooMany, ""},
        {"", ""},
    };
    for (const Case& c : cases) {
        VideoHookModules hooks;
        try {
            hooks.Add(c.value);
            ADD_FAILURE() << "accepted: " << c.value;
        } catch (const FFmpegException& e) {
            EXPECT_EQ(std::string(e.what()), "Failed to add video hook function: " + c.value);
        }
        EXPECT_TRUE(hooks.Empty());
        if (!c.logged.empty()) {
            EXPECT_TRUE(Logged(c.logged)) << c.logged;
        }
    }

    // exactly the limit is accepted
    std::string sixtyFour = testHook;
    for (int i = 1; i < kMaxVideoHookTokens; ++i)
        sixtyFour += " x";
    VideoHookModules hooks;
    hooks.Add(sixtyFour);
    EXPECT_EQ(hooks.Count(), 1u);
}

TEST_F(VideoHookModulesTest, ABareModuleNameIsFoundBesideTheProgram)
{
    const std::string name = "quorvex-test-hook-" + std::to_string(getpid()) + ".so";
    const std::string besideProgram = ProgramFolder() + name;
    std::filesystem::copy_file(QUORVEX_TEST_VHOOK, besideProgram, std::filesystem::copy_options::overwrite_existing);
    VideoHookModules hooks;
    hooks.Add(name + " -x");
    std::filesystem::remove(besideProgram);  // the loaded module stays mapped
    ASSERT_EQ(hooks.Count(), 1u);

    void* module = dlopen(besideProgram.c_str(), RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(module, nullptr) << "the copy beside the program was loaded";
    auto state = reinterpret_cast<TestHookStateFn>(dlsym(module, "TestHookState"));
    ASSERT_NE(state, nullptr);
    EXPECT_EQ(state()->configureCalls, 1);
    EXPECT_STREQ(state()->args[0], name.c_str());
    EXPECT_STREQ(state()->args[1], "-x");
}

// The working folder and PATH belong to every task of the process: finding and
// loading a module, or failing to, changes neither.
TEST_F(VideoHookModulesTest, LoadingLeavesTheWorkingFolderAndPathAsTheyWere)
{
    const std::string bareName = "quorvex-cwd-hook-" + std::to_string(getpid()) + ".so";
    const std::string besideProgram = ProgramFolder() + bareName;
    std::filesystem::copy_file(QUORVEX_TEST_VHOOK, besideProgram, std::filesystem::copy_options::overwrite_existing);
    struct Case {
        std::string value;
        bool loads;
    };
    const Case cases[] = {
        {std::string(QUORVEX_TEST_VHOOK) + " x", true},
        {bareName, true},  // found beside the program
        {"/nonexistent/folder/hook.so", false},
        {"quorvex-no-such-hook.so", false},  // a bare name found nowhere
        {QUORVEX_NO_PROCESS_VHOOK, false},  // loads, but is no hook
        {std::string(QUORVEX_TEST_VHOOK) + " fail", false},
    };
    // a working folder of the test's own, away from the modules and the program
    qtest::ScratchDir workDir;
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(workDir.path());
    const std::string workFolder = std::filesystem::current_path().string();
    const char* pathBefore = std::getenv("PATH");
    ASSERT_NE(pathBefore, nullptr);
    const std::string path = pathBefore;
    for (const Case& c : cases) {
        VideoHookModules hooks;
        bool loaded = true;
        try {
            hooks.Add(c.value);
        } catch (const FFmpegException&) {
            loaded = false;
        }
        EXPECT_EQ(loaded, c.loads) << c.value;
        char cwd[4096];
        ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
        EXPECT_EQ(std::string(cwd), workFolder) << c.value;
        const char* pathAfter = std::getenv("PATH");
        ASSERT_NE(pathAfter, nullptr) << c.value;
        EXPECT_EQ(std::string(pathAfter), path) << c.value;
    }
    std::filesystem::current_path(before);
    std::filesystem::remove(besideProgram);
}

}  // namespace
