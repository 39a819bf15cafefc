#include "engine/TCustomMediaConverter.h"

#include "engine/CodecThreads.h"
#include "engine/ConverterThreads.h"
#include "engine/OptionValues.h"
#include "media/MainThreadCalls.h"
#include "media/TFFLogger.h"
#include "media/TFFmpegLoader.h"
#include "media/TextFormat.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <algorithm>
#include <cstdio>
#include <exception>
#include <map>
#include <utility>

namespace {

// The stream settings of SetOutputFile: the first of each kind is the
// default, every one of them is replayed before a "new" stream option.
const char* const StreamSettingNames[] = {"acodec", "vcodec", "scodec", "apre", "vpre", "spre", "s", "vf"};

struct TOptionLine {
    std::string name;
    std::string value;
};

std::vector<TOptionLine> ParseOptionLines(const std::string& text)
{
    std::vector<TOptionLine> lines;
    for (const std::string& line : SplitLines(NormaliseLineEnds(TrimText(text), true))) {
        const size_t equals = line.find('=');
        lines.push_back(
            {LowerText(line.substr(0, equals)), equals == std::string::npos ? std::string() : line.substr(equals + 1)});
    }
    return lines;
}

bool IsStreamSetting(const std::string& name)
{
    for (const char* setting : StreamSettingNames)
        if (name == setting)
            return true;
    return false;
}

// One stream setting on the task: presets through their files, the rest as options.
void ApplyStreamSetting(TFFmpeg& task, const std::string& name, const std::string& value)
{
    if (name == "apre" || name == "vpre" || name == "spre")
        task.ApplyPreset(name, value);
    else if (!value.empty())
        task.SetOption(name, value);
}

void SetGenericWhenPositive(TFFmpeg& task, const char* name, int value)
{
    if (value > 0)
        task.SetGenericOption(name, std::to_string(value));
}

void SetOptionWhenGiven(TFFmpeg& task, const char* name, const std::string& value)
{
    if (!value.empty())
        task.SetOption(name, value);
}

// Runs `call` on the main thread when asked to and not already there; an
// error raised by the handler comes back to the calling thread.
void CallInMainThread(bool toMainThread, const std::function<void()>& call)
{
    if (!toMainThread || MainThread().isMainThread()) {
        call();
        return;
    }
    std::exception_ptr failure;
    RunInMainThread([&] {
        try {
            call();
        } catch (...) {
            failure = std::current_exception();
        }
    });
    if (failure)
        std::rethrow_exception(failure);
}

}  // namespace

TCustomMediaConverter::TCustomMediaConverter() = default;

TCustomMediaConverter::~TCustomMediaConverter()
{
    if (working_)
        StopTasks(true);
    WaitForDeliveries();
    tasks_.clear();
}

// --- media libraries ------------------------------------------------------------

bool TCustomMediaConverter::LoadAVLib(const std::string& libraryFolder)
{
    TFFmpegLoader& loader = GetFFmpegLoader();
    loader.SetLibraryPath(libraryFolder);
    if (loader.Load(ConverterLibraries))
        return true;
    lastErrMsg_ = loader.LastError();
    return false;
}

bool TCustomMediaConverter::AVLibLoaded() const { return GetFFmpegLoader().Loaded(ConverterLibraries); }

// --- properties -------------------------------------------------------------------

int TCustomMediaConverter::PreviewFlags() const
{
    return (preview_ ? kPreviewWindowFlag : 0) | (previewBitmap_ ? kPreviewBitmapFlag : 0);
}

void TCustomMediaConverter::SetPreview(bool value)
{
    preview_ = value;
    for (auto& task : tasks_)
        task->SetPreviewFlags(PreviewFlags());
}

void TCustomMediaConverter::SetPreviewBitmap(bool value)
{
    previewBitmap_ = value;
    for (auto& task : tasks_)
        task->SetPreviewFlags(PreviewFlags());
}

void TCustomMediaConverter::SetProgressInterval(int milliseconds)
{
    progressIntervalMs_ = milliseconds < kMinProgressIntervalMs ? kMinProgressIntervalMs : milliseconds;
}

