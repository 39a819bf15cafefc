#pragma once
// The opened inputs and prepared outputs of a transcoder task: what input
// opening (InputSetup.cpp) and output set-up (OutputSetup.cpp,
// StreamCreation.cpp) leave behind for the run.
//
// The tables are parallel, one entry per file in the order the files were
// added: inputs[i], inputTsOffsetsUs[i] and inputStreams[i] describe input i;
// outputs[j] and outputStreams[j] describe output j. Stream tables are indexed
// like the streams of their format context (inputStreams[i][k] is
// inputs[i]->streams[k]). Only the set-up code appends; AddInput/AddOutput and
// RemoveLastOutput keep the tables aligned.
//
// What the run finds here:
//  - an input stream's decoder context, filled from the stream's parameters,
//    with the task's decoding options replayed and its thread count set, not
//    yet opened (open it with `decoder.codec`, or the library's decoder for the
//    stream's codec id when no decoder was forced); null for streams without
//    a decoder (data, attachments, unknown types);
//  - an output stream's encoder (IStreamEncoder), configured but not opened:
//    open it, feed it, then copy its parameters into the stream
//    (avcodec_parameters_from_context) before writing the header. Encoders
//    with AV_CODEC_FLAG_QSCALE set want frame->quality = global_quality on
//    every frame. Stream copies have no encoder: `streamCopy` is set and the
//    stream's parameters come from the mapped input stream;
//  - each output stream's bitstream filter chain, to build when the stream's
//    parameters are final;
//  - each output's muxer options for avformat_write_header (mpeg "preload").
#include "engine/CodecSelection.h"
#include "engine/IStreamEncoder.h"
#include "engine/OutputPlacement.h"
#include "engine/PendingOptions.h"
#include "media/FFHandles.h"
#include "media/PipeReader.h"

#include <cstdint>
#include <memory>
#include <vector>

// One stream of an opened input.
struct InputStreamSetup {
    AVStream* stream = nullptr;  // owned by the input's format context
    // The forced decoder (`vcodec`/`acodec`/`scodec` before the input); not
    // Chosen() when the library's decoder for the codec id is meant.
    TCodecChoice forcedDecoder;
    AVCodecContextPtr decoder;  // configured, not opened; null when none
    bool discarded = false;  // disabled (vn/an/sn) or outside the selected program
};

// One stream of a prepared output.
struct OutputStreamSetup {
    AVStream* stream = nullptr;  // owned by the output's format context
    AVMediaType type = AVMEDIA_TYPE_UNKNOWN;
    bool streamCopy = false;
    std::unique_ptr<IStreamEncoder> encoder;  // null for stream copy
    std::vector<BitstreamFilterSpec> bitstreamFilters;  // in the order given
    // Video: the frame rate given to the encoder (the pending rate, snapped
    // to the encoder's list unless force_fps); 0/0 for other streams.
    AVRational frameRate{0, 0};
    // A cover picture: the input stream it copies as it is (-1: none)
    int coverInput = -1, coverStream = -1;
};

// One prepared output beyond its format context.
struct OutputFileSetup {
    std::vector<OutputStreamSetup> streams;
    AVDictionaryPtr muxerOptions;  // handed to avformat_write_header
    // The name the finished file takes; nothing is created under it (or at
    // all) before the run writes the header into `part`.
    std::string finalName;
    bool replaceExisting = true;  // else an existing file keeps its name and the output takes "(New_n)"
    bool resumable = true;  // else written directly, never as resumable segments
    std::unique_ptr<PartFile> part;  // claimed when the run opens the file
};

struct TaskMedia {
    // Our readers of the inputs that are not regular files (named pipes,
    // devices); declared before `inputs`, so they outlive the contexts that
    // read through them.
    std::vector<std::unique_ptr<PipeReader>> inputReaders;
    std::vector<AVFormatInputPtr> inputs;  // opened inputs, in order
    std::vector<int64_t> inputTsOffsetsUs;  // one per input
    std::vector<int64_t> inputStartTimesUs;  // one per input: the start time (ss) it was opened at, 0 = none
    std::vector<std::vector<InputStreamSetup>> inputStreams;  // one row per input
    std::vector<AVFormatOutputPtr> outputs;  // prepared outputs, in order
    std::vector<OutputFileSetup> outputSetups;  // one per output
    // A filter graph text was pending when an output was prepared.
    bool filtersInUse = false;

    int InputCount() const { return static_cast<int>(inputs.size()); }
    int OutputCount() const { return static_cast<int>(outputs.size()); }

    void AddInput(AVFormatInputPtr input, int64_t tsOffsetUs, std::vector<InputStreamSetup> streams,
                  int64_t startTimeUs = 0, std::unique_ptr<PipeReader> reader = nullptr)
    {
        if (reader)
            inputReaders.push_back(std::move(reader));
        inputs.push_back(std::move(input));
        inputTsOffsetsUs.push_back(tsOffsetUs);
        inputStartTimesUs.push_back(startTimeUs);
        inputStreams.push_back(std::move(streams));
    }
    // The new output's index.
    int AddOutput(AVFormatOutputPtr output, OutputFileSetup setup)
    {
        outputs.push_back(std::move(output));
        outputSetups.push_back(std::move(setup));
        return OutputCount() - 1;
    }
    // Encoders go before the context whose streams they describe.
    void RemoveLastOutput()
    {
        if (outputs.empty())
            return;
        outputSetups.pop_back();
        outputs.pop_back();
    }
    void Clear()
    {
        while (!outputs.empty())
            RemoveLastOutput();
        outputSetups.clear();
        inputStreams.clear();  // decoder contexts before the inputs they read
        inputs.clear();
        inputReaders.clear();  // after the inputs that read through them
        inputTsOffsetsUs.clear();
        inputStartTimesUs.clear();
        filtersInUse = false;
    }
};
