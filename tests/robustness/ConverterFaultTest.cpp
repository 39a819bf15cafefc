// The converter component on bad inputs, a full disk and a stop at every
// stage of a run: it ends with a clear message or a valid (partial) output,
// never a crash, a hang, a 0-byte file, a failure reported as success or a
// changed source.
#include "BadMediaFiles.h"
#include "ConverterRun.h"
#include "Unprivileged.h"

#include "engine/TMediaConverter.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <thread>

namespace {

using robust::BadInput;
using robust::BadMediaFiles;
using robust::Expect;
using robust::RunEvents;

constexpr int kRunBoundMs = 90000;

std::string DigestOfFile(const std::string& path)
{
    return std::filesystem::is_regular_file(path) ? qtest::FileDigest(path) : std::string();
}

class ConverterFault : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(converter.LoadAVLib("LibAV")) << converter.LastErrMsg(); }

    // Adds `input` with `inputOptions` and an AVI output; the task index.
    int AddAviTask(const std::string& input, const std::string& output, const std::string& inputOptions = "")
    {
        TInputOptions options;
        options.ExtOptions = inputOptions;
        const int index = converter.AddTask(input, &options);
        EXPECT_EQ(index, 0) << converter.LastErrMsg();
        if (index >= 0) {
            EXPECT_TRUE(converter.SetOutputFile(index, output)) << converter.LastErrMsg();
        }
        return index;
    }

    // Runs every task on a worker thread and waits (bounded) for the end.
    TTerminateInfo RunToTheEnd()
    {
        events.Attach(converter);
        converter.StartTask(1);
        EXPECT_TRUE(robust::PumpUntil([&] { return events.AllEnded(); }, kRunBoundMs)) << "the run did not end";
        return robust::TaskTermination(events);
    }

    qtest::ScratchDir out;
    TMediaConverter converter;
    RunEvents events;
};

class ConverterBadInput : public ConverterFault, public ::testing::WithParamInterface<std::string> {};

TEST_P(ConverterBadInput, IsRefusedWithAMessageOrConvertsToAReadableFile)
{
    const BadInput& input = BadMediaFiles::Get().Input(GetParam());
    const std::string before = DigestOfFile(input.path);
    const std::string output = out.file(std::string(input.name) + ".avi");

    if (input.needsUnprivileged) {
        const robust::ChildOutcome outcome = robust::RunUnprivileged([&] {
            TMediaConverter local;
            if (!local.LoadAVLib("LibAV"))
                return 2;
            if (local.AddTask(input.path) != -1 || local.LastErrMsg().empty() || local.TaskCount() != 0) {
                std::fprintf(stderr, "added, or refused without a message: \"%s\"\n", local.LastErrMsg().c_str());
                return 1;
            }
            return 0;
        });
        if (!outcome.ran)
            GTEST_SKIP() << outcome.whyNot;
        EXPECT_FALSE(outcome.timedOut);
        EXPECT_EQ(outcome.exitCode, 0);
    } else if (input.expect == Expect::Refused) {
        EXPECT_EQ(converter.AddTask(input.path), -1);
        EXPECT_FALSE(converter.LastErrMsg().empty());
        EXPECT_EQ(converter.TaskCount(), 0);
    } else {
        ASSERT_EQ(AddAviTask(input.path, output), 0);
        const TTerminateInfo info = RunToTheEnd();
        if (info.Finished) {
            EXPECT_FALSE(info.Exception) << info.ExceptionMsg;
            if (input.damaged) {
                EXPECT_EQ(info.Outcome, TTaskOutcome::Incomplete) << "a damaged source reported as whole";
                EXPECT_FALSE(info.OutcomeMsg.empty());
            } else {
                EXPECT_EQ(info.Outcome, TTaskOutcome::Whole) << info.OutcomeMsg;
            }
        } else {
            EXPECT_TRUE(info.Exception && !info.ExceptionMsg.empty()) << "ended unfinished without a reason";
        }
        EXPECT_EQ(robust::OutputProblem(output), "");
        if (info.Finished && input.fullSeconds > 0) {
            const std::string duration = qtest::ProbeFormat(output)["duration"];
            ASSERT_FALSE(duration.empty()) << "no readable duration";
            EXPECT_NEAR(std::stod(duration), input.fullSeconds, 0.3) << "a damaged stretch cost more than itself";
        }
    }
    EXPECT_EQ(DigestOfFile(input.path), before) << "the source changed";
}

