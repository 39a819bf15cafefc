#include "engine/TCustomFFmpeg.h"

#include "media/EAssertionFailed.h"
#include "media/TextFormat.h"

#include <cstdarg>
#include <cstdio>

extern "C" {
#include <libavutil/avutil.h>
}

TCustomFFmpeg::TCustomFFmpeg(int capacity) : capacity_(capacity), tables_(capacity)
{
    if (capacity < kMinTaskCapacity || capacity > kMaxTaskCapacity)
        throw EAssertionFailed("FFmpeg", "capacity out of range");
}

TCustomFFmpeg::~TCustomFFmpeg()
{
    // The run (when there is one) is stopped by the subclass that started it;
    // here only the owned objects remain, and their handles free them.
    // Setting an output up creates no file, so none is left behind.
    media_.Clear();
    generic_.Clear();
}

void TCustomFFmpeg::Reset()
{
    media_.Clear();
    tables_.Clear();
    generic_.Clear();
    videoHooks_.Release();
    pending_ = PendingOptions{};
    running_ = false;
    stopRequested_ = false;
    finished_ = false;
    terminated_ = false;
    error_ = false;
    SetErrorMessage(std::string());
    SetLibraryLines(std::string());
    SetRunResult(TRunResult{});
    lastError_.clear();
    totalDurationUs_ = -1;
    replaceNextOutput_ = true;
    resumableNextOutput_ = true;
    generic_.Create(scalerFlags_);
}

void TCustomFFmpeg::SetStartTime(int64_t startTimeUs)
{
    if (startTimeUs != AV_NOPTS_VALUE)
        pending_.startTimeUs = startTimeUs;
}

void TCustomFFmpeg::SetProgramId(int id)
{
    if (id >= 0)
        pending_.programId = id;
}

void TCustomFFmpeg::SetVerbosity(int level) { pending_.verbosity = level; }

void TCustomFFmpeg::SetAudioVolume(int volume)
{
    if (volume >= 0)
        pending_.audioVolume = volume;
}

void TCustomFFmpeg::SetAudioSyncMethod(int method) { pending_.audioSyncMethod = method; }

void TCustomFFmpeg::SetVideoSyncMethod(int method) { pending_.videoSyncMethod = method; }

void TCustomFFmpeg::SetMuxDelay(double seconds)
{
    if (seconds > 0)
        pending_.muxMaxDelaySeconds = static_cast<float>(seconds);
}

void TCustomFFmpeg::SetMuxPreload(double seconds)
{
    if (seconds > 0)
        pending_.muxPreloadSeconds = static_cast<float>(seconds);
}

void TCustomFFmpeg::SetSampleRate(int rate)
{
    if (rate > 0)
        pending_.audioSampleRate = rate;
}

void TCustomFFmpeg::SetChannels(int channels)
{
    if (channels > 0)
        pending_.audioChannels = channels;
}

void TCustomFFmpeg::AddVideoHook(const std::string& value) { videoHooks_.Add(value); }

std::string TCustomFFmpeg::ErrorMessage() const
{
    std::lock_guard guard(errorLock_);
    return errorMessage_;
}

void TCustomFFmpeg::SetErrorMessage(const std::string& message)
{
    std::lock_guard guard(errorLock_);
    errorMessage_ = message;
}

std::string TCustomFFmpeg::LibraryLines() const
{
    std::lock_guard guard(errorLock_);
    return libraryLines_;
}

void TCustomFFmpeg::SetLibraryLines(const std::string& lines)
{
    std::lock_guard guard(errorLock_);
    libraryLines_ = lines;
}

TRunResult TCustomFFmpeg::RunResult() const
{
    std::lock_guard guard(errorLock_);
    TRunResult result = runResult_;
    if (error_)
        result.outcome = TTaskOutcome::Failed;
    else if (!finished_)
        result.outcome = TTaskOutcome::Unfinished;
    return result;
}

void TCustomFFmpeg::SetRunResult(const TRunResult& result)
{
    std::lock_guard guard(errorLock_);
    runResult_ = result;
}

bool TCustomFFmpeg::SetGenericOption(const std::string& name, const std::string& value)
{
    if (!generic_.Created())
        return false;
    const bool accepted =
        generic_.Set(name, value, {pending_.videoCodecName, pending_.audioCodecName, pending_.subtitleCodecName});
    if (accepted) {
        // a debug setting asks for the library's debug lines
        const AVCodecContext* video = generic_.CodecContext(AVMEDIA_TYPE_VIDEO);
        const AVFormatContext* format = generic_.FormatContext();
        if ((video && video->debug != 0) || (format && format->debug != 0))
            GetFFLogger().SetLogLevel(llDebug);
    }
    return accepted;
}

void TCustomFFmpeg::ReplayGenericOptions(AVCodecContext* target, int mask) const { generic_.ReplayOnto(target, mask); }

void TCustomFFmpeg::ReplayGenericOptions(AVFormatContext* target, int mask) const { generic_.ReplayOnto(target, mask); }

void TCustomFFmpeg::Log(TLogLevel level, const std::string& text) const { GetFFLogger().Log(this, level, text); }

void TCustomFFmpeg::LogFmt(TLogLevel level, const char* format, ...) const
{
    va_list args;
    va_start(args, format);
    const std::string text = FormatTextV(format, args);
    va_end(args);
    Log(level, text);
}
