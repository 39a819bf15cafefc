#include "engine/TFFmpeg.h"

#include "engine/ConverterThreads.h"
#include "engine/TranscodeRun.h"
#include "media/MainThreadCalls.h"

#include <cmath>
#include <ctime>

namespace {

constexpr int kStopPollMs = 20;
constexpr double kUnixEpochInDays = 25569.0;  // 1 January 1970 in days since 30 December 1899
constexpr double kSecondsPerDay = 86400.0;

// Waits for `event`; the main thread keeps serving hand-overs and messages
// between polls, so a worker blocked in RunInMainThread can finish.
void WaitServing(ManualResetEvent& event)
{
    const bool onMainThread = MainThread().isMainThread();
    while (!event.WaitFor(kStopPollMs)) {
        if (onMainThread)
            ProcessPendingMessages();
    }
}

// Seconds east of UTC of the local time zone, now.
long LocalUtcOffsetSeconds()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local.tm_gmtoff;
}

}  // namespace

TFFmpeg::TFFmpeg(int capacity)
    : TCustomFFmpeg(capacity), probes_(capacity), inputOptions_(capacity), outputOptions_(capacity)
{}

TFFmpeg::~TFFmpeg()
{
    stopRequested_ = true;
    pauseGate_.Open();
    JoinThreads();
}

void TFFmpeg::JoinThreads()
{
    if (worker_) {
        WaitServing(runFinished_);
        worker_.reset();
    }
    if (terminator_) {
        WaitServing(terminationDelivered_);
        terminator_.reset();
    }
}

TAVProbe& TFFmpeg::InputProbe(int inputIndex)
{
    std::unique_ptr<TAVProbe>& probe = probes_.at(inputIndex);
    if (!probe)
        probe = std::make_unique<TAVProbe>();
    return *probe;
}

void TFFmpeg::SetRecordingTime(int64_t durationUs)
{
    if (durationUs == kNoTimeUs)
        return;
    pending_.recordingTimeUs = durationUs;
    totalDurationUs_ = durationUs;
}

void TFFmpeg::ApplyStreamInfo(const TStreamInfo& info)
{
    if (info.TimeStamp == 0.0) {
        pending_.recordingTimestampSeconds = static_cast<int64_t>(std::time(nullptr));
    } else if (info.TimeStamp > 0.0) {
        // a local date-time in days: to seconds since 1970, then from local time to UTC
        pending_.recordingTimestampSeconds = std::llround((info.TimeStamp - kUnixEpochInDays) * kSecondsPerDay -
                                                          static_cast<double>(LocalUtcOffsetSeconds()));
    }
    auto add = [this](const char* key, const std::string& value) {
        if (!value.empty())
            SetOption("metadata", std::string(key) + "=" + value);
    };
    if (info.Year > 0)
        add("year", std::to_string(info.Year));
    if (info.Track > 0)
        add("track", std::to_string(info.Track));
    add("title", info.Title);
    add("author", info.Author);
    add("copyright", info.Copyright);
    add("comment", info.Comment);
    add("album", info.Album);
    add("genre", info.Genre);
}

void TFFmpeg::StartConvert(bool threaded, TThreadPriority priority, bool paused)
{
    if (running_ || terminated_)
        return;
    const char* missing = nullptr;
    if (media_.OutputCount() == 0)
        missing = "At least one output file must be specified";
    else if (media_.InputCount() == 0)
        missing = "At least one input file must be specified";
    if (missing) {
        TranscodeRun::CleanUp(*this);
        Log(llQuiet, missing);
        RecordError(missing);
        DeliverTermination();
        return;
    }
    running_ = true;
    stopRequested_ = false;
    finished_ = false;
    terminated_ = false;
    if (threaded) {
        runFinished_.Reset();  // before the thread exists, so a stop cannot see a stale state
        workerStarted_ = true;
        if (paused)
            pauseGate_.Close();
        worker_ = std::make_unique<FFmpegTask::TConvertThread>(*this, priority);
    } else {
        Run();
    }
}

void TFFmpeg::Run()
{
    // what the libraries said on this thread, for the failure's record
    LibraryLineTail libraryLines;
    try {
        RunBody();
    } catch (const std::exception& e) {
        Log(llQuiet, e.what());
        SetLibraryLines(libraryLines.Text());
        RecordError(e.what());
    }
    DeliverTermination();
}

void TFFmpeg::RecordError(const std::string& message)
{
    SetErrorMessage(message);
    error_ = true;
}

void TFFmpeg::DeliverTermination()
{
    // terminated before running is cleared: a task is never seen as neither
    terminated_ = true;
    running_ = false;
    if (!onTerminate_)
        return;
    try {
        onTerminate_(*this);
    } catch (const std::exception& e) {
        Log(llError, e.what());
    }
}

void TFFmpeg::RunBody()
{
    RunHooks hooks;
    hooks.pauseGate = &pauseGate_;
    hooks.onProgress = [this](const TProgressInfo& values) { ReportProgress(values); };
    hooks.customHook = customHook_;
    RunTranscode(*this, hooks);
}

void TFFmpeg::ReportProgress(const TProgressInfo& values)
{
    if (onProgress_)
        onProgress_(*this, values);
}

void TFFmpeg::StopConvert(bool wait)
{
    stopRequested_ = true;
    pauseGate_.Open();
    if (wait && worker_)
        WaitServing(runFinished_);
}

void TFFmpeg::TerminateUnstarted(bool wait)
{
    if (running_ || terminated_ || terminator_)
        return;
    terminated_ = true;  // it can no longer be started
    terminationDelivered_.Reset();
    terminator_ = std::make_unique<FFmpegTask::TDoTerminateThread>(*this);
    if (wait)
        WaitServing(terminationDelivered_);
}

void TFFmpeg::PauseConvert()
{
    if (workerStarted_ && running_)
        pauseGate_.Close();
}

void TFFmpeg::ResumeConvert() { pauseGate_.Open(); }