INSTANTIATE_TEST_SUITE_P(Inputs, ConverterBadInput,
                         ::testing::Values("ZeroByteFile", "RandomBytesWithVideoName", "Mp4WithItsIndexCutOff",
                                           "Mp4WithItsMediaDataCutOff", "Mp4WithGarbageInTheMiddle", "WavRenamedToAvi",
                                           "Folder", "MissingFile", "UnreadableFile"),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

TEST_F(ConverterFault, ARenamedAudioFileConvertsToAnAudioOnlyFile)
{
    const std::string output = out.file("renamed.avi");
    ASSERT_EQ(AddAviTask(BadMediaFiles::Get().Input("WavRenamedToAvi").path, output), 0);
    const TTerminateInfo info = RunToTheEnd();
    EXPECT_TRUE(info.Finished) << info.ExceptionMsg;
    EXPECT_EQ(qtest::CountStreams(output, 'a'), 1);
    EXPECT_EQ(qtest::CountStreams(output, 'v'), 0);
    EXPECT_NEAR(std::stod(qtest::ProbeFormat(output)["duration"]), 2.0, 0.2);
}

TEST_F(ConverterFault, AnOutputFolderThatCannotBeWrittenIsRefusedWithAMessage)
{
    chmod(out.path().c_str(), 0755);
    const std::string folder = out.file("readonly");
    ASSERT_EQ(mkdir(folder.c_str(), 0555), 0);
    const std::string output = folder + "/out.avi";
    const robust::ChildOutcome outcome = robust::RunUnprivileged([&] {
        TMediaConverter local;
        if (!local.LoadAVLib("LibAV") || local.AddTask(BadMediaFiles::Get().GoodMp4()) != 0)
            return 2;
        if (local.SetOutputFile(0, output) || local.LastErrMsg().find(output) == std::string::npos) {
            std::fprintf(stderr, "output accepted, or refused without naming it: \"%s\"\n", local.LastErrMsg().c_str());
            return 1;
        }
        return 0;
    });
    chmod(folder.c_str(), 0755);
    if (!outcome.ran)
        GTEST_SKIP() << outcome.whyNot;
    EXPECT_FALSE(outcome.timedOut);
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(qtest::FileBytes(output), -1);
}

// A file-size limit makes every write past it fail (EFBIG), as a full disk
// makes them fail (ENOSPC): the conversion must end with an error, not "done".
TEST_F(ConverterFault, ADiskThatFillsUpEndsTheConversionWithAnError)
{
    const std::string source = BadMediaFiles::Get().GoodMp4();
    const std::string before = qtest::FileDigest(source);
    const std::string output = out.file("full_disk.avi");
    ASSERT_EQ(AddAviTask(source, output), 0);

    constexpr rlim_t kRoomLeft = 16 * 1024;
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    struct sigaction ignore {};
    struct sigaction previous {};
    ignore.sa_handler = SIG_IGN;
    ASSERT_EQ(sigaction(SIGXFSZ, &ignore, &previous), 0);
    rlimit limited = saved;
    limited.rlim_cur = kRoomLeft;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    const TTerminateInfo info = RunToTheEnd();
    setrlimit(RLIMIT_FSIZE, &saved);
    sigaction(SIGXFSZ, &previous, nullptr);

    EXPECT_FALSE(info.Finished) << "a conversion that could not write its file was reported as done";
    EXPECT_TRUE(info.Exception);
    EXPECT_EQ(info.Outcome, TTaskOutcome::Failed);
    EXPECT_FALSE(info.ExceptionMsg.empty());
    // the file could not be finished: it never takes the output's name, and its part file goes
    EXPECT_EQ(qtest::FileBytes(output), -1) << "an unfinished output was left under its name";
    EXPECT_EQ(qtest::FileBytes(out.file(".full_disk.avi.part")), -1) << "the part file stayed";
    EXPECT_EQ(qtest::FileDigest(source), before);
}

// --- a stop at each stage of a run --------------------------------------------

enum class StopAt { BeforeTheFirstReport, WhileConverting, WhilePaused, ByClosingWhilePaused };

struct StopCase {
    const char* name;
    StopAt at;
};

class ConverterStop : public ConverterFault, public ::testing::WithParamInterface<StopCase> {};

TEST_P(ConverterStop, EndsPromptlyUnfinishedWithAReadableOrNoOutput)
{
    const StopCase& c = GetParam();
    const std::string source = BadMediaFiles::Get().GoodMp4();
    const std::string before = qtest::FileDigest(source);
    const std::string output = out.file(std::string(c.name) + ".avi");

    // a component of its own, so closing it is one of the stages
    auto running = std::make_unique<TMediaConverter>();
    ASSERT_TRUE(running->LoadAVLib("LibAV"));
    TInputOptions options;
    options.ExtOptions = "re=1";  // read at the clip's own pace: the 2 s clip takes 2 s, the stop lands mid-run
    ASSERT_EQ(running->AddTask(source, &options), 0) << running->LastErrMsg();
    ASSERT_TRUE(running->SetOutputFile(0, output)) << running->LastErrMsg();
    running->SetProgressInterval(100);
    events.Attach(*running);
    running->StartTask(1);
    if (c.at != StopAt::BeforeTheFirstReport) {
        ASSERT_TRUE(robust::PumpUntil([&] { return events.ProgressCount() > 0; }, kRunBoundMs));
    }
    if (c.at == StopAt::WhilePaused || c.at == StopAt::ByClosingWhilePaused) {
        running->PauseTasks();
        robust::PumpUntil([] { return false; }, 300);
    }
    {
        robust::Watchdog watchdog(60, std::string("stopping ") + c.name);
        if (c.at == StopAt::ByClosingWhilePaused)
            running.reset();  // the program closes: the component stops its tasks itself
        else
            running->StopTasks(true);
    }
    if (running) {
        ASSERT_TRUE(robust::PumpUntil([&] { return events.AllEnded(); }, kRunBoundMs));
        const TTerminateInfo info = robust::TaskTermination(events);
        EXPECT_FALSE(info.Finished) << "a stopped conversion reported as run to its end";
        EXPECT_FALSE(info.Exception) << "a stop is not an error: " << info.ExceptionMsg;
    }
    EXPECT_EQ(robust::OutputProblem(output), "");
    EXPECT_EQ(qtest::FileDigest(source), before);
}

// A row added and then removed (or the program closed) before 转换: setting
// the output up creates no file at all.
TEST_F(ConverterFault, AnOutputSetUpButNeverRunLeavesNoEmptyFile)
{
    const std::string removed = out.file("removed.avi");
    const std::string closed = out.file("closed.avi");
    ASSERT_EQ(AddAviTask(BadMediaFiles::Get().GoodMp4(), removed), 0);
    converter.ClearTasks();
    EXPECT_EQ(qtest::FileBytes(removed), -1) << "setting up or clearing the task left a file";
    {
        TMediaConverter other;
        ASSERT_TRUE(other.LoadAVLib("LibAV"));
        ASSERT_EQ(other.AddTask(BadMediaFiles::Get().GoodMp4()), 0) << other.LastErrMsg();
        ASSERT_TRUE(other.SetOutputFile(0, closed)) << other.LastErrMsg();
    }
    EXPECT_EQ(qtest::FileBytes(closed), -1) << "setting up or closing the component left a file";
    EXPECT_TRUE(std::filesystem::is_empty(out.path()));
}

INSTANTIATE_TEST_SUITE_P(Stages, ConverterStop,
                         ::testing::Values(StopCase{"BeforeTheFirstReport", StopAt::BeforeTheFirstReport},
                                           StopCase{"WhileConverting", StopAt::WhileConverting},
                                           StopCase{"WhilePaused", StopAt::WhilePaused},
                                           StopCase{"ByClosingWhilePaused", StopAt::ByClosingWhilePaused}),
                         [](const ::testing::TestParamInfo<StopCase>& info) { return std::string(info.param.name); });

}  // namespace
