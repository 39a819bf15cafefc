// A file added as a task with one output: the clip of the settings on the
// task's input and output, and what is refused before or after the source opens.
#include "app/ConversionTask.h"
#include "formats/FormatsTexts.h"
#include "support/TestMedia.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ConversionTask, TheClipOfTheSettingsReachesTheTask)
{
    TMediaConverter converter;
    ASSERT_TRUE(converter.LoadAVLib("LibAV"));
    qtest::ScratchDir dir;
    const std::string source = qtest::MakeMp4Clip(dir.path(), 4.0);
    ASSERT_FALSE(source.empty());

    constexpr int64_t kWhole = -1;  // no clip
    struct Case {
        const char* name;
        int64_t startMs;
        int64_t lengthMs;
        const char* outputName;
        int64_t expectedStartUs;  // of the input
        int64_t expectedDurationUs;  // of the output, within 0.1 s
        bool added;
        bool opened;
        std::string error;  // empty: the converter's own text is only checked to be there
    };
    const Case cases[] = {
        {"no clip", kWhole, 0, "whole.mp4", kNoTimeUs, kNoTimeUs, true, true, ""},
        {"inside the source", 1000, 2000, "inside.mp4", 1'000'000, 2'000'000, true, true, ""},
        {"from the start", 0, 500, "start.mp4", 0, 500'000, true, true, ""},
        {"stop past the end is clamped", 1000, 60'000, "clamped.mp4", 1'000'000, 3'000'000, true, true, ""},
        {"start past the end", 5000, 1000, "late.mp4", 5'000'000, 1'000'000, false, true, kStopBeyondLengthMessage},
        {"stop at the start", 1000, 0, "empty.mp4", kNoTimeUs, kNoTimeUs, false, false, kStartNotBeforeStopMessage},
        {"stop before the start", 2000, -1000, "back.mp4", kNoTimeUs, kNoTimeUs, false, false,
         kStartNotBeforeStopMessage},
        {"an output the converter refuses", kWhole, 0, "whole.nosuchcontainer", kNoTimeUs, kNoTimeUs, false, true, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        OutputSettings settings;
        settings.Reset();
        settings.SourceFile = source;
        if (c.startMs != kWhole) {
            settings.CutMode = "Select";
            settings.CutStart = c.startMs;
            settings.CutLength = c.lengthMs;
        }
        TInputOptions input;
        input.FileName = source;
        TOutputOptions output;
        output.FileName = dir.file(c.outputName);
        const int tasksBefore = converter.TaskCount();

        const AddedTask added = AddConversionTask(converter, settings, input, output);

        EXPECT_EQ(added.task >= 0, c.added);
        EXPECT_EQ(added.opened, c.opened);
        EXPECT_EQ(converter.TaskCount(), tasksBefore + (c.added ? 1 : 0));
        if (c.added) {
            EXPECT_TRUE(added.error.empty()) << added.error;
            EXPECT_EQ(input.StartTime, c.expectedStartUs);
            if (c.expectedDurationUs == kNoTimeUs) {
                EXPECT_EQ(output.Duration, kNoTimeUs);
                EXPECT_EQ(output.StartTime, 0);
            } else {
                EXPECT_NEAR(static_cast<double>(output.Duration), static_cast<double>(c.expectedDurationUs), 1e5);
                EXPECT_EQ(output.StartTime, kNoTimeUs);
            }
        } else if (c.error.empty()) {
            EXPECT_FALSE(added.error.empty());
        } else {
            EXPECT_EQ(added.error, c.error);
        }
    }
}

}  // namespace
