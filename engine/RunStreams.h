#pragma once
// The tables of one transcode run: an entry per input stream and per output
// stream, built at set-up and freed when the run ends, and the task's byte
// and frame counters.
#include "engine/EncodeWorker.h"
#include "engine/FilterGraph.h"
#include "engine/TaskMedia.h"
#include "media/CFile.h"
#include "media/FFHandles.h"

#include <array>
#include <atomic>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

// One stream of an input, in file order.
struct RunInputStream {
    int fileIndex = 0;
    int streamIndex = 0;
    AVStream* stream = nullptr;  // owned by the input
    AVCodecContext* decoder = nullptr;  // owned by the task's set-up tables
    bool decodingNeeded = false;
    bool decoderOpen = false;
    bool discard = true;  // until an output stream takes it
    int64_t ptsUs = 0;  // time of the last decoded data
    int64_t nextPtsUs = AV_NOPTS_VALUE;  // expected time of the next data
    // expected time of the next packet as read (decoders with frame threads
    // deliver pictures some packets later, so nextPtsUs lags behind it)
    int64_t nextDtsUs = AV_NOPTS_VALUE;
    bool isStart = true;  // no audio sync correction yet
    // nothing before this time reaches the outputs: 0 for an input opened at a
    // start time (its seek lands on the key frame before it), else no limit
    int64_t startGateUs = INT64_MIN;
    int64_t startWallUs = 0;  // for rate emulation
    bool pastRecordingTime = false;
    bool flushed = false;
    // decoded audio as packed signed 16-bit samples (volume and sync work on it)
    SwrContextPtr toS16;
    int toS16Format = -1, toS16Rate = 0, toS16Channels = 0;
    std::vector<uint8_t> audioBuffer;  // at least 192000 bytes once used
    int audioChannels = 0, audioRate = 0;
};

// One input file of the run.
struct RunInputFile {
    int firstStream = 0;  // index of its first entry in the input stream table
    int streamCount = 0;
    bool eof = false;
    bool noPacketNow = false;
};

// One stream of an output, in output order.
struct RunOutputStream {
    int fileIndex = 0;
    int index = 0;  // stream index in its output
    AVStream* stream = nullptr;  // owned by the output
    OutputStreamSetup* setup = nullptr;  // owned by the task's set-up tables
    IStreamEncoder* encoder = nullptr;  // null for stream copy
    AVCodecContext* enc = nullptr;  // the encoder's context
    int sourceIndex = -1;  // input stream entry feeding it
    int syncIndex = -1;  // input stream entry it follows
    bool encodingNeeded = false;
    int frameCount = 0;
    int64_t packetCount = 0;  // packets handed to the muxer
    double outputTimeSec = 0;  // end of the last packet written, seconds
    int64_t syncOpts = 0;  // next output time, encoder time base units
    bool encoderOpen = false;
    AVPacketPtr encoded;  // the packet the encoder's output is collected in
    // video with a share of more than one core: the encoder's own thread
    std::unique_ptr<EncodeWorker> encodeWorker;

    // video without a filter graph
    bool cropping = false, resizing = false;
    int cropTop = 0, cropBottom = 0, cropLeft = 0, cropRight = 0;
    int lastWidth = 0, lastHeight = 0;
    int lastFormat = -1;
    SwsContextPtr scaler;
    AVFramePtr scaled;  // the temporary picture
    AVBufferPoolPtr scaledPool;  // the scaled pictures' buffers
    AVFramePtr lastPicture;  // the last picture written, for gaps in the source
    std::unique_ptr<FilterGraph> graph;  // when a filter graph is in use
    FilterGraphInput graphInput;  // what the graph was built for
    FilterGraphOutput graphOutput;

    // audio
    bool resample = false;
    SwrContextPtr resampler;  // packed s16 in -> the encoder's format
    int resamplerInChannels = 0, resamplerInRate = 0;
    AVAudioFifoPtr fifo;  // samples in the encoder's format
    std::vector<uint8_t> workBuffer;  // silence insertion and sample dropping

    // subtitles
    std::vector<uint8_t> subtitleBuffer;  // 1 MiB, allocated once

    // two-pass
    std::string passLogName;
    CFilePtr passLog;  // pass 1, written
    bool flushedEncoder = false;

    // bitstream filters of a stream, in order
    std::vector<AVBSFContextPtr> bitstreamFilters;

    // latest quality of the coded pictures (lambda units), PSNR error sums
    int lastQuality = 0;
    uint64_t lastError[3] = {0, 0, 0};
    char lastPictType = '?';
};

// What a run counts while it writes.
struct RunCounters {
    std::atomic<uint64_t> videoBytes = 0;  // counted by encoder threads too
    uint64_t audioBytes = 0;
    uint64_t headerBytes = 0;
    uint64_t totalBytes = 0;
    int duplicatedFrames = 0;
    int droppedFrames = 0;
    int inputErrors = 0;  // failed reads and damaged packets or frames of the inputs
    bool dupDropChanged = false;
    std::array<int, 52> qpHistogram{};
};