void TCustomMediaConverter::SetOnCustomHook(TCustomHookEvent handler)
{
    std::lock_guard guard(handlersLock_);
    onCustomHook_ = std::move(handler);
}

void TCustomMediaConverter::SetOnPreviewBitmap(TPreviewBitmapEvent handler)
{
    std::lock_guard guard(handlersLock_);
    onPreviewBitmap_ = std::move(handler);
}

void TCustomMediaConverter::SetOnProgress(TProgressEvent handler)
{
    std::lock_guard guard(handlersLock_);
    onProgress_ = std::move(handler);
}

void TCustomMediaConverter::SetOnTerminate(TTerminateEvent handler)
{
    std::lock_guard guard(handlersLock_);
    onTerminate_ = std::move(handler);
}

// --- task list --------------------------------------------------------------------

void TCustomMediaConverter::CheckWorking(const char* operation) const
{
    if (working_) {
        throw EConverterError(FormatText("Cannot %s while working.", operation));
    }
}

std::unique_ptr<TFFmpeg> TCustomMediaConverter::CreateTask(int capacity) { return std::make_unique<TFFmpeg>(capacity); }

TFFmpeg* TCustomMediaConverter::Task(int taskIndex) const
{
    if (taskIndex < 0 || taskIndex >= TaskCount())
        return nullptr;
    return tasks_[static_cast<size_t>(taskIndex)].get();
}

int TCustomMediaConverter::IndexOf(const TFFmpeg* task) const
{
    for (size_t i = 0; i < tasks_.size(); ++i)
        if (tasks_[i].get() == task)
            return static_cast<int>(i);
    return -1;
}

int TCustomMediaConverter::AddTask(const std::string& fileName, const TInputOptions* options)
{
    CheckWorking("AddTask");
    std::unique_ptr<TFFmpeg> task = CreateTask(kMaxFilesPerTask);
    TFFmpeg* const t = task.get();
    try {
        task->Reset();
        task->SetVerbosity(kTaskVerbosity);
        task->SetPreviewFlags(PreviewFlags());
        task->Preview().SetBitmapHandler([this, t](const Bitmap24& bitmap, int frameNumber, int64_t ptsUs) {
            DoPreviewBitmap(t, bitmap, frameNumber, ptsUs);
        });
        const int inputIndex = task->Media().InputCount();
        if (options) {
            TInputOptions& stored = task->InputOptions(inputIndex);
            stored = *options;
            if (stored.FileName.empty())
                stored.FileName = fileName;
            task->ApplyOptionText(stored.ExtOptions, true);
            SetOptionWhenGiven(*task, "f", stored.FileFormat);
            task->SetStartTime(stored.StartTime);
            task->SetProgramId(stored.ProgramID);
        }
        task->OpenInputFile(fileName);
        task->InputProbe(inputIndex).Attach(task->Media().inputs[static_cast<size_t>(inputIndex)].get());
        task->SetProgressCallback(
            [this](TFFmpeg& sender, const TProgressInfo& values) { DoProgress(&sender, values); });
        task->SetTerminateCallback([this](TFFmpeg& sender) { DoTerminate(&sender); });
    } catch (const std::exception& e) {
        lastErrMsg_ = e.what();
        return -1;
    }
    tasks_.push_back(std::move(task));
    return TaskCount() - 1;
}

bool TCustomMediaConverter::SetOutputFile(int taskIndex, const std::string& fileName, const TOutputOptions* options)
{
    CheckWorking("SetOutputFile");
    TFFmpeg* const task = Task(taskIndex);
    if (!task) {
        lastErrMsg_ = FormatText("Invalid task index %d", taskIndex);
        return false;
    }
    const int outputIndex = task->Media().OutputCount();
    if (outputIndex >= kMaxFilesPerTask) {
        lastErrMsg_ = FormatText("max output files %d reached", kMaxFilesPerTask);
        return false;
    }
    try {
        if (!options) {
            task->OutputOptions(outputIndex) = TOutputOptions();
            if (task->AddOutputFile(fileName, false) < 0) {
                lastErrMsg_ = task->LastError();
                return false;
            }
            return true;
        }
        TOutputOptions& stored = task->OutputOptions(outputIndex);
        stored = *options;
        if (stored.FileName.empty())
            stored.FileName = fileName;
        if (!ApplyOutputOptions(*task, fileName, stored)) {
            task->OutputOptions(outputIndex) = TOutputOptions();
            return false;
        }
        return true;
    } catch (const std::exception& e) {
        task->OutputOptions(outputIndex) = TOutputOptions();
        lastErrMsg_ = e.what();
        return false;
    }
}

