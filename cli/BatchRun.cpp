#include "cli/BatchRun.h"

#include "cli/ProgressBoard.h"
#include "cli/ProgressLine.h"
#include "cli/StopSignals.h"
#include "engine/TCustomMediaConverter.h"
#include "media/QueueMainThread.h"

#include <chrono>

namespace {

// how often the main thread looks for a stop signal between hand-overs
constexpr int kStopPollMs = 50;

using Clock = std::chrono::steady_clock;

}  // namespace

std::vector<TaskOutcome> RunBatch(TCustomMediaConverter& converter, const std::vector<std::string>& names,
                                  int simultaneous, std::ostream& out, bool terminal)
{
    const int count = static_cast<int>(names.size());
    std::vector<TaskOutcome> outcomes(names.size());
    std::vector<Clock::time_point> started(names.size(), Clock::now());
    int nextToStart = simultaneous;  // tasks start in list order as earlier ones end
    bool allEnded = false;
    ProgressBoard board(terminal);

    QueueMainThread mainThread;
    SetMainThread(&mainThread);
    converter.SetTriggerEventInMainThread(true);
    converter.SetOnProgress([&](TCustomMediaConverter*, PProgressInfo info) {
        const int index = info->TaskIndex;
        if (index < 0 || index >= count)
            return;
        const double elapsed = std::chrono::duration<double>(Clock::now() - started[index]).count();
        out << board.Update(index,
                            FormatProgressLine({names[index], info->CurrentDuration, info->TotalDuration, elapsed}))
            << std::flush;
    });
    converter.SetOnTerminate([&](TCustomMediaConverter*, const TTerminateInfo& info) {
        if (info.TaskIndex < 0) {
            allEnded = true;
            return;
        }
        if (info.TaskIndex >= count)
            return;
        TaskOutcome& outcome = outcomes[info.TaskIndex];
        outcome.outcome = info.Exception ? TTaskOutcome::Failed : info.Outcome;
        outcome.outputFiles = info.OutputFiles;
        std::string line;
        switch (outcome.outcome) {
        case TTaskOutcome::Whole:
            line = "done";
            break;
        case TTaskOutcome::Incomplete:
            outcome.error = info.OutcomeMsg;
            line = "incomplete: " + outcome.error;
            break;
        case TTaskOutcome::Failed:
            outcome.error = info.ExceptionMsg;
            line = "failed: " + outcome.error;
            break;
        case TTaskOutcome::Unfinished:
            outcome.error = "stopped before its end";
            line = "stopped";
            break;
        }
        for (const std::string& file : outcome.outputFiles)
            line += " -> " + file;
        if (nextToStart < count)
            started[nextToStart++] = Clock::now();
        out << board.Finish(info.TaskIndex, names[info.TaskIndex] + ": " + line) << std::flush;
    });

    if (StopSignals::Received())
        return outcomes;  // stopped during the set-up: nothing runs, nothing is written
    const Clock::time_point start = Clock::now();
    std::fill(started.begin(), started.end(), start);
    converter.StartTask(simultaneous);
    bool stopSent = false;
    while (!allEnded) {
        mainThread.pumpUntil([&] { return allEnded || (StopSignals::Received() && !stopSent); }, kStopPollMs);
        if (StopSignals::Received() && !stopSent) {
            stopSent = true;
            converter.StopTasks(false);
        }
    }
    converter.SetOnProgress(nullptr);
    converter.SetOnTerminate(nullptr);
    SetMainThread(nullptr);
    return outcomes;
}
