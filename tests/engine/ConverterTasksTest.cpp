// The converter's task list: adding tasks and outputs from option records,
// the working checks, published properties and the failures that end a task
// at once.
#include "ConverterTestKit.h"

#include <cstdlib>
#include <ctime>

namespace {

using convtest::AddWavTask;
using convtest::Clips;
using convtest::EventLog;
using convtest::PumpUntil;

class ConverterTasks : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(converter.LoadAVLib("LibAV")) << converter.LastErrMsg(); }

    // Runs every task on this thread; the terminations delivered.
    std::vector<TTerminateInfo> RunAll()
    {
        events.Attach(converter);
        converter.StartTask(0);
        return events.Terminations();
    }

    qtest::ScratchDir dir;
    TMediaConverter converter;
    EventLog events;
};

TEST_F(ConverterTasks, PublishedPropertiesStartAtTheirDefaults)
{
    EXPECT_FALSE(converter.Preview());
    EXPECT_FALSE(converter.PreviewBitmap());
    EXPECT_EQ(converter.ProgressInterval(), 500);
    EXPECT_EQ(converter.ThreadPriority(), tpNormal);
    EXPECT_TRUE(converter.TriggerEventInMainThread());
    EXPECT_EQ(converter.Version(), "3.3");
    EXPECT_FALSE(converter.Working());
    EXPECT_TRUE(converter.AVLibLoaded());
}

TEST_F(ConverterTasks, ProgressIntervalNeverGoesBelowOneHundred)
{
    const struct {
        int set;
        int readBack;
    } cases[] = {{50, 100}, {0, 100}, {-5, 100}, {100, 100}, {250, 250}};
    for (const auto& c : cases) {
        converter.SetProgressInterval(c.set);
        EXPECT_EQ(converter.ProgressInterval(), c.readBack) << c.set;
    }
}

TEST_F(ConverterTasks, AnInputThatCannotBeOpenedAddsNoTask)
{
    AddWavTask(converter, dir, 0);
    EXPECT_EQ(converter.AddTask(dir.file("missing.avi")), -1);
    EXPECT_FALSE(converter.LastErrMsg().empty());
    // the reason the task raised is the converter's message, word for word
    EXPECT_EQ(converter.LastErrMsg(), dir.file("missing.avi") + ": No such file or directory");
    EXPECT_EQ(converter.TaskCount(), 1);

    TInputOptions options;
    options.FileFormat = "no_such_format";
    EXPECT_EQ(converter.AddTask(Clips::Get().Wav(), &options), -1);
    EXPECT_FALSE(converter.LastErrMsg().empty());
    EXPECT_EQ(converter.LastErrMsg(), "Unknown input format: \"no_such_format\"");
    EXPECT_EQ(converter.TaskCount(), 1);

    // a forced decoder of the wrong kind, refused while the input is set up
    options = TInputOptions();
    options.ExtOptions = "acodec=h264";
    EXPECT_EQ(converter.AddTask(Clips::Get().Wav(), &options), -1);
    EXPECT_EQ(converter.LastErrMsg(), "Invalid decoder type 'h264'");
    EXPECT_EQ(converter.TaskCount(), 1);
}

TEST_F(ConverterTasks, AddedTaskHandsOutItsOpenedInput)
{
    TInputOptions options;
    options.ExtOptions = "v=1";
    const int index = converter.AddTask(Clips::Get().Wav(), &options);
    ASSERT_EQ(index, 0) << converter.LastErrMsg();
    AVFormatContext* context = converter.GetInputContext(0, 0);
    ASSERT_NE(context, nullptr);
    EXPECT_EQ(context->nb_streams, 1u);
    EXPECT_EQ(converter.GetInputContext(0, 1), nullptr);
    EXPECT_EQ(converter.GetInputContext(1, 0), nullptr);
}