bool TCustomMediaConverter::ApplyOutputOptions(TFFmpeg& task, const std::string& fileName, const TOutputOptions& o)
{
    // defaults from the record, then the first non-empty line of each stream setting
    std::map<std::string, std::string> defaults = {
        {"acodec", o.AudioCodec}, {"vcodec", o.VideoCodec},   {"scodec", o.SubtitleCodec}, {"apre", o.AudioPreset},
        {"vpre", o.VideoPreset},  {"spre", o.SubtitlePreset}, {"s", o.FrameSize},          {"vf", o.VideoFilters}};
    const std::vector<TOptionLine> extLines = ParseOptionLines(o.ExtOptions);
    std::vector<TOptionLine> streamLines;
    for (const TOptionLine& line : extLines) {
        const std::string name = line.name == "vfilters" ? "vf" : line.name;
        if (!IsStreamSetting(name) || line.value.empty())
            continue;
        if (defaults[name].empty())
            defaults[name] = line.value;
        streamLines.push_back({name, line.value});
    }

    task.SetTargetFromRecord(o.TargetType, o.TargetNorm, o.TargetDefaultNorm);
    for (const char* name : {"acodec", "vcodec", "scodec", "apre", "vpre", "spre"})
        ApplyStreamSetting(task, name, defaults[name]);
    task.ApplyOptionText(o.ExtOptions, false);

    // the record's fields in their order; the always-applied ones override ExtOptions
    SetOptionWhenGiven(task, "f", o.FileFormat);
    SetGenericWhenPositive(task, "packetsize", o.PacketSize);
    SetGenericWhenPositive(task, "muxrate", o.MuxRate);
    task.SetMuxDelay(o.MuxDelay);
    task.SetMuxPreload(o.MuxPreload);
    if (o.DisableAudio)
        task.SetOption("an", "1");
    task.SetAudioVolume(o.AudioVolume);
    task.SetChannels(o.AudioChannels);
    task.SetSampleRate(o.AudioSampleRate);
    SetGenericWhenPositive(task, "ab", o.AudioBitrate);
    SetGenericWhenPositive(task, "abt", o.AudioBitrateTolerance);
    task.SetOption("alang", o.AudioLanguage);
    task.SetAudioSyncMethod(o.AudioSync);
    SetOptionWhenGiven(task, "atag", o.AudioTag);
    if (o.DisableVideo)
        task.SetOption("vn", "1");
    SetOptionWhenGiven(task, "r", o.FrameRate);
    SetOptionWhenGiven(task, "aspect", o.FrameAspectRatio);
    const std::pair<const char*, int> crops[] = {
        {"croptop", o.CropTop}, {"cropbottom", o.CropBottom}, {"cropleft", o.CropLeft}, {"cropright", o.CropRight}};
    for (const auto& [name, amount] : crops)
        if (amount > 0)
            task.SetOption(name, std::to_string(amount));
    SetGenericWhenPositive(task, "g", o.GOPSize);
    SetGenericWhenPositive(task, "vb", o.VideoBitrate);
    SetGenericWhenPositive(task, "maxrate", o.VideoMaxRate);
    SetGenericWhenPositive(task, "minrate", o.VideoMinRate);
    SetGenericWhenPositive(task, "bt", o.VideoBitrateTolerance);
    SetGenericWhenPositive(task, "bufsize", o.VideoBufSize);
    task.SetVideoSyncMethod(o.VideoSync);
    SetOptionWhenGiven(task, "vtag", o.VideoTag);
    task.SetOption("vlang", o.VideoLanguage);
    if (o.DisableSubtitle)
        task.SetOption("sn", "1");
    task.SetOption("slang", o.SubtitleLanguage);
    task.SetOption("isync", o.InputSync ? "1" : "0");
    if (o.CopyTimestamps)
        task.SetOption("copyts", "1");
    task.SetStartTime(o.StartTime);
    task.SetRecordingTime(o.Duration);
    task.ApplyStreamInfo(o.Info);
    SetOptionWhenGiven(task, "s", defaults["s"]);
    SetOptionWhenGiven(task, "vf", defaults["vf"]);

    if (o.CustomHook) {
        TFFmpeg* const t = &task;
        task.SetCustomHookCallback(
            [this, t](Bitmap24& bitmap, bool& update, bool& stopHook, int64_t ptsUs, int frameNumber) {
                DoCustomHook(t, bitmap, update, stopHook, ptsUs, frameNumber);
            });
    }

    task.SetReplaceExisting(o.ReplaceExisting);
    task.SetResumable(o.Resumable);
    if (task.AddOutputFile(fileName, o.Join) < 0) {
        lastErrMsg_ = task.LastError();
        return false;
    }

    // further streams: before each "new" option its settings, taken from the
    // remaining stream lines in order, or the defaults
    static const std::map<std::string, std::vector<std::string>> newStreamSettings = {
        {"newaudio", {"acodec", "apre"}},
        {"newvideo", {"vcodec", "vpre", "s", "vf"}},
        {"newsubtitle", {"scodec", "spre"}}};
    for (const TOptionLine& line : extLines) {
        const auto settings = newStreamSettings.find(line.name);
        if (settings == newStreamSettings.end())
            continue;
        for (const std::string& name : settings->second) {
            std::string value = defaults[name];
            for (auto it = streamLines.begin(); it != streamLines.end(); ++it) {
                if (it->name == name) {
                    value = it->value;
                    streamLines.erase(it);
                    break;
                }
            }
            ApplyStreamSetting(task, name, value);
        }
        task.SetOption(line.name, line.value);
    }
    return true;
}

