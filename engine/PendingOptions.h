#pragma once
// The option state of a transcoder task. Options do not act at once: they set
// pending values that the next input open, output set-up or stream creation
// consumes. Every default below is the value a fresh or reset task starts with.
extern "C" {
#include <libavutil/pixfmt.h>
#include <libavutil/rational.h>
#include <libavutil/samplefmt.h>
}

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// Streams per file (the stream-id map and the per-input tables hold this many).
constexpr int MAX_STREAMS = 20;
// Capacity bounds of a task (inputs and outputs each).
constexpr int kMinTaskCapacity = 1;
constexpr int kMaxTaskCapacity = 512;

// One pending bitstream filter: `name` is what the library knows it by,
// `args` whatever followed the first "=" of the option value.
struct BitstreamFilterSpec {
    std::string name;
    std::string args;
};

struct PendingOptions {
    // stream identifiers of the next output, by output stream index
    std::array<int, MAX_STREAMS> streamIdMap{};
    std::string forcedFormat;  // `f`; empty = none
    bool pgmyuvInput = false;  // `f pgmyuv`: decode the next input as PGMYUV

    // video
    int frameWidth = 0;  // 0 = take from the input
    int frameHeight = 0;
    float frameAspectRatio = 0;  // 0 = unset
    AVPixelFormat pixelFormat = AV_PIX_FMT_NONE;
    int cropTop = 0, cropBottom = 0, cropLeft = 0, cropRight = 0;
    int maxFramesVideo = INT_MAX, maxFramesAudio = INT_MAX, maxFramesData = INT_MAX;
    AVRational frameRate{0, 0};  // 0/0 = unset
    float videoQScale = 0;
    std::string rcOverride;
    std::vector<uint16_t> intraMatrix;  // empty = none, else 64 coefficients
    std::vector<uint16_t> interMatrix;
    int videoDiscard = 0;
    std::string videoCodecName;  // empty = none
    uint32_t videoCodecTag = 0;
    std::string videoLanguage;
    bool sameQuant = false;
    bool deinterlace = false;
    int topFieldFirst = -1;  // -1 = auto
    int meThreshold = 0;
    int intraDcPrecision = 8;
    bool loopInput = false;
    int loopOutput = -1;  // -1 = the format's default
    bool qpHistogram = false;
    std::string videoFilters;  // `vfilters` / `vf`
    bool intraOnly = false;
    bool videoDisable = false;  // `vn`

    // audio
    int audioSampleRate = 44100;
    int64_t audioChannelLayout = 0;
    float audioQScale = -99999;  // -99999 = none
    bool audioDisable = false;
    int audioChannels = 2;
    std::string audioCodecName;
    uint32_t audioCodecTag = 0;
    std::string audioLanguage;
    AVSampleFormat sampleFormat = AV_SAMPLE_FMT_NONE;

    // subtitles
    bool subtitleDisable = false;
    std::string subtitleCodecName;
    std::string subtitleLanguage;
    uint32_t subtitleCodecTag = 0;

    // muxing and timing
    float muxPreloadSeconds = 0.5f;
    float muxMaxDelaySeconds = 0.7f;
    int64_t recordingTimeUs = INT64_MAX;  // unlimited
    int64_t startTimeUs = 0;
    int64_t recordingTimestampSeconds = 0;
    int64_t inputTsOffsetUs = 0;
    std::vector<std::pair<std::string, std::string>> metadata;  // in order of definition
    int pass = 0;
    std::string passLogFile;
    bool audioStreamCopy = false, videoStreamCopy = false, subtitleStreamCopy = false;
    int videoSyncMethod = -1;  // -1 = auto
    int audioSyncMethod = 0;
    float audioDriftThresholdSeconds = 0.1f;
    bool copyTs = false;
    bool shortest = false;
    int videoGlobalHeader = 0;  // bit 0 global header, bit 1 local header
    std::string vstatsFileName;
    int programId = 0;
    int copyInitialNonKeyFrames = 0;
    bool rateEmulation = false;
    int grabChannel = 0;
    std::string grabStandard;
    int audioVolume = 256;  // 256 = unchanged
    bool exitOnError = false;
    int verbosity = 1;
    int threadCount = 0;  // 0: the task's share of the cores, given when the codec opens
    int64_t fileSizeLimitBytes = 0;  // 0 = none
    bool forceFps = false;
    float dtsDeltaThresholdSeconds = 10.0f;
    bool dumpPackets = false, hexDump = false;
    bool inputSync = false;
    bool psnr = false;

    // chains attached to the next stream of their type, then emptied
    std::vector<BitstreamFilterSpec> audioBitstreamFilters;
    std::vector<BitstreamFilterSpec> videoBitstreamFilters;
    std::vector<BitstreamFilterSpec> subtitleBitstreamFilters;
};

// A stream map: output stream <- input file.stream, synchronised to
// sync file.stream.
struct StreamMap {
    int fileIndex = 0;
    int streamIndex = 0;
    int syncFileIndex = 0;
    int syncStreamIndex = 0;
};

// A meta-data map: the output file takes the meta-data of the input file.
struct MetaDataMap {
    int outFileIndex = 0;
    int inFileIndex = 0;
};

// The option tables sized from the task's capacity N. Appends beyond their
// size are refused by the caller before anything is written.
struct TOptionTables {
    explicit TOptionTables(int capacity)
        : capacity(capacity), inputTsScale(static_cast<size_t>(capacity) * MAX_STREAMS, 0.0)
    {
        streamMaps.reserve(static_cast<size_t>(capacity) * MAX_STREAMS);
        metaDataMaps.reserve(static_cast<size_t>(capacity));
    }

    int capacity;
    std::vector<StreamMap> streamMaps;  // at most MAX_STREAMS * capacity
    std::vector<MetaDataMap> metaDataMaps;  // at most capacity
    // timestamp scale per input and stream (0 = no scaling), row by input index
    std::vector<double> inputTsScale;

    size_t MaxStreamMaps() const { return static_cast<size_t>(capacity) * MAX_STREAMS; }
    size_t MaxMetaDataMaps() const { return static_cast<size_t>(capacity); }
    double& TsScale(int inputIndex, int streamIndex)
    {
        return inputTsScale[static_cast<size_t>(inputIndex) * MAX_STREAMS + static_cast<size_t>(streamIndex)];
    }
    double TsScale(int inputIndex, int streamIndex) const
    {
        return inputTsScale[static_cast<size_t>(inputIndex) * MAX_STREAMS + static_cast<size_t>(streamIndex)];
    }
    void Clear()
    {
        streamMaps.clear();
        metaDataMaps.clear();
        std::fill(inputTsScale.begin(), inputTsScale.end(), 0.0);
    }
};
