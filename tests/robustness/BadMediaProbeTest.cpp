// The media probe on inputs users feed it by mistake: a refusal carries a
// message, whatever opens describes itself, and the source is never changed.
#include "BadMediaFiles.h"
#include "Unprivileged.h"

#include "media/TAVProbe.h"
#include "media/TFFmpegLoader.h"

#include <gtest/gtest.h>

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

class BadMediaProbe : public ::testing::TestWithParam<std::string> {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(GetFFmpegLoader().Load(ConverterLibraries)); }
};

TEST_P(BadMediaProbe, RefusesWithAMessageOrDescribesTheFileAndLeavesItUnchanged)
{
    const BadInput& input = BadMediaFiles::Get().Input(GetParam());
    const std::string before = DigestOfFile(input.path);

    if (input.needsUnprivileged) {
        const robust::ChildOutcome outcome = robust::RunUnprivileged([&] {
            TAVProbe probe;
            if (probe.LoadFile(input.path) || probe.LastErrMsg().empty()) {
                std::fprintf(stderr, "opened, or refused without a message: \"%s\"\n", probe.LastErrMsg().c_str());
                return 1;
            }
            return 0;
        });
        if (!outcome.ran)
            GTEST_SKIP() << outcome.whyNot;
        EXPECT_FALSE(outcome.timedOut);
        EXPECT_EQ(outcome.exitCode, 0);
    } else {
        TAVProbe probe;
        const bool opened = probe.LoadFile(input.path);
        if (input.expect == Expect::Refused) {
            EXPECT_FALSE(opened);
            EXPECT_FALSE(probe.LastErrMsg().empty());
            EXPECT_EQ(probe.StreamCount(), -1) << "a refused file leaves no stream count behind";
        } else {
            ASSERT_TRUE(opened) << probe.LastErrMsg();
            EXPECT_GT(probe.StreamCount(), 0);
            EXPECT_NE(probe.GetInfoText().find("\r\n"), std::string::npos);
        }
        probe.Close();
    }
    EXPECT_EQ(DigestOfFile(input.path), before) << "the source changed";
}

INSTANTIATE_TEST_SUITE_P(Inputs, BadMediaProbe,
                         ::testing::Values("ZeroByteFile", "RandomBytesWithVideoName", "Mp4WithItsIndexCutOff",
                                           "Mp4WithItsMediaDataCutOff", "Mp4WithGarbageInTheMiddle", "WavRenamedToAvi",
                                           "Folder", "MissingFile", "UnreadableFile"),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

// What the readable oddities are found to be: the content decides, not the name.
TEST(BadMediaProbeContent, ARenamedFileIsReadForWhatItIsAndACutFileKeepsItsStreams)
{
    ASSERT_TRUE(GetFFmpegLoader().Load(ConverterLibraries));
    TAVProbe renamed;
    ASSERT_TRUE(renamed.LoadFile(BadMediaFiles::Get().Input("WavRenamedToAvi").path)) << renamed.LastErrMsg();
    EXPECT_EQ(renamed.FormatName(), "wav");
    EXPECT_EQ(renamed.AudioStreamCount(), 1);
    EXPECT_EQ(renamed.VideoStreamCount(), 0);

    TAVProbe cut;
    ASSERT_TRUE(cut.LoadFile(BadMediaFiles::Get().Input("Mp4WithItsMediaDataCutOff").path)) << cut.LastErrMsg();
    EXPECT_EQ(cut.VideoStreamCount(), 1);
    EXPECT_EQ(cut.AudioStreamCount(), 1);
    TFileStreamInfo info;
    ASSERT_TRUE(cut.GetFileStreamInfo(info));
    // the index still promises the whole clip
    EXPECT_NEAR(info.Duration / 1e6, 2.0, 0.2);
}

}  // namespace
