#pragma once
// Records the converter component takes from the application (input and
// output options) and hands to its events (progress, termination, frames).
#include "engine/TProgressInfo.h"
#include "engine/TaskOutcome.h"
#include "media/Bitmap24.h"

#include <climits>
#include <cstdint>
#include <string>
#include <vector>

// The media libraries' "no time given" marker.
constexpr int64_t kNoTimeUs = INT64_MIN;

// How one input of a task is opened.
struct TInputOptions {
    std::string FileName;  // filled with the task's file name when empty
    std::string FileFormat;  // forced input format (f)
    int64_t StartTime = kNoTimeUs;  // µs (ss)
    int ProgramID = -1;  // program to select when >= 0
    std::string ExtOptions;  // option text applied to the input

    bool operator==(const TInputOptions&) const = default;
};
using PInputOptions = TInputOptions*;

// Meta-data written into an output.
struct TStreamInfo {
    // Days since 30 December 1899, local time; 0 means now, below 0 not set.
    double TimeStamp = -1.0;
    int Year = -1;
    int Track = -1;
    std::string Title;
    std::string Author;
    std::string Copyright;
    std::string Comment;
    std::string Album;
    std::string Genre;

    bool operator==(const TStreamInfo&) const = default;
};

// How one output of a task is prepared; -1, empty and false mean "not set"
// except for the fields marked as always applied.
struct TOutputOptions {
    std::string FileName;  // filled with the output file name when empty
    std::string FileFormat;
    int PacketSize = -1;
    int MuxRate = -1;
    float MuxDelay = -1.0f;  // seconds
    float MuxPreload = -1.0f;  // seconds
    std::string AudioCodec;
    std::string AudioPreset;
    bool DisableAudio = false;
    int AudioVolume = -1;  // 256 keeps the loudness
    int AudioChannels = -1;
    int AudioSampleRate = -1;
    int AudioBitrate = -1;
    int AudioBitrateTolerance = -1;
    std::string AudioLanguage;  // always applied
    int AudioSync = 0;  // always applied
    std::string AudioTag;
    std::string VideoCodec;
    std::string VideoPreset;
    bool DisableVideo = false;
    std::string FrameRate;
    std::string FrameSize;
    std::string FrameAspectRatio;
    int CropTop = -1;
    int CropBottom = -1;
    int CropLeft = -1;
    int CropRight = -1;
    int GOPSize = -1;
    int VideoBitrate = -1;
    int VideoMaxRate = -1;
    int VideoMinRate = -1;
    int VideoBitrateTolerance = -1;
    int VideoBufSize = -1;
    int VideoSync = -1;  // always applied
    std::string VideoTag;
    std::string VideoFilters;
    std::string VideoLanguage;  // always applied
    std::string SubtitleCodec;
    std::string SubtitlePreset;
    bool DisableSubtitle = false;
    std::string SubtitleLanguage;  // always applied
    bool InputSync = false;  // always applied
    bool CopyTimestamps = false;
    int64_t StartTime = kNoTimeUs;  // µs
    int64_t Duration = kNoTimeUs;  // µs (t)
    TStreamInfo Info;
    int TargetType = 0;  // 1 vcd, 2 svcd, 3 dvd, other none
    int TargetNorm = 0;  // 1 pal, 2 ntsc, other auto
    int TargetDefaultNorm = 1;  // 1 pal, other ntsc
    bool CustomHook = false;  // decoded frames go to OnCustomHook
    bool Join = false;
    std::string ExtOptions;
    // A finished file of the output's name is replaced (true), or kept and
    // the output takes the first free "(New_n)" name when it is finished.
    bool ReplaceExisting = true;
    // An output a stopped run can be taken up from is written with resumable
    // parts beside it (true), or written directly with nothing kept.
    bool Resumable = true;

    bool operator==(const TOutputOptions&) const = default;
};
using POutputOptions = TOutputOptions*;

// How a task ended; TaskIndex -1 reports that every task has ended.
struct TTerminateInfo {
    int TaskIndex = 0;
    bool Finished = false;  // ran to its end
    bool Exception = false;  // ended with an error
    std::string ExceptionMsg;
    std::string LibraryLines;  // the library's last error and warning lines before a failure, '\n'-ended
    // Whole, Incomplete (OutcomeMsg says why), Failed (with Exception) or
    // Unfinished (stopped or never started).
    TTaskOutcome Outcome = TTaskOutcome::Unfinished;
    std::string OutcomeMsg;
    std::vector<std::string> OutputFiles;  // the names the kept outputs took
};

// One decoded picture offered to OnCustomHook. The handler may draw on
// Bitmap; with Update left true the drawing is written back into the picture,
// and StopHook set true ends the hook calls for this task.
struct THookInfo {
    int TaskIndex = 0;
    Bitmap24* Bitmap = nullptr;
    int FrameNumber = 0;
    int64_t PTS = 0;  // µs
    bool Update = true;
    bool StopHook = false;
};
using PHookInfo = THookInfo*;

// One picture on its way to the encoder, offered to OnPreviewBitmap.
struct TPreviewInfo {
    int TaskIndex = 0;
    const Bitmap24* Bitmap = nullptr;
    int FrameNumber = 0;
    int64_t PTS = 0;  // µs
};