void TCustomMediaConverter::RemoveTask(int taskIndex)
{
    CheckWorking("RemoveTask");
    if (Task(taskIndex))
        tasks_.erase(tasks_.begin() + taskIndex);
}

void TCustomMediaConverter::ClearTasks()
{
    TFFmpegList freed;
    {
        std::lock_guard guard(terminateLock_);
        if (working_ && !allTerminated_)
            throw EConverterError("Cannot ClearTasks while working.");
        freed.swap(tasks_);
        lastErrMsg_.clear();
        finishedCount_ = 0;
        nextIndex_ = 0;
        tasksToStart_ = 0;
        allEndedDelivered_ = false;
        allTerminated_ = false;
        threaded_ = false;
        working_ = false;
    }
    freed.clear();  // waits for each task's threads
}

AVFormatContext* TCustomMediaConverter::GetInputContext(int taskIndex, int inputIndex) const
{
    const TFFmpeg* task = Task(taskIndex);
    if (!task || inputIndex < 0 || inputIndex >= task->Media().InputCount())
        return nullptr;
    return task->Media().inputs[static_cast<size_t>(inputIndex)].get();
}

// --- running --------------------------------------------------------------------------

TFFmpeg* TCustomMediaConverter::TakeNextTask()
{
    if (tasksToStart_ <= 0)
        return nullptr;
    --tasksToStart_;
    TFFmpeg* task = tasks_[static_cast<size_t>(nextIndex_++)].get();
    task->SetVerbosity(kTaskVerbosity);
    task->SetProgressIntervalUs(static_cast<int64_t>(progressIntervalMs_) * 1000);
    return task;
}

void TCustomMediaConverter::StartNextThreaded(int together)
{
    std::lock_guard guard(terminateLock_);
    TFFmpeg* task = TakeNextTask();
    if (!task)
        return;
    int running = 1;  // this one
    for (const auto& other : tasks_)
        if (other->Running())
            ++running;
    task->SetCodecThreads(ThreadShare(runCores_, std::max(together, running)));
    task->StartConvert(true, threadPriority_, paused_);
}

int TCustomMediaConverter::TaskCodecThreads(int taskIndex) const
{
    const TFFmpeg* task = Task(taskIndex);
    return task ? task->CodecThreads() : 0;
}

