#pragma once
// Run control of the main window: start, pause, resume and stop of the
// conversion list's run, progress and status in the rows, the end of each
// file and of the run, the action after the run and the log lines.
#include "app/ConversionList.h"
#include "app/IShutdown.h"
#include "app/ListWindowParts.h"
#include "app/RunEstimates.h"
#include "media/TFFLogger.h"

#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

class RunControl {
public:
    RunControl(ListWindowParts parts, ConversionList& list);
    ~RunControl();

    // Shutting the computer down (not owned); without one Button18Click does nothing.
    void SetShutdown(IShutdown* shutdown) { shutdown_ = shutdown; }
    // Told when a run ends, with a title and the counts of finished and failed files.
    void SetRunEnded(std::function<void(const std::string& title, const std::string& text)> ended)
    {
        runEnded_ = std::move(ended);
    }
    // Opening the output folder (Button20Click of the window).
    void SetOpenOutputFolder(std::function<void()> open) { openOutputFolder_ = std::move(open); }
    // How a termination handed over from another thread reaches the UI
    // thread: `post` must arrange, without waiting, that ApplyTerminations()
    // runs there soon. The program posts to its event loop.
    void SetPostToMainThread(std::function<void()> post);

    // Attaches OnProgress and OnTerminate of the converter and OnLog of the logger.
    void AttachEvents();
    // The converter's and the logger's closing steps.
    void FormCloseQuery();

    void btnStartClick();
    void btnPauseClick();
    void btnStopClick();
    void MediaConverter1Progress(PProgressInfo info);
    // Any thread: keeps a copy and hands it to the UI thread.
    void MediaConverter1Terminate(const TTerminateInfo& info);
    // UI thread: applies the handed-over terminations in hand-over order.
    void ApplyTerminations();
    void FFLoggerLog(uint32_t threadId, TLogLevel level, const std::string& message);
    void Button18Click();  // shut the computer down

    // The row a task of the current run belongs to, -1 when none.
    int RowOfTask(int taskIndex) const;
    // Terminations handed over and not applied yet.
    size_t PendingTerminations() const;

private:
    void Start();
    void Resume();
    void ApplyTermination(const TTerminateInfo& info);
    // The error box's text of a failed file: the error, then the library's last lines.
    static std::string FailureText(const TTerminateInfo& info);
    void EndOfRun();
    void HandOver(const TTerminateInfo& info);
    void ControlsChanged();
    void ShowListProgress();
    // "成功 3 个，失败 1 个" of the rows of the run that ended.
    std::string EndCounts() const;

    ListWindowParts parts_;
    ConversionList& list_;
    IShutdown* shutdown_ = nullptr;
    std::function<void()> openOutputFolder_;
    std::function<void(const std::string&, const std::string&)> runEnded_;
    RunEstimates estimates_;

    std::vector<int> taskRows_;  // task index -> row of this run
    bool stopping_ = false;  // inside StopTasks: terminations wait until it returns
    bool applying_ = false;  // a termination is being applied (its box may run a nested loop)

    mutable std::mutex pendingLock_;  // guards pending_ and post_
    std::deque<TTerminateInfo> pending_;
    std::function<void()> post_;
};
