#pragma once
// The conversion run of one transcoder task: set-up of the run tables,
// decoders and encoders, the main loop reading packets from the inputs, the
// packet processing that decodes, filters and encodes or copies them into the
// outputs, and the end of the run (flush, trailers, last report).
//
// Rooms:
//   TranscodeRun.cpp      set-up, main loop, after the loop, run control
//   PacketProcessing.cpp  one packet of an input stream (or its flush)
//   VideoOutput.cpp, AudioOutput.cpp, SubtitleOutput.cpp  encoding per type
//   PacketWriter.cpp      bitstream filters and interleaved writing
//   StatusReport.cpp      the status line, the progress callback, vstats
#include "engine/OutputCheck.h"
#include "engine/OutputPlacement.h"
#include "engine/PicturePreprocessor.h"
#include "engine/RunStreams.h"
#include "engine/SegmentedOutput.h"
#include "engine/TProgressInfo.h"
#include "engine/TaskRunControl.h"
#include "media/TFFLogger.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class TCustomFFmpeg;
struct PendingOptions;

// One output at the end of a run: its part file, the name it is to take and
// what the run wrote into it.
struct FinishedOutput {
    std::unique_ptr<PartFile> part;
    std::string finalName;
    bool replaceExisting = true;
    OutputExpectation expectation;
};

// The whole run of `task` on the calling thread: set-up, the loop, the steps
// after it, the release of the codecs and the cleanup of the task, then the
// outputs: each was written into a hidden part file, which now takes the
// output's name when the run ran to its end and the file checks out as whole
// or incomplete (recorded in the task's run result), or when the run was
// stopped after writing something; otherwise (an error, nothing written, no
// usable media) it is deleted. Sets the task's finished flag when the run
// ended by itself. Any error that ended the run is raised again after the
// cleanup, with its message exactly as the user sees it.
void RunTranscode(TCustomFFmpeg& task, const RunHooks& hooks);

class TranscodeRun {
public:
    TranscodeRun(TCustomFFmpeg& task, const RunHooks& hooks);
    ~TranscodeRun();
    TranscodeRun(const TranscodeRun&) = delete;
    TranscodeRun& operator=(const TranscodeRun&) = delete;

    // Set-up, the main loop and the steps after it. Raises FFmpegException.
    void Execute();
    // Releases the encoders and decoders (each closed under CodecLock).
    void ReleaseCodecs();
    // The part files of the outputs with what the run wrote into each, for
    // the check and the placing of the finished files; taken before the
    // clean-up, which closes the files (their claims stay with the caller).
    std::vector<FinishedOutput> TakeOutputs();
    // The folder of the output's segments; empty when it was written directly.
    const std::string& SegmentFolder() const { return segmentFolder_; }
    // The length the output stream should have, from its source stream and
    // the length asked of the whole output; -1 when there is nothing to compare.
    int64_t SourceStreamLengthUs(const RunOutputStream& ost, int64_t fileLengthUs) const;
    // After a run (and for a task that is reset): frees the option contexts,
    // closes every output, deleting those that stayed at 0 bytes, closes the
    // inputs and releases hooks and preview state.
    static void CleanUp(TCustomFFmpeg& task);
    // After the clean-up: checks, names or deletes the outputs (see
    // RunTranscode) and records the run's result in the task; raises the
    // reason when an output that ran to its end is not kept.
    static void FinishOutputs(TCustomFFmpeg& task, std::vector<FinishedOutput>& outputs, bool failed);

private:
    // set-up (TranscodeRun.cpp)
    void CreateInputStreams();
    void CreateOutputStreams();
    void MapOutputStream(RunOutputStream& ost, size_t mapIndex);
    void PrepareStreamCopy(RunOutputStream& ost);
    void PrepareEncoding(RunOutputStream& ost);
    void PrepareTwoPass(RunOutputStream& ost);
    void OpenEncoders();
    void OpenDecoders();
    void OpenDecoder(RunInputStream& ist);
    void PrepareSubtitleEncoder(RunOutputStream& ost);
    void CopyMetaData();
    static bool IsCover(const RunOutputStream& ost);
    void CopyChapters();
    void WriteHeaders();
    // Claims the part file of output `j`, opens it and writes the header.
    void OpenOutputFile(int j);
    void LogStreamMapping(TLogLevel level);
    void MainLoop();
    void AfterLoop();
    int ChooseInputFile(bool& anyNoPacketNow);
    bool FileSizeLimitReached() const;

    // the length the output should have; -1 when there is nothing to compare
    int64_t ExpectedLengthUs() const;

    // segmented output (SegmentedRun.cpp)
    // Why the output cannot be written as segments; empty when it can.
    std::string ResumeObstacle() const;
    // The target and its encoders as one text, to compare runs with.
    std::string SettingsText() const;
    // Before the encoders open: whether the output is written as segments.
    void ChooseSegmentedOutput();
    // After they opened: takes up what an interrupted run left, or starts afresh.
    void PrepareSegments();
    bool SeekForResume(const KeptPart& kept);
    // After the headers: the segment writer; a resumed run copies the kept part into its output.
    void StartSegments();
    // After the flush: closes the open segment.
    void FinishSegments();

