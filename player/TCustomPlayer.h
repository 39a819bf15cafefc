#pragma once
// The player component: plays one media file inside a host window (or a
// window of its own) through SDL2, and reports the file's opening, the
// position and the play state through events.
//
// A host widget hands over its native window: Open(file, widget->winId(), paused).
// The widget must not paint over SDL (WA_NativeWindow, WA_PaintOnScreen,
// WA_NoSystemBackground, WA_OpaquePaintEvent, paintEngine() returning nullptr);
// its paintEvent calls Repaint() and its resizeEvent ScreenResized(w, h).
// Open, Close, Pause, Resume, Seek and GetCurrentFrame belong to the main thread.
#include "media/Bitmap24.h"
#include "media/FrameToBitmap.h"
#include "media/ManualResetEvent.h"
#include "media/TFFBaseComponent.h"
#include "player/EventRing.h"
#include "player/PlayerOptions.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

class TAVProbe;
struct PlaybackState;
class SdlDisplay;
union SDL_Event;

enum TPlayState { psPlay, psPause, psResume, psStep, psStop, psEnd };
enum TAudioDriver { adDefault, adDirectSound, adWaveOut };
enum TVideoDriver { vdDefault, vdDirectDraw, vdGDI };
using TAudioVolume = int;  // 0 to 128

class TCustomPlayer;

// OnFileOpen(Sender, ADuration, AFrameWidth, AFrameHeight, var AScreenWidth, var AScreenHeight)
using TFileOpenEvent = std::function<void(TCustomPlayer* Sender, int64_t ADuration, int AFrameWidth, int AFrameHeight,
                                          int& AScreenWidth, int& AScreenHeight)>;
using TPositionEvent = std::function<void(TCustomPlayer* Sender, int64_t APTS)>;
using TPlayStateEvent = std::function<void(TCustomPlayer* Sender, TPlayState AState)>;
// Runs on the video decoding thread; may draw on ABitmap, which is written
// back into the picture.
using THookEvent = std::function<void(TCustomPlayer* Sender, Bitmap24* ABitmap, int64_t APTS)>;

// A native window handle (an X11 window id); 0 means none.
using TWindowHandle = uintptr_t;

class TCustomPlayer : public TFFBaseComponent {
public:
    TCustomPlayer();
    ~TCustomPlayer() override;

    std::string About;
    static std::string Version() { return "2.3"; }

    // Library access for PlayerLibraries; `folder` is the "LibAV" folder.
    bool AVLibLoaded() const;
    bool LoadAVLib(const std::string& folder);

    // Opens `fileName` and starts playing it into `screenHandle` (0: a window
    // of the player's own). With `openPaused` the first pictures are shown
    // and the player pauses.
    bool Open(const std::string& fileName, TWindowHandle screenHandle, bool openPaused = false);
    void Close(bool wait = true);
    void Pause();
    void Resume();
    void TogglePause();
    // `flags`: 2 byte position, 4 any frame, 1 backward; `position` in
    // microseconds from the start of the file (bytes with flag 2).
    void Seek(int flags, bool wait, int64_t position);
    // The picture on screen; valid until the next call. Empty without video.
    Bitmap24* GetCurrentFrame();
    Bitmap24* GetCurrentFrame(int64_t& pts);
    const std::string& LastErrMsg() const { return lastErrMsg_; }

    // The host window has been painted over or resized: present the last
    // picture again (from a paintEvent), or fit the video to a new size.
    void Repaint();
    void ScreenResized(int width, int height);

    // Published properties.
    float AspectRatio() const { return aspectRatio_; }
    void SetAspectRatio(float value);
    TAudioDriver AudioDriver = adDefault;
    TAudioVolume AudioVolume() const { return audioVolume_; }
    void SetAudioVolume(TAudioVolume value);
    bool DisableAudio = false;
    bool DisableVideo = false;
    bool DisableDisplay = false;
    bool Mute() const { return mute_; }
    void SetMute(bool value) { mute_ = value; }
    int FrameWidth = 0;
    int FrameHeight = 0;
    bool Hook = false;
    std::atomic<int> ScreenWidth{0};
    std::atomic<int> ScreenHeight{0};
    bool TriggerEventInMainThread = true;
    TVideoDriver VideoDriver = vdDefault;

    TFileOpenEvent OnFileOpen;
    TPositionEvent OnPosition;
    TPlayStateEvent OnState;
    THookEvent OnHook;

