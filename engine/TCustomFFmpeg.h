#pragma once
// A transcoder task: everything needed to convert one set of inputs into one
// set of outputs. Options arrive as name/value pairs (SetOption) or as an
// option text of name=value lines (ApplyOptionText); they set pending values
// that the next input open, output set-up or stream creation consumes.
//
// The steps live in rooms of their own:
//   OptionDispatcher.cpp  SetOption and its table of names
//   OptionText.cpp        ApplyOptionText and the value readers
//   GenericOptions.cpp    library options on per-type contexts, replay
//   TargetPresets.cpp     SetTarget;  PresetFiles.cpp  ApplyPreset
//   InputSetup.cpp, OutputSetup.cpp, StreamCreation.cpp  opening and set-up
#include "engine/FFmpegException.h"
#include "engine/GenericOptions.h"
#include "engine/PendingOptions.h"
#include "engine/TaskMedia.h"
#include "engine/TaskOutcome.h"
#include "engine/TaskPreview.h"
#include "engine/VideoHookModules.h"
#include "media/ManualResetEvent.h"
#include "media/TFFBaseComponent.h"
#include "media/TFFLogger.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

class TCustomFFmpeg : public TFFBaseComponent {
public:
    // `capacity` is the most inputs and the most outputs the task takes
    // (1..512; anything else is an assertion failure).
    explicit TCustomFFmpeg(int capacity);
    ~TCustomFFmpeg() override;

    int Capacity() const { return capacity_; }

    // Releases inputs, outputs and option state, re-applies every default,
    // clears the run flags and creates the option contexts.
    void Reset();

    // --- options ---------------------------------------------------------
    // One option; raises FFmpegException when the value is rejected.
    void SetOption(const std::string& name, const std::string& value);
    // name=value lines; stream options (acodec, vcodec, scodec, s) only with
    // `includeStreamOptions`.
    void ApplyOptionText(const std::string& text, bool includeStreamOptions);
    // A library option on the option contexts; false when nothing took it.
    bool SetGenericOption(const std::string& name, const std::string& value);
    // Replays the accepted library options onto a context set-up has just
    // created (masks in ReplayMask).
    void ReplayGenericOptions(AVCodecContext* target, int mask) const;
    void ReplayGenericOptions(AVFormatContext* target, int mask) const;
    // The target preset: type vcd, svcd, dvd, dv, dv50; norm pal, ntsc,
    // film or anything else for detection; defaultNorm when detection fails.
    void SetTarget(const std::string& type, const std::string& norm, const std::string& defaultNorm);
    // The target of an output record: type 1 vcd, 2 svcd, 3 dvd (others: no
    // target); norm 1 pal, 2 ntsc, others detected; default norm 1 pal, else ntsc.
    void SetTargetFromRecord(int targetType, int targetNorm, int targetDefaultNorm);
    // apre, vpre, spre, fpre; an empty preset name does nothing.
    void ApplyPreset(const std::string& optionName, const std::string& presetName);

    // --- input and output set-up ----------------------------------------
    // Opens one input; raises FFmpegException with the reason on failure.
    void OpenInputFile(const std::string& fileName);
    // Prepares one output; the number of outputs, or -1 with LastError().
    int AddOutputFile(const std::string& fileName, bool join = false);
    // Further streams for the last output (options newvideo, newaudio,
    // newsubtitle); raise FFmpegException on failure.
    void NewVideoStream();
    void NewAudioStream();
    void NewSubtitleStream();
    // Loads a video hook module (option vhook); raises on failure.
    void AddVideoHook(const std::string& value);
    bool VideoHookInUse() const { return !videoHooks_.Empty(); }
    VideoHookModules& VideoHooks() { return videoHooks_; }

    // --- setters used by the component ------------------------------------
    void SetStartTime(int64_t startTimeUs);  // ignored for AV_NOPTS_VALUE
    void SetProgramId(int id);  // ignored below 0
    void SetVerbosity(int level);
    int Verbosity() const { return pending_.verbosity; }
    void SetAudioVolume(int volume);  // applied when >= 0
    void SetAudioSyncMethod(int method);
    void SetVideoSyncMethod(int method);
    void SetMuxDelay(double seconds);  // applied when > 0
    void SetMuxPreload(double seconds);  // applied when > 0
    void SetSampleRate(int rate);  // applied when > 0
    void SetChannels(int channels);  // applied when > 0
    // Whether the next output set up replaces a finished file of its name
    // (the default) or takes the next free "(New_n)" name when it finishes.
    void SetReplaceExisting(bool replace) { replaceNextOutput_ = replace; }
    // Whether the next output set up may be written with resumable parts
    // (the default) or is written directly.
    void SetResumable(bool resumable) { resumableNextOutput_ = resumable; }
    // Bit 0 the preview window, bit 1 the preview bitmap event.
    void SetPreviewFlags(int flags) { preview_.SetFlags(flags); }
    int PreviewFlags() const { return preview_.Flags(); }
    TaskPreview& Preview() { return preview_; }

