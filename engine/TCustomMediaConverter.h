#pragma once
// The converter component the application talks to: a list of transcoder
// tasks (one per file), built from a file name and option records, run one
// after another on the caller's thread or several at a time on worker
// threads, with pause, resume and stop, and four events: progress, preview
// bitmaps, custom-hook frames and termination.
#include "engine/ConverterRecords.h"
#include "engine/TFFmpeg.h"
#include "media/TAVProbe.h"
#include "media/TFFBaseComponent.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

struct AVFormatContext;
class TCustomMediaConverter;

// The component's tasks in list order; removing an entry frees the task.
using TFFmpegList = std::vector<std::unique_ptr<TFFmpeg>>;

// Misuse of the component ("Cannot AddTask while working."); not an engine error.
class EConverterError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

using TCustomHookEvent = std::function<void(TCustomMediaConverter* Sender, PHookInfo info)>;
using TPreviewBitmapEvent = std::function<void(TCustomMediaConverter* Sender, const TPreviewInfo& info)>;
using TProgressEvent = std::function<void(TCustomMediaConverter* Sender, PProgressInfo info)>;
using TTerminateEvent = std::function<void(TCustomMediaConverter* Sender, const TTerminateInfo& info)>;

class TCustomMediaConverter : public TFFBaseComponent {
public:
    static constexpr int kMaxFilesPerTask = 20;
    static constexpr int kTaskVerbosity = 1;
    static constexpr int kMinProgressIntervalMs = 100;

    TCustomMediaConverter();
    // Stops running tasks and waits for them and for pending deliveries.
    ~TCustomMediaConverter() override;

    // --- media libraries and probe ------------------------------------------
    bool LoadAVLib(const std::string& libraryFolder);
    bool AVLibLoaded() const;
    TAVProbe& Probe() { return probe_; }

    // --- tasks (main thread) --------------------------------------------------
    // The new task's index, or -1 with LastErrMsg.
    int AddTask(const std::string& fileName, const TInputOptions* options = nullptr);
    bool SetOutputFile(int taskIndex, const std::string& fileName, const TOutputOptions* options = nullptr);
    void RemoveTask(int taskIndex);
    void ClearTasks();
    int TaskCount() const { return static_cast<int>(tasks_.size()); }
    AVFormatContext* GetInputContext(int taskIndex, int inputIndex) const;

    // count > 0: worker threads, at most `count` at a time; otherwise every
    // task on this thread, one after another, before returning.
    void StartTask(int simultaneousCount);
    void PauseTasks();
    void ResumeTasks();
    void StopTasks(bool wait);

    // The cores the running tasks share: each task started gets the cores
    // divided by the tasks running with it, for its codecs, scaler and
    // filters, and keeps that count to its end. 0: the cores this process
    // may run on.
    void SetCoreCount(int cores) { coreCount_ = cores; }
    // The threads a task was given when it started; 0 before.
    int TaskCodecThreads(int taskIndex) const;

    const std::string& LastErrMsg() const { return lastErrMsg_; }
    bool Working() const { return working_; }

    // --- published properties -------------------------------------------------
    bool Preview() const { return preview_; }
    void SetPreview(bool value);
    bool PreviewBitmap() const { return previewBitmap_; }
    void SetPreviewBitmap(bool value);
    int ProgressInterval() const { return progressIntervalMs_; }
    void SetProgressInterval(int milliseconds);
    TThreadPriority ThreadPriority() const { return threadPriority_; }
    void SetThreadPriority(TThreadPriority value) { threadPriority_ = value; }
    bool TriggerEventInMainThread() const { return triggerEventInMainThread_; }
    void SetTriggerEventInMainThread(bool value) { triggerEventInMainThread_ = value; }
    std::string Version() const { return "3.3"; }