    // Run-time state.
    TPlayState State() const { return state_; }
    int64_t CurrentPosition() const { return currentPosition_; }
    const std::string& FileName() const { return fileName_; }
    TWindowHandle ScreenHandle() const { return screenHandle_; }
    TAVProbe& Probe() { return *probe_; }
    PlayerOptions& Options() { return options_; }
    void ResetOptions() { options_ = PlayerOptions(); }

    // Audio clock minus video clock in seconds while both streams play; false
    // when there is nothing to compare (a diagnostic for sync checks).
    bool AudioVideoClockDifference(double& seconds);

    // Engine side: used by the playback engine's threads, not by hosts.
    void SetState(TPlayState state);
    void PostEvent(const PlayerEvent& event);
    // Logs `text` at llError with the player as Sender; `store` keeps it in
    // LastErrMsg as well.
    void ReportError(const std::string& text, bool store);
    void SetLastErrMsg(const std::string& text) { lastErrMsg_ = text; }
    int64_t ReportedPosition() const { return reportedPosition_; }
    void SetReportedPosition(int64_t us) { reportedPosition_ = us; }
    void SetCurrentPosition(int64_t us) { currentPosition_ = us; }
    PlaybackState* Engine() const { return engine_; }
    // The player owns the engine from here; Engine() shows it to the threads.
    void SetEngine(std::unique_ptr<PlaybackState> engine);
    // Engine() is null from here; the caller frees the engine.
    std::unique_ptr<PlaybackState> TakeEngine();
    SdlDisplay* Display() const { return display_.get(); }
    FrameToBitmap& HookBitmap();
    ManualResetEvent& SeekDoneEvent() { return seekDoneEvent_; }
    ManualResetEvent& PictureEvent() { return pictureEvent_; }
    // Holds PlayerLock, serving main-thread calls while it waits: what is
    // done under it never meets the event loop halfway through an event.
    std::unique_lock<std::timed_mutex> HoldPlayerLock();
    std::atomic<int64_t> AudioCallbackTimeUs{0};

private:
    bool StartSdl(TWindowHandle handle);
    void StopSdl();
    void DoFileOpen();
    void EventThreadMain();
    void PlayThreadMain(TWindowHandle handle);
    void EventLoop();
    void HandleEvent(PlaybackState* is, const SDL_Event& event);
    // Takes PlayerLock, serving main-thread calls while it waits.
    void LockPlayer();
    void WaitPlayThreadServing(int timeoutMs);
    void JoinThreads(int timeoutMs);

    float aspectRatio_ = 0.0f;
    std::atomic<int> audioVolume_{128};
    std::atomic<bool> mute_{false};

    std::string fileName_;
    TWindowHandle screenHandle_ = 0;
    std::string lastErrMsg_;
    std::atomic<TPlayState> state_{psStop};
    std::atomic<int64_t> currentPosition_{0};
    std::atomic<int64_t> reportedPosition_{AV_NOPTS_VALUE};
    std::unique_ptr<TAVProbe> probe_;
    std::unique_ptr<FrameToBitmap> snapshotBitmap_;
    std::unique_ptr<FrameToBitmap> hookBitmap_;
    Bitmap24 noPicture_;  // GetCurrentFrame's answer when there is no picture to convert
    PlayerOptions options_;

    // The engine of the open file; nullptr while nothing is open. Set and
    // cleared only under playerLock_ once the play thread runs.
    std::unique_ptr<PlaybackState> ownedEngine_;
    std::atomic<PlaybackState*> engine_{nullptr};  // ownedEngine_, for the engine's threads
    std::unique_ptr<SdlDisplay> display_;  // used only on the play thread
    bool sdlStarted_ = false;

    std::timed_mutex playerLock_;  // PlayerLock: serialises the event loop against Close
    ManualResetEvent seekDoneEvent_{true};
    ManualResetEvent pictureEvent_{true};
    ManualResetEvent playThreadDoneEvent_{true};
    EventRing eventRing_;  // its own mutex and RingNotEmptyEvent

    std::thread eventThread_;
    std::thread playThread_;
    std::atomic<bool> eventThreadEnded_{true};

    // Hand-over between Open and the play thread while SDL's video starts.
    enum class PlayGate { Starting, Ready, Failed, Go, Cancel };
    std::mutex gateLock_;  // guards gate_, gateError_
    std::condition_variable gateChanged_;
    PlayGate gate_ = PlayGate::Starting;
    std::string gateError_;
};