    // packet processing (PacketProcessing.cpp)
    bool ProcessPacket(int istIndex, const AVPacket* packet);
    void CountDamagedFrame(const AVFrame* frame);
    bool DecodeVideo(RunInputStream& ist, int istIndex, const AVPacket* packet);
    bool DecodeAudio(RunInputStream& ist, int istIndex, const AVPacket* packet);
    bool DecodeSubtitle(RunInputStream& ist, int istIndex, const AVPacket* packet);
    void OutputVideoPicture(RunInputStream& ist, int istIndex, AVFrame* decoded);
    void OutputAudioSamples(RunInputStream& ist, int istIndex, const AVFrame* decoded);
    void CopyPacket(RunOutputStream& ost, RunInputStream& ist, const AVPacket* packet);
    void AdvanceCopyTime(RunInputStream& ist, const AVPacket* packet);
    void FlushEncoders(int istIndex);
    bool OutputStarts(const RunInputStream& ist) const;
    // The time the outputs start at for this input stream; INT64_MIN for none.
    int64_t OutputStartUs(const RunInputStream& ist) const;
    void EmulateRate(const RunInputStream& ist) const;

    // video output (VideoOutput.cpp)
    void VideoOut(RunOutputStream& ost, RunInputStream& ist, AVFrame* picture, int64_t ptsUs);
    AVFrame* CropAndResize(RunOutputStream& ost, const RunInputStream& ist, AVFrame* picture);
    // A picture of the encoder's size and format for the scaler to write.
    static AVFramePtr NewScaledPicture(RunOutputStream& ost);
    // Encodes `count` copies of `prepared` at the next slots of the stream.
    void WriteVideoFrames(RunOutputStream& ost, const AVFrame* prepared, int count, int64_t ptsUs);
    int EncodeVideoFrame(RunOutputStream& ost, AVFrame* frame);
    // Gives each video encoder with a share of more than one core a thread of its own.
    void StartEncodeWorkers();

    // audio output (AudioOutput.cpp)
    void AudioOut(RunOutputStream& ost, RunInputStream& ist, const uint8_t* data, int size);
    void PrepareResampler(RunOutputStream& ost, const RunInputStream& ist);
    void EncodeFifoFrames(RunOutputStream& ost, bool flushing);
    int EncodeAudioFrame(RunOutputStream& ost, AVFrame* frame);
    void FlushAudio(RunOutputStream& ost);

    // subtitle output (SubtitleOutput.cpp)
    void SubtitleOut(RunOutputStream& ost, RunInputStream& ist, AVSubtitle* subtitle, int64_t ptsUs);

    // writing (PacketWriter.cpp)
    void InitBitstreamFilters(RunOutputStream& ost);
    // Filters and writes one packet; nullptr drains the filters at the end.
    void WritePacket(RunOutputStream& ost, AVPacket* packet);
    // Collects every packet the encoder has ready and writes it; the number
    // of bytes written, or a negative error from the encoder.
    int64_t DrainEncoder(RunOutputStream& ost, bool flushing);
    // Sends one frame to the encoder (draining it first when it is full) and
    // writes what it gives; the bytes written. Throws FFmpegException
    // `failure` when the encoder refuses the frame.
    int64_t EncodeFrame(RunOutputStream& ost, AVFrame* frame, const char* failure);

    // reports (StatusReport.cpp)
    void Report(bool last);
    void WriteVideoStats(RunOutputStream& ost, int frameBytes);

    void PassPauseGate() const;
    double SyncInputTime(const RunInputStream& ist) const;
    std::string StreamName(int fileIndex, int streamIndex, AVMediaType type) const;

    TCustomFFmpeg& task_;
    RunHooks hooks_;
    const PendingOptions& options_;
    std::vector<RunInputFile> inputFiles_;
    std::vector<RunInputStream> inputStreams_;
    std::vector<RunOutputStream> outputStreams_;
    std::vector<int64_t> packetsWritten_;  // per output file, handed to its muxer
    RunCounters counters_;
    PicturePreprocessor preprocessor_;
    AVFramePtr decoded_;
    AVFramePtr filtered_;
    AVFramePtr audioFrame_;
    AVFramePtr cropped_;
    // Guards the outputs' muxers, the segment writer, the counters and what
    // the report reads of the streams while encoder threads write packets.
    mutable std::mutex writing_;
    int64_t loopStartUs_ = 0;
    int64_t lastReportUs_ = 0;
    int lastFileIndex_ = 0;
    bool headersWritten_ = false;
    CFilePtr vstats_;
    // segmented output
    int segmentedOutput_ = -1;  // the output written as segments; -1 none
    SegmentFolderLock segmentLock_;
    std::string segmentFolder_;
    SegmentRecord pendingRecord_;  // until the writer starts
    KeptPart pendingKept_;
    std::unique_ptr<SegmentWriter> segments_;
    int64_t resumeUs_ = 0;  // where this run's time 0 lies on the output's time line
    int64_t recordingTimeUs_ = INT64_MAX;  // the length this run converts
};