void TCustomMediaConverter::StartTask(int simultaneousCount)
{
    CheckWorking("StartTask");
    {
        std::lock_guard guard(terminateLock_);
        finishedCount_ = 0;
        nextIndex_ = 0;
        tasksToStart_ = TaskCount();
        allEndedDelivered_ = false;
        allTerminated_ = false;
        threaded_ = simultaneousCount > 0;
        working_ = true;
        paused_ = false;
        runCores_ = coreCount_ > 0 ? coreCount_.load() : MachineCores();
        for (auto& task : tasks_)
            task->SetCodecThreads(0);
    }
    if (tasks_.empty()) {
        // nothing to run: the batch has ended at once
        DoTerminate(nullptr);
        return;
    }
    if (threaded_) {
        std::lock_guard guard(terminateLock_);
        const int together = std::min(simultaneousCount, tasksToStart_);
        for (int started = 0; started < simultaneousCount && tasksToStart_ > 0; ++started)
            StartNextThreaded(together);
        return;
    }
    for (;;) {
        TFFmpeg* task;
        {
            std::lock_guard guard(terminateLock_);
            task = TakeNextTask();
        }
        if (!task)
            break;
        task->SetCodecThreads(runCores_);  // one at a time: each has every core
        task->StartConvert(false, threadPriority_);
    }
}

void TCustomMediaConverter::PauseTasks()
{
    if (!threaded_)
        return;
    std::lock_guard guard(terminateLock_);  // no task starts meanwhile
    paused_ = true;
    for (auto& task : tasks_)
        if (task->HasWorker() && !task->Paused())
            task->PauseConvert();
}

void TCustomMediaConverter::ResumeTasks()
{
    if (!threaded_)
        return;
    std::lock_guard guard(terminateLock_);
    paused_ = false;
    for (auto& task : tasks_)
        if (task->Paused())
            task->ResumeConvert();
}

void TCustomMediaConverter::StopTasks(bool wait)
{
    std::vector<TFFmpeg*> running;
    std::vector<TFFmpeg*> unstarted;
    {
        // no task starts after this, so every task is running, ended or never started
        std::lock_guard guard(terminateLock_);
        tasksToStart_ = 0;
        paused_ = false;
        for (auto& task : tasks_) {
            if (task->Running())
                running.push_back(task.get());
            else if (!task->Terminated())
                unstarted.push_back(task.get());
        }
    }
    for (TFFmpeg* task : running)
        task->StopConvert(wait);
    for (TFFmpeg* task : unstarted)
        task->TerminateUnstarted(wait);
}

// --- events -----------------------------------------------------------------------------

void TCustomMediaConverter::DoCustomHook(TFFmpeg* sender, Bitmap24& bitmap, bool& update, bool& stopHook, int64_t ptsUs,
                                         int frameNumber)
{
    TCustomHookEvent handler;
    {
        std::lock_guard guard(handlersLock_);
        handler = onCustomHook_;
    }
    if (!handler)
        return;
    // the hook lock also keeps the bitmap to this handler while it draws
    std::lock_guard guard(hookLock_);
    hookRecord_.TaskIndex = IndexOf(sender);
    hookRecord_.Bitmap = &bitmap;
    hookRecord_.FrameNumber = frameNumber;
    hookRecord_.PTS = ptsUs;
    hookRecord_.Update = update;
    hookRecord_.StopHook = stopHook;
    handler(this, &hookRecord_);
    update = hookRecord_.Update;
    stopHook = hookRecord_.StopHook;
}

void TCustomMediaConverter::DoPreviewBitmap(TFFmpeg* sender, const Bitmap24& bitmap, int frameNumber, int64_t ptsUs)
{
    TPreviewBitmapEvent handler;
    {
        std::lock_guard guard(handlersLock_);
        handler = onPreviewBitmap_;
    }
    if (!handler)
        return;
    std::lock_guard guard(previewLock_);
    previewRecord_.TaskIndex = IndexOf(sender);
    previewRecord_.Bitmap = &bitmap;
    previewRecord_.FrameNumber = frameNumber;
    previewRecord_.PTS = ptsUs;
    CallInMainThread(triggerEventInMainThread_, [&] { handler(this, previewRecord_); });
}

