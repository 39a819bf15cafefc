#include "cli/BatchRun.h"

#include "cli/ProgressBoard.h"
#include "cli/ProgressLine.h"
#include "engine/TCustomMediaConverter.h"
#include "media/QueueMainThread.h"

#include <chrono>
#include <csignal>

namespace {

volatile std::sig_atomic_t interrupted = 0;

void OnInterrupt(int) { interrupted = 1; }

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
        out << board.Update(index, FormatProgressLine({names[index], info->CurrentDuration, info->TotalDuration, elapsed}))
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
        outcome.finished = info.Finished && !info.Exception;
        if (!outcome.finished)
            outcome.error = info.Exception ? info.ExceptionMsg : std::string("stopped before its end");
        if (nextToStart < count)
            started[nextToStart++] = Clock::now();
        out << board.Finish(info.TaskIndex, names[info.TaskIndex] + ": " +
                                                (outcome.finished ? "done" : "failed: " + outcome.error))
            << std::flush;
    });

    auto* previous = std::signal(SIGINT, OnInterrupt);
    const Clock::time_point start = Clock::now();
    std::fill(started.begin(), started.end(), start);
    converter.StartTask(simultaneous);
    bool stopSent = false;
    while (!allEnded) {
        mainThread.pumpUntil([&] { return allEnded || (interrupted && !stopSent); }, 200);
        if (interrupted && !stopSent) {
            stopSent = true;
            converter.StopTasks(false);
        }
    }
    std::signal(SIGINT, previous);
    converter.SetOnProgress(nullptr);
    converter.SetOnTerminate(nullptr);
    SetMainThread(nullptr);
    return outcomes;
}
