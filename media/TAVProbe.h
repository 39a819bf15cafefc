#pragma once
// Opens a media file (or describes an input opened elsewhere) and answers
// questions about it: file facts, per-stream facts and a text description.
// Used from one thread at a time.
#include "media/FFHandles.h"
#include "media/TFFBaseComponent.h"
#include "media/TFFLogger.h"

#include <cstdint>
#include <string>

struct TFileStreamInfo {
    int64_t StartTime = -1;  // microseconds, -1 when none
    int64_t Duration = -1;  // microseconds, -1 when none
    int32_t BitRate = -1;  // bits per second, 0 when the container gives none
    int64_t Timestamp = -1;  // seconds since 1970-01-01 UTC ("creation_time"), 0 when absent
    int32_t Year = -1;  // from "date" / "year", 0 when absent
    int32_t Track = -1;  // from "track", 0 when absent
    std::string Title;
    std::string Author;
    std::string Copyright;
    std::string Comment;
    std::string Album;
    std::string Genre;
};

// What every kind of stream tells.
struct TCommonStreamInfo {
    std::string Language;
    std::string CodecName;
    int64_t StartTime = -1;  // stream time base, AV_NOPTS_VALUE kept
    int64_t StartTimeUS = -1;  // -1 when StartTime is AV_NOPTS_VALUE
    int64_t Duration = -1;  // stream time base
    int64_t DurationUS = -1;
    int32_t BitRate = -1;
};

struct TAudioStreamInfo : TCommonStreamInfo {
    int32_t Channels = -1;
    int32_t SampleRate = -1;
    int32_t SampleFormat = -1;
};

struct TVideoStreamInfo : TCommonStreamInfo {
    int32_t Height = -1;
    int32_t Width = -1;
    float DisplayAspectRatio = -1.0f;
    int32_t PixelFormat = -1;
    int32_t FrameRateNum = -1;  // the stream's base ("real") frame rate
    int32_t FrameRateDen = -1;
    // how the display matrix turns the pictures (Width and Height are the coded ones)
    int32_t RotationClockwise = 0;  // 0, 90, 180, 270
    bool Mirrored = false;
};

class TCustomAVProbe : public TFFBaseComponent {
public:
    TCustomAVProbe();
    ~TCustomAVProbe() override;

    // Opens `fileName` (UTF-8) and reads its stream information. An empty
    // `formatName` lets the library detect the format. Throws
    // std::runtime_error ("LibAVCodec not loaded." ...) when the libraries are
    // not loaded.
    bool LoadFile(const std::string& fileName, const std::string& formatName = "");
    // Describes a context opened elsewhere, without owning it.
    virtual void Attach(AVFormatContext* context);
    virtual void Close();
    virtual void RefreshInfo();

    // Each returns false (and leaves the reset record) when it fails.
    bool GetFileStreamInfo(TFileStreamInfo& info);
    bool GetAudioStreamInfo(int streamIndex, TAudioStreamInfo& info);
    bool GetVideoStreamInfo(int streamIndex, TVideoStreamInfo& info);
    // Lines separated by "\r\n", with "\r\n" after the last line too.
    std::string GetInfoText();

    std::string FileName();
    std::string FormatName();
    std::string FormatLongName();

    const std::string& LastErrMsg() const { return lastErrMsg_; }
    AVFormatContext* FormatContext() const { return context_; }
    bool OwnsContext() const { return owned_ != nullptr; }
    const std::string& InputFormatName() const { return inputFormatName_; }

    int64_t FileSize() const { return fileSize_; }
    int StreamCount() const { return streamCount_; }
    int ProgramCount() const { return programCount_; }
    int AudioStreamCount() const { return audioStreamCount_; }
    int VideoStreamCount() const { return videoStreamCount_; }
    int SubtitleStreamCount() const { return subtitleStreamCount_; }
    int FirstAudioStream() const { return firstAudioStream_; }
    int FirstVideoStream() const { return firstVideoStream_; }
    int FirstSubtitleStream() const { return firstSubtitleStream_; }

protected:
    // Logs `text` at the library level `avLevel` with this probe as Sender
    // and keeps it in LastErrMsg.
    void ReportError(int avLevel, const std::string& text);
    bool RequireFile();  // reports "file not loaded." when nothing is open
    // Stream `index` (the first of its kind when negative), or nullptr after
    // reporting why there is none of `kind` there.
    AVStream* StreamOfKind(int index, int firstOfKind, AVMediaType kind, const char* kindName);
    std::string StreamLine(int index);

    AVFormatInputPtr owned_;  // the input LoadFile opened; null for an attached one
    AVFormatContext* context_ = nullptr;  // owned_ or the attached context; null when closed
    std::string lastErrMsg_;
    std::string inputFormatName_;
    int64_t fileSize_ = -1;
    int streamCount_ = -1;
    int programCount_ = -1;
    int audioStreamCount_ = -1;
    int videoStreamCount_ = -1;
    int subtitleStreamCount_ = -1;
    int firstAudioStream_ = -1;
    int firstVideoStream_ = -1;
    int firstSubtitleStream_ = -1;
};

class TAVProbe : public TCustomAVProbe {
public:
    TAVProbe();
    ~TAVProbe() override;
    void Close() override;
    void RefreshInfo() override;
};