void TCustomMediaConverter::DoProgress(TFFmpeg* sender, const TProgressInfo& values)
{
    TProgressEvent handler;
    {
        std::lock_guard guard(handlersLock_);
        handler = onProgress_;
    }
    if (!handler)
        return;
    std::lock_guard guard(progressLock_);
    progressRecord_ = values;
    progressRecord_.TaskIndex = IndexOf(sender);
    CallInMainThread(triggerEventInMainThread_, [&] { handler(this, &progressRecord_); });
}

void TCustomMediaConverter::DoTerminate(TFFmpeg* sender)
{
    // In sequential mode the records are handed to the handler only after
    // the lock is released: a handler that waits for another thread calling
    // into the converter must not wait on a lock its own thread holds.
    std::vector<TTerminateInfo> due;
    {
        std::lock_guard guard(terminateLock_);
        if (sender) {
            TTerminateInfo info;
            info.TaskIndex = IndexOf(sender);
            info.Finished = sender->Finished();
            info.Exception = sender->Error();
            info.ExceptionMsg = sender->ErrorMessage();
            info.LibraryLines = sender->LibraryLines();
            const TRunResult result = sender->RunResult();
            info.Outcome = result.outcome;
            info.OutcomeMsg = result.message;
            info.OutputFiles = result.outputNames;
            DeliverTerminate(info, due);
            ++finishedCount_;
        }
        if (!sender || (tasksToStart_ <= 0 && finishedCount_ >= TaskCount()))
            DeliverAllEnded(due);
        else if (tasksToStart_ > 0 && threaded_)
            StartNextThreaded(1);
    }
    for (const TTerminateInfo& info : due) {
        try {
            CallTerminateHandler(info);
        } catch (const std::exception& e) {
            // as on the delivery threads: a failing handler does not stop the records after it
            GetFFLogger().Log(this, llError, e.what());
        }
        if (info.TaskIndex < 0)
            allTerminated_ = true;
    }
}

void TCustomMediaConverter::DeliverAllEnded(std::vector<TTerminateInfo>& due)
{
    if (allEndedDelivered_)
        return;
    allEndedDelivered_ = true;
    TTerminateInfo info;
    info.TaskIndex = -1;
    info.Finished = true;
    // On its own thread the record may reach the handler at any moment, so
    // the batch counts as ended first: the handler may then clear the tasks.
    if (threaded_)
        allTerminated_ = true;
    // in sequential mode DoTerminate marks the batch ended once the handler has seen it
    DeliverTerminate(info, due);
}

TTerminateEvent TCustomMediaConverter::TerminateHandler() const
{
    std::lock_guard guard(handlersLock_);
    return onTerminate_;
}

void TCustomMediaConverter::CallTerminateHandler(const TTerminateInfo& info)
{
    if (const TTerminateEvent handler = TerminateHandler())
        handler(this, info);
}

void TCustomMediaConverter::DeliverTerminate(const TTerminateInfo& info, std::vector<TTerminateInfo>& due)
{
    if (!threaded_) {
        due.push_back(info);
        return;
    }
    const TTerminateEvent handler = TerminateHandler();
    if (!handler)
        return;
    uint64_t ticket;
    {
        std::lock_guard guard(deliveryLock_);
        ticket = deliveriesIssued_++;
    }
    MediaConverter::TDoTerminateThread::Start(
        info,
        [this, handler, ticket](const TTerminateInfo& record) {
            {
                std::unique_lock guard(deliveryLock_);
                deliveryTurn_.wait(guard, [&] { return deliveriesDone_ == ticket; });
            }
            try {
                handler(this, record);
            } catch (const std::exception& e) {
                // a failing handler must not stop the deliveries after it
                GetFFLogger().Log(this, llError, e.what());
            }
        },
        [this] {
            // notified under the lock: once it is released the component may go
            std::lock_guard guard(deliveryLock_);
            ++deliveriesDone_;
            deliveryTurn_.notify_all();
        });
}

void TCustomMediaConverter::WaitForDeliveries()
{
    WaitWhileProcessing([this] {
        std::lock_guard guard(deliveryLock_);
        return deliveriesDone_ == deliveriesIssued_;
    });
}
