#pragma once
// The converter component's task: a transcoder task that also keeps, per
// input, a probe of the opened file and the option records it was built
// from, and runs its conversion on a worker thread (TConvertThread) or on the
// caller's thread.
#include "engine/ConverterRecords.h"
#include "engine/PauseGate.h"
#include "engine/TCustomFFmpeg.h"
#include "engine/ThreadPriority.h"
#include "media/TAVProbe.h"

#include <functional>
#include <memory>
#include <vector>

namespace FFmpegTask {
class TConvertThread;
class TDoTerminateThread;
}  // namespace FFmpegTask

class TFFmpeg : public TCustomFFmpeg {
public:
    // Called on the run's thread.
    using ProgressCallback = std::function<void(TFFmpeg& task, const TProgressInfo& values)>;
    using TerminateCallback = std::function<void(TFFmpeg& task)>;

    explicit TFFmpeg(int capacity);
    // Stops a run still going and waits for the task's threads.
    ~TFFmpeg() override;

    // The probe of one input, created on first use.
    TAVProbe& InputProbe(int inputIndex);
    TInputOptions& InputOptions(int inputIndex) { return inputOptions_.at(inputIndex); }
    TOutputOptions& OutputOptions(int outputIndex) { return outputOptions_.at(outputIndex); }

    // Output set-up helpers of the component.
    void SetRecordingTime(int64_t durationUs);  // ignored for kNoTimeUs
    void ApplyStreamInfo(const TStreamInfo& info);

    void SetProgressCallback(ProgressCallback callback) { onProgress_ = std::move(callback); }
    void SetTerminateCallback(TerminateCallback callback) { onTerminate_ = std::move(callback); }
    void SetCustomHookCallback(CustomHookHandler handler) { customHook_ = std::move(handler); }
    bool HasCustomHook() const { return static_cast<bool>(customHook_); }

    // Starts the conversion: on a new worker thread of `priority` when
    // `threaded`, otherwise on this thread, returning when it has ended.
    // Does nothing when the task is running or has terminated. A task
    // without an output or an input ends at once with an error. With
    // `paused` a worker waits at its pause gate before its first packet.
    void StartConvert(bool threaded, TThreadPriority priority, bool paused = false);
    // Asks the run to stop (and lets a paused run go on to notice it); with
    // `wait` returns when the worker has finished, serving hand-overs meanwhile
    // when called on the main thread.
    void StopConvert(bool wait);
    // Ends a task that never started: its termination (Finished false) is
    // delivered from a thread of its own (TDoTerminateThread).
    void TerminateUnstarted(bool wait);

    // Pausing holds the worker at its pause gate; only runs on a worker pause.
    bool HasWorker() const { return workerStarted_; }
    void PauseConvert();
    void ResumeConvert();
    bool Paused() const { return pauseGate_.IsClosed(); }

protected:
    // The conversion itself, on the run's thread; raises on failure.
    virtual void RunBody();
    // Hands one status report to the component.
    void ReportProgress(const TProgressInfo& values);
    PauseGate& Gate() { return pauseGate_; }

private:
    friend class FFmpegTask::TConvertThread;
    friend class FFmpegTask::TDoTerminateThread;
    // The run body with its error recording, then the termination.
    void Run();
    // Clears running, sets terminated and tells the component.
    void DeliverTermination();
    void RecordError(const std::string& message);
    void JoinThreads();

    std::vector<std::unique_ptr<TAVProbe>> probes_;
    std::vector<TInputOptions> inputOptions_;
    std::vector<TOutputOptions> outputOptions_;
    ProgressCallback onProgress_;
    TerminateCallback onTerminate_;
    CustomHookHandler customHook_;
    PauseGate pauseGate_;
    std::atomic<bool> workerStarted_{false};
    std::unique_ptr<FFmpegTask::TConvertThread> worker_;
    std::unique_ptr<FFmpegTask::TDoTerminateThread> terminator_;
};