    // --- events ------------------------------------------------------------------
    void SetOnCustomHook(TCustomHookEvent handler);
    void SetOnPreviewBitmap(TPreviewBitmapEvent handler);
    void SetOnProgress(TProgressEvent handler);
    void SetOnTerminate(TTerminateEvent handler);

protected:
    // Event dispatch, called by the tasks on their run's thread.
    virtual void DoCustomHook(TFFmpeg* sender, Bitmap24& bitmap, bool& update, bool& stopHook, int64_t ptsUs,
                              int frameNumber);
    virtual void DoPreviewBitmap(TFFmpeg* sender, const Bitmap24& bitmap, int frameNumber, int64_t ptsUs);
    virtual void DoProgress(TFFmpeg* sender, const TProgressInfo& values);
    // `sender` null: every task has ended.
    virtual void DoTerminate(TFFmpeg* sender);

    // Makes the task object for AddTask.
    virtual std::unique_ptr<TFFmpeg> CreateTask(int capacity);

private:
    void CheckWorking(const char* operation) const;
    int IndexOf(const TFFmpeg* task) const;
    int PreviewFlags() const;
    TFFmpeg* Task(int taskIndex) const;
    bool ApplyOutputOptions(TFFmpeg& task, const std::string& fileName, const TOutputOptions& options);
    // Takes the next task to start (with its interval and verbosity set);
    // null when none remains. Caller holds terminateLock_.
    TFFmpeg* TakeNextTask();
    // Starts the next task on a worker; `together` tasks start at once
    // (the first ones of a batch), so it shares the cores with at least as
    // many. Caller holds terminateLock_.
    void StartNextThreaded(int together);
    // Threaded: the record goes to the handler on a delivery thread of its
    // own. Sequential: it is added to `due`, for the caller to hand to the
    // handler once terminateLock_ is released. Caller holds terminateLock_.
    void DeliverAllEnded(std::vector<TTerminateInfo>& due);
    void DeliverTerminate(const TTerminateInfo& info, std::vector<TTerminateInfo>& due);
    TTerminateEvent TerminateHandler() const;
    void CallTerminateHandler(const TTerminateInfo& info);
    void WaitForDeliveries();

    TFFmpegList tasks_;  // changed only while not working
    std::string lastErrMsg_;
    TAVProbe probe_;

    // run counters, guarded by terminateLock_
    int finishedCount_ = 0;
    int nextIndex_ = 0;
    int tasksToStart_ = 0;
    int runCores_ = 1;  // the cores this run's tasks share
    bool allEndedDelivered_ = false;
    std::atomic<bool> allTerminated_{false};
    std::atomic<bool> threaded_{false};
    std::atomic<bool> working_{false};
    std::atomic<bool> paused_{false};  // tasks started while paused wait at their gate

    // read by the threads that start the next task
    std::atomic<bool> preview_{false};
    std::atomic<bool> previewBitmap_{false};
    std::atomic<int> progressIntervalMs_{500};
    std::atomic<TThreadPriority> threadPriority_{tpNormal};
    std::atomic<bool> triggerEventInMainThread_{true};
    std::atomic<int> coreCount_{0};

    mutable std::mutex handlersLock_;  // guards the four handlers below
    TCustomHookEvent onCustomHook_;
    TPreviewBitmapEvent onPreviewBitmap_;
    TProgressEvent onProgress_;
    TTerminateEvent onTerminate_;

    std::mutex hookLock_;  // guards hookRecord_; one OnCustomHook at a time
    THookInfo hookRecord_;
    std::mutex previewLock_;  // guards previewRecord_; one OnPreviewBitmap at a time
    TPreviewInfo previewRecord_;
    std::mutex progressLock_;  // guards progressRecord_; one OnProgress at a time
    TProgressInfo progressRecord_;
    std::recursive_mutex
        terminateLock_;  // guards the run counters; taken again when a termination starts the next task

    // Termination deliveries on their own threads run one at a time, in the
    // order the terminations happened (so the all-ended one comes last).
    std::mutex deliveryLock_;  // guards the three fields below
    std::condition_variable deliveryTurn_;
    uint64_t deliveriesIssued_ = 0;
    uint64_t deliveriesDone_ = 0;
};
