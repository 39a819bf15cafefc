#pragma once
// The playback engine's operations, shared by its threads and the player.
#include "player/PlaybackState.h"

#include <cstdint>

class TCustomPlayer;

// Engine event numbers (registered with SDL once per process).
struct EngineEvents {
    uint32_t Alloc;
    uint32_t Refresh;
    uint32_t Quit;
    uint32_t Aspect;
    uint32_t Resize;  // the host's window has a new size (code: width, data1: height)
    uint32_t Redraw;  // the host asks for the last picture again
};
const EngineEvents& EngineEventTypes();
void PushEngineEvent(uint32_t type, void* data = nullptr);

// Opens the engine for `fileName`; on success it becomes the player's engine.
bool EngineOpen(TCustomPlayer& player, const std::string& fileName, bool openPaused);
// Stops every thread of the player's engine and frees it.
void EngineShutdown(TCustomPlayer& player);
void EngineTogglePause(TCustomPlayer& player, PlaybackState* is);
void EngineSeek(TCustomPlayer& player, PlaybackState* is, int flags, bool wait, int64_t relative, int64_t target);

// Threads.
void ReadThreadMain(PlaybackState* is);
void VideoThreadMain(PlaybackState* is);
void SubtitleThreadMain(PlaybackState* is);
void RefreshThreadMain(PlaybackState* is);
void AudioCallback(void* opaque, uint8_t* stream, int len);

// Stream components.
bool OpenStreamComponent(PlaybackState* is, int streamIndex);
void CloseStreamComponent(PlaybackState* is, int streamIndex);

// Clocks (seconds).
double SystemTimeSeconds();
int64_t SystemTimeUs();
double AudioClockNow(const PlaybackState* is);
double VideoClockNow(const PlaybackState* is);
double ExternalClockNow(const PlaybackState* is);
double MasterClockNow(const PlaybackState* is);
bool AudioIsMaster(const PlaybackState* is);

// Position reporting and end detection, after every refresh.
void PositionTick(PlaybackState* is);

// Audio correction: the size of the buffer after stretching or shortening.
int SynchronizeAudio(PlaybackState* is, int16_t* samples, int sizeBytes, int capacityBytes);

// Video side, run by the event loop on the play thread.
void AllocatePicture(PlaybackState* is);
void VideoRefresh(PlaybackState* is, bool isRefreshEvent);
// The target time of a picture with time `pts` (seconds); the queue's lock
// is held.
double ComputeTargetTime(PlaybackState* is, double pts);
// Moves the frame timer and the target of every queued picture on by
// `seconds`, the time the pictures stood still in a pause.
void DelayPictures(PlaybackState* is, double seconds);

// Waveform start: the ring index where the trace begins (VisualisationLock held).
int WaveformStartIndex(PlaybackState* is, int windowWidth);
