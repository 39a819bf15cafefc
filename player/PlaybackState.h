#pragma once
// The state of one open file: streams, queues, clocks, flags and threads. One
// per open file, created by EngineOpen and freed by EngineShutdown.
//
// Threads: the read thread, the video and subtitle threads, the refresh
// thread, SDL's audio thread and the event loop on the play thread. The flags
// are atomics, each written by one side and polled by the others; every
// waiting loop rechecks them within 100 ms.
#include "media/FFHandles.h"
#include "player/PacketQueue.h"
#include "player/PictureQueue.h"
#include "player/SubpictureQueue.h"

#include <SDL.h>

#include <atomic>
#include <cmath>
#include <mutex>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

class TCustomPlayer;
class VideoFilter;

struct PlaybackState {
    static constexpr int kAudioBufferBytes = 288000;
    static constexpr int kVisualisationSamples = 131072;

    TCustomPlayer* Player = nullptr;
    AVFormatContext* Format = nullptr;  // owned by the read thread (its AVFormatInputPtr)
    std::string FileName;

    int AudioStreamIndex = -1;
    int VideoStreamIndex = -1;
    int SubtitleStreamIndex = -1;
    // Read by every thread; cleared by the read thread as it closes a stream.
    std::atomic<AVStream*> AudioStream{nullptr};
    std::atomic<AVStream*> VideoStream{nullptr};
    std::atomic<AVStream*> SubtitleStream{nullptr};
    AVCodecContextPtr AudioDecoder;
    AVCodecContextPtr VideoDecoder;
    AVCodecContextPtr SubtitleDecoder;

    PacketQueue AudioQueue;
    PacketQueue VideoQueue;
    PacketQueue SubtitleQueue;
    PictureQueue Pictures;
    SubpictureQueue Subpictures;

    // Audio, used by the audio callback only (after the stream opened).
    SDL_AudioDeviceID AudioDevice = 0;
    std::atomic<int> AudioChannels{0};  // device channels
    std::atomic<int> AudioSampleRate{0};  // device rate
    std::vector<uint8_t> AudioDecoded;  // packed 16-bit samples of the last frame
    std::vector<uint8_t> AudioCorrected;  // the same after audio correction
    const uint8_t* AudioBuf = nullptr;
    std::atomic<int> AudioBufSize{0};  // written by the audio callback, read by the clocks
    std::atomic<int> AudioBufIndex{0};
    AVPacketPtr AudioPacket;
    AVFramePtr AudioFrame;
    bool AudioDecoderHasFrames = false;
    std::atomic<double> AudioClock{0};
    int AudioHwBufSize = 0;
    AVSampleFormat AudioSourceFormat = AV_SAMPLE_FMT_NONE;
    AVChannelLayout AudioSourceLayout{};
    int AudioSourceRate = 0;
    SwrContextPtr AudioConverter;
    // Audio correction.
    double AudioDiffCum = 0;
    double AudioDiffAvgCoef = 0;
    double AudioDiffThreshold = 0;
    int AudioDiffAvgCount = 0;

    // Video clocks (seconds).
    std::atomic<double> FrameTimer{0};
    double FrameLastPts = 0;
    double FrameLastDelay = 0;
    std::atomic<double> VideoClock{0};
    std::atomic<double> VideoCurrentPts{0};
    std::atomic<double> VideoCurrentPtsDrift{0};
    std::atomic<int64_t> VideoCurrentPos{-1};
    std::atomic<bool> PictureShown{false};
    // The screen still owes a picture: the file's first, or the first at the
    // place a seek went to. Only that one is shown while paused.
    std::atomic<bool> PictureOwed{true};
    double ExternalClock = 0;
    int64_t ExternalClockTime = 0;
    int MasterClockChoice = 0;

    // Picture skipping under load.
    std::atomic<float> SkipFactor{1.0f};
    float SkipCounter = 0;

    // Faulty-time counters for choosing picture times.
    int64_t LastDtsForFault = INT64_MIN;
    int64_t LastPtsForFault = INT64_MIN;
    int DtsFaults = 0;
    int PtsFaults = 0;

    // Flags and counters.
    std::atomic<bool> Paused{false};
    std::atomic<double> PausedAtSeconds{0};  // system time when the pause began
    bool LastPaused = false;
    std::atomic<bool> AbortRequest{false};
    std::atomic<bool> SeekRequest{false};
    int SeekFlags = 0;
    int64_t SeekTarget = 0;
    int64_t SeekRelative = 0;
    bool SeekExact = false;  // a time seek past the start: nothing before the target is shown
    // Where the last seek went (seconds on the stream clock), published by
    // the read thread before it queues the flush packets; pictures and
    // samples before it are decoded but neither shown nor played. NAN: show
    // from the place the demuxer landed on (start, byte seeks).
    std::atomic<double> SeekShowFrom{NAN};
    double AudioShowFrom = NAN;  // the audio callback's copy, taken at its flush packet
    std::atomic<int> ReadPauseResult{0};
    std::atomic<bool> JustSeeked{false};
    std::atomic<bool> SeekPaused{false};
    std::atomic<int> OpenedPaused{0};  // counts pictures while opening paused
    std::atomic<bool> EndOfInput{false};
    bool EndLogged = false;
    std::atomic<bool> Drained{false};
    std::atomic<bool> EndReported{false};
    std::atomic<bool> DecoderFlushed{false};
    std::atomic<bool> VideoDecoderDrained{false};
    bool IsImage2 = false;
    bool IsCaptureDevice = false;
    std::atomic<bool> RefreshPending{false};
    std::atomic<bool> ReadInProgress{false};
    std::atomic<int> OpenResult{0};  // 0 pending, 1 opened, -1 failed, -2 failed and cleaned up

    int64_t StartTimeUs = 0;
    int64_t DurationUs = -1;
    int64_t AudioDurationUs = -1;

    // Window geometry (play thread).
    int WindowWidth = 0;
    int WindowHeight = 0;
    int WindowLeft = 0;
    int WindowTop = 0;

    // Audio visualisation.
    std::atomic<int> VisualisationMode{0};
    std::mutex VisualisationLock;  // guards VisualisationRing and VisualisationIndex
    std::vector<int16_t> VisualisationRing = std::vector<int16_t>(kVisualisationSamples);
    int VisualisationIndex = 0;
    int LastWaveStart = 0;

    VideoFilter* Filter = nullptr;  // owned by the video thread

    std::thread ReadThread;
    std::thread VideoThread;
    std::thread SubtitleThread;
    std::thread RefreshThread;
};
