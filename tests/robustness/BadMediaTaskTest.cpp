// A transcoder task set up on bad inputs and into a folder it may not write:
// every refusal is a false/-1 with a message, never a crash, and the source
// stays as it was.
#include "BadMediaFiles.h"
#include "Unprivileged.h"

#include "engine/FFmpegException.h"
#include "engine/TCustomFFmpeg.h"
#include "media/TFFmpegLoader.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>

namespace {

using robust::BadInput;
using robust::BadMediaFiles;
using robust::Expect;

std::string DigestOfFile(const std::string& path)
{
    return std::filesystem::is_regular_file(path) ? qtest::FileDigest(path) : std::string();
}

// 0 when the task opens `input` as expected (and, when it opens, prepares an
// output into `outputFolder`); the reason on stderr otherwise.
int CheckTaskSetUp(const BadInput& input, const std::string& outputFolder)
{
    TCustomFFmpeg task(4);
    task.Reset();
    task.SetVerbosity(-1);
    bool opened = false;
    std::string error;
    try {
        task.OpenInputFile(input.path);
        opened = true;
    } catch (const FFmpegException& e) {
        error = e.what();
    }
    if (input.expect == Expect::Refused) {
        if (opened || error.empty()) {
            std::fprintf(stderr, "%s: opened=%d message=\"%s\"\n", input.name, opened, error.c_str());
            return 1;
        }
        return 0;
    }
    if (!opened) {
        std::fprintf(stderr, "%s: not opened: %s\n", input.name, error.c_str());
        return 1;
    }
    if (task.AddOutputFile(outputFolder + "/" + input.name + ".avi") != 1) {
        std::fprintf(stderr, "%s: no output: %s\n", input.name, task.LastError().c_str());
        return 1;
    }
    return 0;
}

class BadMediaTask : public ::testing::TestWithParam<std::string> {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(GetFFmpegLoader().Load(ConverterLibraries)); }
};

TEST_P(BadMediaTask, OpeningTheInputFailsWithAMessageOrSucceedsAndTheSourceIsUnchanged)
{
    const BadInput& input = BadMediaFiles::Get().Input(GetParam());
    const std::string before = DigestOfFile(input.path);
    qtest::ScratchDir out;
    if (input.needsUnprivileged) {
        const robust::ChildOutcome outcome = robust::RunUnprivileged([&] { return CheckTaskSetUp(input, out.path()); });
        if (!outcome.ran)
            GTEST_SKIP() << outcome.whyNot;
        EXPECT_FALSE(outcome.timedOut);
        EXPECT_EQ(outcome.exitCode, 0);
    } else {
        EXPECT_EQ(CheckTaskSetUp(input, out.path()), 0);
    }
    EXPECT_EQ(DigestOfFile(input.path), before) << "the source changed";
}

INSTANTIATE_TEST_SUITE_P(Inputs, BadMediaTask,
                         ::testing::Values("ZeroByteFile", "RandomBytesWithVideoName", "Mp4WithItsIndexCutOff",
                                           "Mp4WithItsMediaDataCutOff", "Mp4WithGarbageInTheMiddle", "WavRenamedToAvi",
                                           "Folder", "MissingFile", "UnreadableFile"),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

TEST(BadMediaTaskOutput, AFolderThatCannotBeWrittenRefusesTheOutputWithItsName)
{
    ASSERT_TRUE(GetFFmpegLoader().Load(ConverterLibraries));
    qtest::ScratchDir out;
    chmod(out.path().c_str(), 0755);
    const std::string folder = out.file("readonly");
    ASSERT_EQ(mkdir(folder.c_str(), 0555), 0);
    const std::string output = folder + "/out.avi";
    const robust::ChildOutcome outcome = robust::RunUnprivileged([&] {
        TCustomFFmpeg task(4);
        task.Reset();
        task.SetVerbosity(-1);
        try {
            task.OpenInputFile(BadMediaFiles::Get().GoodMp4());
        } catch (const FFmpegException& e) {
            std::fprintf(stderr, "input not opened: %s\n", e.what());
            return 1;
        }
        const int outputs = task.AddOutputFile(output);
        if (outputs != -1 || task.LastError().find(output) == std::string::npos) {
            std::fprintf(stderr, "outputs=%d message=\"%s\"\n", outputs, task.LastError().c_str());
            return 1;
        }
        return 0;
    });
    chmod(folder.c_str(), 0755);  // so the scratch folder can be removed
    if (!outcome.ran)
        GTEST_SKIP() << outcome.whyNot;
    EXPECT_FALSE(outcome.timedOut);
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(qtest::FileBytes(output), -1);
}

}  // namespace