TEST_F(ConverterTasks, TasksWithoutOutputEndAtOnceWithTheError)
{
    for (const int count : {0, 2}) {
        SCOPED_TRACE(count);
        TMediaConverter local;
        EventLog log;
        log.Attach(local);
        ASSERT_EQ(local.AddTask(Clips::Get().Wav()), 0) << local.LastErrMsg();
        local.StartTask(count);
        ASSERT_TRUE(PumpUntil([&] { return log.AllEnded(); }));
        const std::vector<TTerminateInfo> terminations = log.Terminations();
        ASSERT_EQ(terminations.size(), 2u);
        EXPECT_EQ(terminations[0].TaskIndex, 0);
        EXPECT_FALSE(terminations[0].Finished);
        EXPECT_TRUE(terminations[0].Exception);
        EXPECT_EQ(terminations[0].ExceptionMsg, "At least one output file must be specified");
        EXPECT_EQ(terminations[1].TaskIndex, -1);
    }
}

TEST_F(ConverterTasks, EveryChangeIsRefusedWhileWorking)
{
    AddWavTask(converter, dir, 0);
    RunAll();
    ASSERT_TRUE(events.AllEnded());
    ASSERT_TRUE(converter.Working());  // until ClearTasks
    const struct {
        const char* message;
        std::function<void()> call;
    } cases[] = {
        {"Cannot AddTask while working.", [&] { converter.AddTask(Clips::Get().Wav()); }},
        {"Cannot SetOutputFile while working.", [&] { converter.SetOutputFile(0, dir.file("again.wav")); }},
        {"Cannot RemoveTask while working.", [&] { converter.RemoveTask(0); }},
        {"Cannot StartTask while working.", [&] { converter.StartTask(1); }},
    };
    for (const auto& c : cases) {
        try {
            c.call();
            ADD_FAILURE() << "no error for " << c.message;
        } catch (const EConverterError& e) {
            EXPECT_STREQ(e.what(), c.message);
        }
    }
    EXPECT_EQ(converter.TaskCount(), 1);
    converter.ClearTasks();
    EXPECT_FALSE(converter.Working());
    EXPECT_EQ(converter.TaskCount(), 0);
    EXPECT_EQ(converter.AddTask(Clips::Get().Wav()), 0) << converter.LastErrMsg();
}

TEST_F(ConverterTasks, ClearTasksIsRefusedWhileTasksRun)
{
    TInputOptions slow;
    slow.ExtOptions = "re=1";  // read at the clip's own pace, so the run lasts
    const int index = converter.AddTask(Clips::Get().Wav(), &slow);
    ASSERT_EQ(index, 0) << converter.LastErrMsg();
    ASSERT_TRUE(converter.SetOutputFile(index, dir.file("slow.wav"))) << converter.LastErrMsg();
    events.Attach(converter);
    converter.StartTask(1);
    try {
        converter.ClearTasks();
        ADD_FAILURE() << "ClearTasks accepted while running";
    } catch (const EConverterError& e) {
        EXPECT_STREQ(e.what(), "Cannot ClearTasks while working.");
    }
    EXPECT_EQ(converter.TaskCount(), 1);
    converter.StopTasks(true);
    ASSERT_TRUE(PumpUntil([&] { return events.AllEnded(); }));
    converter.ClearTasks();
    EXPECT_EQ(converter.TaskCount(), 0);
}

TEST_F(ConverterTasks, RemovedTaskShiftsTheLaterOnes)
{
    for (int i = 0; i < 3; ++i)
        AddWavTask(converter, dir, i);
    const AVFormatContext* third = converter.GetInputContext(2, 0);
    converter.RemoveTask(1);
    EXPECT_EQ(converter.TaskCount(), 2);
    EXPECT_EQ(converter.GetInputContext(1, 0), third);
}

TEST_F(ConverterTasks, OutputCountStopsAtTwenty)
{
    const int index = converter.AddTask(Clips::Get().Wav());
    ASSERT_EQ(index, 0);
    for (int i = 0; i < TCustomMediaConverter::kMaxFilesPerTask; ++i)
        ASSERT_TRUE(converter.SetOutputFile(index, dir.file("o" + std::to_string(i) + ".wav"))) << i;
    EXPECT_FALSE(converter.SetOutputFile(index, dir.file("one_more.wav")));
    EXPECT_EQ(converter.LastErrMsg(), "max output files 20 reached");
}

}  // namespace