    // --- state ------------------------------------------------------------
    const PendingOptions& Pending() const { return pending_; }
    const TOptionTables& Tables() const { return tables_; }
    const TGenericOptions& GenericOptions() const { return generic_; }
    const TaskMedia& Media() const { return media_; }
    const std::string& LastError() const { return lastError_; }
    int64_t TotalDurationUs() const { return totalDurationUs_; }

    // run state, read by the component and the run
    bool Running() const { return running_; }
    bool StopRequested() const { return stopRequested_; }
    bool Finished() const { return finished_; }
    bool Terminated() const { return terminated_; }
    bool Error() const { return error_; }
    std::string ErrorMessage() const;
    // The last library error and warning lines of a run that failed ("" when none).
    std::string LibraryLines() const;
    // The outcome of the last run: Failed when it ended with an error,
    // Unfinished when it did not run to its end, else what the check of the
    // outputs found; with the names the outputs took.
    TRunResult RunResult() const;
    int64_t ProgressIntervalUs() const { return progressIntervalUs_; }
    void SetProgressIntervalUs(int64_t us) { progressIntervalUs_ = us; }
    // Threads for each codec, the scaler and the filter graphs of the next
    // run; 0: every core this process may run on. A run keeps the count it
    // started with, and CodecThreads() then tells it.
    void SetCodecThreads(int threads) { codecThreads_ = threads; }
    int CodecThreads() const { return codecThreads_; }
    ManualResetEvent& RunFinishedEvent() { return runFinished_; }
    ManualResetEvent& TerminationDeliveredEvent() { return terminationDelivered_; }

protected:
    friend class TranscodeRun;  // the conversion run (TranscodeRun.cpp) works on the task's state
    void Log(TLogLevel level, const std::string& text) const;
    void LogFmt(TLogLevel level, const char* format, ...) const __attribute__((format(printf, 3, 4)));
    // Records the message of the error that ended a run.
    void SetErrorMessage(const std::string& message);
    void SetLibraryLines(const std::string& lines);
    void SetRunResult(const TRunResult& result);

    // option handlers shared by the dispatcher, targets and presets
    void SetFrameRate(const std::string& value);
    void SetFrameSize(const std::string& value);
    void SetAspect(const std::string& value);
    void SetPixelFormat(const std::string& value);
    void SetCodecName(AVMediaType type, const std::string& value);
    void SetBitRate(const std::string& name, const std::string& value);
    // Norm of the target: 0 PAL, 1 NTSC, 2 FILM.
    int DetectNorm(const std::string& norm, const std::string& defaultNorm);

    // set-up steps (InputSetup.cpp, StreamCreation.cpp)
    void SetUpInputStream(AVFormatContext* ic, int index, const TCodecChoice& videoDecoder,
                          const TCodecChoice& audioDecoder, const TCodecChoice& subtitleDecoder,
                          InputStreamSetup& setup);
    int CodecStrictness() const;  // of the video option context, for codec selection
    TCodecChoice OutputEncoder(const AVFormatContext* oc, const std::string& name, AVMediaType type);
    OutputStreamSetup& AddOutputStream(int outputIndex, AVMediaType type,
                                       std::vector<BitstreamFilterSpec>& pendingFilters);
    // The pending stream of `type` added to the output: its encoder chosen
    // first (none for a copy), a copy given its tag, an encoder created with
    // its type, id, threads, generic options, tag and header placement.
    OutputStreamSetup& BeginOutputStream(int outputIndex, AVMediaType type, TCodecChoice& choice);
    // The stream's language; the pending choices of `type` back to none.
    void EndOutputStream(AVStream* st, AVMediaType type);
    void CreateVideoStream(int outputIndex);
    // A copy of an input's cover picture, where the output's container keeps one.
    void AddCoverPicture(int outputIndex);
    void CreateAudioStream(int outputIndex);
    void CreateSubtitleStream(int outputIndex);
    // True when `fileName` names the same file as an opened input.
    bool IsOpenedInput(const std::string& fileName) const;
    // True when an opened input has subtitles the encoder `encoderId` can
    // take (text for text encoders, pictures for picture encoders).
    bool InputsHaveSubtitlesFor(AVCodecID encoderId) const;

    const int capacity_;
    PendingOptions pending_;
    TOptionTables tables_;
    TGenericOptions generic_;
    TaskMedia media_;
    int scalerFlags_ = 4;  // SWS_BICUBIC
    std::string lastError_;
    int64_t totalDurationUs_ = -1;
    bool replaceNextOutput_ = true;
    bool resumableNextOutput_ = true;

    // run state
    std::atomic<bool> running_{false};
    std::atomic<bool> stopRequested_{false};
    std::atomic<bool> finished_{false};
    std::atomic<bool> terminated_{false};
    std::atomic<bool> error_{false};
    mutable std::mutex errorLock_;  // guards errorMessage_, libraryLines_, runResult_
    std::string errorMessage_;
    std::string libraryLines_;
    TRunResult runResult_;
    int64_t progressIntervalUs_ = 500000;
    std::atomic<int> codecThreads_{0};
    TaskPreview preview_{this};
    VideoHookModules videoHooks_;
    ManualResetEvent runFinished_{true};
    ManualResetEvent terminationDelivered_{true};
};
