// Opening and shutting the engine down, pause and seek requests, and the
// refresh thread.
#include "media/EAssertionFailed.h"
#include "media/MainThreadCalls.h"
#include "player/PlaybackEngine.h"
#include "player/TCustomPlayer.h"

#include <chrono>
#include <memory>
#include <new>
#include <system_error>
#include <thread>

namespace {

void SleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// Sleeps 10 ms; on the main thread, lets queued main-thread calls run first.
void PollStep()
{
    if (MainThread().isMainThread())
        ProcessPendingMessages();
    SleepMs(10);
}

// Waits for `event` in 100 ms steps, serving the main thread meanwhile;
// false when the engine went away.
bool WaitServing(TCustomPlayer& player, PlaybackState* is, ManualResetEvent& event)
{
    while (!event.WaitFor(100)) {
        if (MainThread().isMainThread())
            ProcessPendingMessages();
        if (player.Engine() != is)
            return false;
    }
    return true;
}

}  // namespace

const EngineEvents& EngineEventTypes()
{
    static const EngineEvents events = [] {
        const Uint32 base = SDL_RegisterEvents(6);
        return EngineEvents{base, base + 1, base + 2, base + 3, base + 4, base + 5};
    }();
    return events;
}

void PushEngineEvent(uint32_t type, void* data)
{
    SDL_Event event{};
    event.type = type;
    event.user.data1 = data;
    SDL_PushEvent(&event);
}

bool EngineOpen(TCustomPlayer& player, const std::string& fileName, bool openPaused)
{
    MediaAssert(player.Engine() == nullptr, "FFPlay", "an engine is already open");
    std::unique_ptr<PlaybackState> state{new (std::nothrow) PlaybackState};
    if (!state) {
        player.ReportError("av_mallocz() failed.", true);
        return false;
    }
    PlaybackState* is = state.get();
    is->Player = &player;
    if (openPaused) {
        is->Paused = true;
        is->PausedAtSeconds = SystemTimeSeconds();
        is->OpenedPaused = 1;
    }
    is->FileName = fileName;
    is->WindowLeft = 0;
    is->WindowTop = 0;
    is->MasterClockChoice = player.Options().MasterClock;
    is->FrameTimer = SystemTimeSeconds();
    try {
        is->ReadThread = std::thread(ReadThreadMain, is);
    } catch (const std::system_error&) {
        player.ReportError("SDL_CreateThread() failed.", true);
        return false;
    }
    while (is->OpenResult == 0)
        PollStep();
    if (is->OpenResult == 1) {
        player.SetEngine(std::move(state));
        if (!is->VideoStream && !player.DisableDisplay)
            is->VisualisationMode = player.Options().VisualisationMode;
        is->RefreshThread = std::thread(RefreshThreadMain, is);
        return true;
    }
    while (is->OpenResult == -1)
        PollStep();
    is->ReadThread.join();
    player.ResetOptions();
    return false;
}

void EngineShutdown(TCustomPlayer& player)
{
    PlaybackState* is = player.Engine();
    if (!is)
        return;
    is->AbortRequest = true;
    if (is->RefreshThread.joinable())
        is->RefreshThread.join();
    if (is->ReadThread.joinable())
        is->ReadThread.join();
    {
        std::lock_guard guard(is->Pictures.Lock);
        for (VideoPicture& vp : is->Pictures.Pictures)
            vp.Overlay.reset();
        is->Pictures.ShownOverlay.reset();
        is->Pictures.SpareOverlay.reset();
    }
    {
        std::lock_guard guard(is->Subpictures.Lock);
        while (is->Subpictures.Count > 0)
            DropHeadSubtitle(is->Subpictures);
    }
    player.TakeEngine().reset();
    player.ResetOptions();
}

void EngineTogglePause(TCustomPlayer& player, PlaybackState* is)
{
    if (!player.SeekDoneEvent().WaitFor(250))
        player.SeekDoneEvent().Set();
    if (player.Engine() != is)
        return;
    const bool pausing = !is->Paused;
    if (pausing && is->VideoStream) {
        if (!player.PictureEvent().WaitFor(250))
            player.PictureEvent().Set();
    }
    // between two refreshes: no picture is half way onto the screen, and the
    // clocks are not read while they change
    const std::unique_lock held = player.HoldPlayerLock();
    if (player.Engine() != is)
        return;
    const double now = SystemTimeSeconds();
    if (!pausing) {
        double stood;
        if (is->PictureShown) {
            stood = now + is->VideoCurrentPtsDrift - is->VideoCurrentPts;
            if (is->ReadPauseResult != AVERROR(ENOSYS))
                is->VideoCurrentPts = is->VideoCurrentPtsDrift + now;
            is->VideoCurrentPtsDrift = is->VideoCurrentPts - now;
        } else {
            // no picture to measure from yet: the pause itself
            stood = now - is->PausedAtSeconds;
        }
        // the pictures waiting keep their places after the one on screen
        DelayPictures(is, stood);
        is->Paused = false;
        return;
    }
    // the clock stops where it stands rather than falling back to the time
    // of the picture on screen, so the position does not step back either
    is->VideoCurrentPts = VideoClockNow(is);
    is->PausedAtSeconds = now;
    is->Paused = true;
    // report the standing position ahead of the pause itself
    PositionTick(is);
}

void EngineSeek(TCustomPlayer& player, PlaybackState* is, int flags, bool wait, int64_t relative, int64_t target)
{
    if (is->SeekRequest)
        return;
    is->SeekPaused = is->Paused.load();
    is->SeekTarget = target;
    is->SeekRelative = relative;
    is->SeekFlags = flags & 0xF;
    is->SeekExact = !(flags & AVSEEK_FLAG_BYTE) && relative == 0 && target > is->StartTimeUs;
    player.SeekDoneEvent().Reset();
    is->SeekRequest = true;
    if (!wait)
        return;
    if (!WaitServing(player, is, player.SeekDoneEvent()))
        return;
    if (is->VideoStream)
        WaitServing(player, is, player.PictureEvent());
}

void RefreshThreadMain(PlaybackState* is)
{
    while (!is->AbortRequest) {
        if (!is->RefreshPending.exchange(true))
            PushEngineEvent(EngineEventTypes().Refresh);
        const bool waveform = is->AudioStream && is->VisualisationMode;
        SleepMs(waveform ? is->Player->Options().VisualisationRefreshMs : 5);
    }
    SDL_TLSCleanup();
}
