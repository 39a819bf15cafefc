#include "player/TCustomPlayer.h"

#include "media/MainThreadCalls.h"
#include "media/TAVProbe.h"
#include "media/TFFLogger.h"
#include "media/TFFmpegLoader.h"
#include "player/Display.h"
#include "player/PlaybackEngine.h"

#include <SDL.h>

#include <chrono>
#include <cmath>
#include <cstdlib>

namespace {

const char* AudioDriverName(TAudioDriver driver)
{
    switch (driver) {
    case adDirectSound:
        return "pulseaudio";
    case adWaveOut:
        return "alsa";
    default:
        return nullptr;
    }
}

const char* VideoDriverName(TVideoDriver driver) { return driver == vdDefault ? nullptr : "x11"; }

void ServeMainThread()
{
    if (MainThread().isMainThread())
        ProcessPendingMessages();
}

}  // namespace

TCustomPlayer::TCustomPlayer() : probe_(std::make_unique<TAVProbe>()) {}

void TCustomPlayer::SetEngine(std::unique_ptr<PlaybackState> engine)
{
    ownedEngine_ = std::move(engine);
    engine_ = ownedEngine_.get();
}

std::unique_ptr<PlaybackState> TCustomPlayer::TakeEngine()
{
    engine_ = nullptr;
    return std::move(ownedEngine_);
}

TCustomPlayer::~TCustomPlayer()
{
    OnPosition = nullptr;
    OnState = nullptr;
    OnHook = nullptr;
    Close(true);
}

bool TCustomPlayer::AVLibLoaded() const { return GetFFmpegLoader().Loaded(PlayerLibraries); }

bool TCustomPlayer::LoadAVLib(const std::string& folder)
{
    GetFFmpegLoader().SetLibraryPath(folder);
    return GetFFmpegLoader().Load(PlayerLibraries);
}

void TCustomPlayer::ReportError(const std::string& text, bool store)
{
    GetFFLogger().Log(this, llError, text);
    if (store)
        lastErrMsg_ = text;
}

FrameToBitmap& TCustomPlayer::HookBitmap()
{
    if (!hookBitmap_)
        hookBitmap_ = std::make_unique<FrameToBitmap>();
    return *hookBitmap_;
}

void TCustomPlayer::SetAspectRatio(float value)
{
    if (value == aspectRatio_)
        return;
    aspectRatio_ = value;
    if (engine_)
        PushEngineEvent(EngineEventTypes().Aspect);
}

void TCustomPlayer::SetAudioVolume(TAudioVolume value) { audioVolume_ = std::clamp(value, 0, SDL_MIX_MAXVOLUME); }

void TCustomPlayer::Repaint()
{
    if (engine_)
        PushEngineEvent(EngineEventTypes().Redraw);
}

void TCustomPlayer::ScreenResized(int width, int height)
{
    if (!engine_ || width <= 0 || height <= 0)
        return;
    SDL_Event event{};
    event.type = EngineEventTypes().Resize;
    event.user.code = width;
    event.user.data1 = reinterpret_cast<void*>(static_cast<intptr_t>(height));
    SDL_PushEvent(&event);
}

bool TCustomPlayer::StartSdl(TWindowHandle handle)
{
    if (SDL_InitSubSystem(SDL_INIT_TIMER | SDL_INIT_AUDIO | SDL_INIT_EVENTS) != 0 &&
        SDL_InitSubSystem(SDL_INIT_TIMER | SDL_INIT_EVENTS) != 0) {
        ReportError("Could not initialize SDL with ScreenHandle(" + std::to_string(handle) + "): " + SDL_GetError(),
                    true);
        return false;
    }
    sdlStarted_ = true;
    EngineEventTypes();
    {
        std::lock_guard guard(gateLock_);
        gate_ = PlayGate::Starting;
        gateError_.clear();
    }
    display_ = std::make_unique<SdlDisplay>();
    playThreadDoneEvent_.Reset();
    playThread_ = std::thread(&TCustomPlayer::PlayThreadMain, this, handle);
    std::unique_lock guard(gateLock_);
    while (gate_ == PlayGate::Starting) {
        guard.unlock();
        ServeMainThread();
        guard.lock();
        gateChanged_.wait_for(guard, std::chrono::milliseconds(10));
    }
    if (gate_ == PlayGate::Failed) {
        const std::string error = gateError_;
        guard.unlock();
        playThread_.join();
        ReportError(error == "SDL_GetVideoInfo() failed"
                        ? error
                        : "Could not initialize SDL with ScreenHandle(" + std::to_string(handle) + "): " + error,
                    true);
        StopSdl();
        return false;
    }
    if (handle) {
        if (const char* audio = SDL_GetCurrentAudioDriver())
            GetFFLogger().LogFmt(this, llDebug, "using audio driver: %s\n", audio);
    }
    return true;
}

void TCustomPlayer::StopSdl()
{
    if (playThread_.joinable()) {
        {
            std::lock_guard guard(gateLock_);
            if (gate_ == PlayGate::Ready)
                gate_ = PlayGate::Cancel;
        }
        gateChanged_.notify_all();
        playThread_.join();
    }
    display_.reset();
    if (sdlStarted_) {
        SDL_QuitSubSystem(SDL_INIT_TIMER | SDL_INIT_AUDIO | SDL_INIT_EVENTS);
        // the last user of SDL in the process frees what SDL keeps for itself
        if (SDL_WasInit(SDL_INIT_EVERYTHING) == 0)
            SDL_Quit();
    }
    sdlStarted_ = false;
}

bool TCustomPlayer::Open(const std::string& fileName, TWindowHandle screenHandle, bool openPaused)
{
    if (!AVLibLoaded()) {
        ReportError("libav or libsdl not loaded.", true);
        return false;
    }
    Close(true);
    if (const char* audio = AudioDriverName(AudioDriver))
        setenv("SDL_AUDIODRIVER", audio, 1);
    if (const char* video = VideoDriverName(VideoDriver))
        setenv("SDL_VIDEODRIVER", video, 1);
    if (DisableDisplay)
        DisableVideo = true;
    if (!StartSdl(screenHandle))
        return false;
    SDL_EventState(SDL_MOUSEMOTION, SDL_IGNORE);
    SDL_EventState(SDL_SYSWMEVENT, SDL_IGNORE);
    reportedPosition_ = AV_NOPTS_VALUE;
    currentPosition_ = 0;
    seekDoneEvent_.Set();
    pictureEvent_.Set();
    eventRing_.Clear();
    if (!EngineOpen(*this, fileName, openPaused)) {
        StopSdl();
        return false;
    }
    fileName_ = fileName;
    screenHandle_ = screenHandle;
    probe_->Attach(engine_.load()->Format);
    if (TriggerEventInMainThread)
        RunInMainThread([this] { DoFileOpen(); });
    else
        DoFileOpen();
    eventThreadEnded_ = false;
    eventThread_ = std::thread(&TCustomPlayer::EventThreadMain, this);
    {
        std::lock_guard guard(gateLock_);
        gate_ = PlayGate::Go;
    }
    gateChanged_.notify_all();
    return true;
}

void TCustomPlayer::DoFileOpen()
{
    if (snapshotBitmap_)
        snapshotBitmap_->Reset();
    if (hookBitmap_)
        hookBitmap_->Reset();
    PlaybackState* is = engine_;
    if (!is)
        return;
    if (OnFileOpen) {
        int64_t duration = is->DurationUs;
        if (is->IsImage2)
            duration = 0;
        int frameWidth = -1;
        int frameHeight = -1;
        if (is->VideoStream && is->VideoStream.load()->codecpar->width > 0) {
            frameWidth = is->VideoStream.load()->codecpar->width;
            frameHeight = is->VideoStream.load()->codecpar->height;
        }
        int screenWidth = ScreenWidth;
        int screenHeight = ScreenHeight;
        OnFileOpen(this, duration, frameWidth, frameHeight, screenWidth, screenHeight);
        ScreenWidth = screenWidth;
        ScreenHeight = screenHeight;
    }
    if (screenHandle_ && display_ && (ScreenWidth == 0 || ScreenHeight == 0)) {
        ScreenWidth = display_->InitialWidth();
        ScreenHeight = display_->InitialHeight();
    }
}

void TCustomPlayer::LockPlayer()
{
    // timed on the system clock: ThreadSanitizer cannot see a lock taken by the
    // steady-clock wait (pthread_mutex_clocklock) and then reports its unlock
    while (!playerLock_.try_lock_until(std::chrono::system_clock::now() + std::chrono::milliseconds(20)))
        ServeMainThread();
}

std::unique_lock<std::timed_mutex> TCustomPlayer::HoldPlayerLock()
{
    LockPlayer();
    return std::unique_lock<std::timed_mutex>(playerLock_, std::adopt_lock);
}

void TCustomPlayer::Close(bool wait)
{
    PlaybackState* is = engine_;
    if (is && is->Paused)
        EngineTogglePause(*this, is);
    if (sdlStarted_)
        PushEngineEvent(EngineEventTypes().Quit);
    if (!wait)
        return;
    int attempts = 0;
    for (;;) {
        if (playThreadDoneEvent_.WaitFor(100))
            break;
        ServeMainThread();
        if (!engine_)
            break;
        if (!playerLock_.try_lock_until(std::chrono::system_clock::now() + std::chrono::milliseconds(100)))
            continue;
        PlaybackState* current = engine_;
        if (!current) {
            playerLock_.unlock();
            break;
        }
        ++attempts;
        // a read blocked on the input gets fewer chances to see the quit event
        if ((attempts <= 10 || !current->ReadInProgress) && attempts <= 20) {
            PushEngineEvent(EngineEventTypes().Quit);
            playerLock_.unlock();
            continue;
        }
        EngineShutdown(*this);
        playerLock_.unlock();
        break;
    }
    JoinThreads(5000);
    StopSdl();
}

void TCustomPlayer::JoinThreads(int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!playThreadDoneEvent_.WaitFor(10) && std::chrono::steady_clock::now() < deadline)
        ServeMainThread();
    if (playThreadDoneEvent_.IsSet() && playThread_.joinable())
        playThread_.join();
    if (eventThread_.joinable()) {
        while (!eventThreadEnded_ && std::chrono::steady_clock::now() < deadline) {
            ServeMainThread();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        if (!eventThreadEnded_) {
            // the host never let the last state through: end the thread anyway
            eventRing_.Post({PlayerEventKind::Stop, 0});
            while (!eventThreadEnded_) {
                ServeMainThread();
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        }
        eventThread_.join();
    }
}

void TCustomPlayer::Pause()
{
    PlaybackState* is = engine_;
    if (!is || is->Paused)
        return;
    EngineTogglePause(*this, is);
    SetState(psPause);
}

void TCustomPlayer::Resume()
{
    PlaybackState* is = engine_;
    if (!is || !is->Paused)
        return;
    EngineTogglePause(*this, is);
    SetState(psResume);
}

void TCustomPlayer::TogglePause()
{
    PlaybackState* is = engine_;
    if (!is)
        return;
    EngineTogglePause(*this, is);
    SetState(is->Paused ? psPause : psResume);
}

void TCustomPlayer::Seek(int flags, bool wait, int64_t position)
{
    PlaybackState* is = engine_;
    if (!is)
        return;
    if (flags & AVSEEK_FLAG_BYTE) {
        EngineSeek(*this, is, flags, wait, 0, position);
        return;
    }
    int64_t target = position;
    AVFormatContext* ic = is->Format;
    if (ic && ic->duration != AV_NOPTS_VALUE && target > ic->duration)
        target = ic->duration;
    if (ic && ic->start_time != AV_NOPTS_VALUE)
        target += ic->start_time;
    EngineSeek(*this, is, flags, wait, position <= 0 ? 1 : 0, target);
}

Bitmap24* TCustomPlayer::GetCurrentFrame()
{
    int64_t pts = 0;
    return GetCurrentFrame(pts);
}

Bitmap24* TCustomPlayer::GetCurrentFrame(int64_t& pts)
{
    if (!snapshotBitmap_)
        snapshotBitmap_ = std::make_unique<FrameToBitmap>();
    pts = -1;
    LockPlayer();
    std::unique_lock<std::timed_mutex> held(playerLock_, std::adopt_lock);
    PlaybackState* is = engine_;
    if (!is || !is->VideoStream) {
        noPicture_.SetSize(0, 0);
        return &noPicture_;
    }
    noPicture_.SetSize(is->VideoStream.load()->codecpar->width, is->VideoStream.load()->codecpar->height);
    std::fill(noPicture_.Bytes(), noPicture_.Bytes() + size_t(noPicture_.Stride()) * noPicture_.Height(), uint8_t(0));
    std::shared_ptr<YuvOverlay> overlay;
    double pictureTime = 0;
    {
        const PictureQueue& q = is->Pictures;
        std::lock_guard guard(is->Pictures.Lock);
        if (q.ShownOverlay) {
            overlay = q.ShownOverlay;
            pictureTime = q.ShownPts;
        } else {
            // nothing shown yet: the picture about to be
            overlay = q.Pictures[q.ReadIndex].Overlay;
            pictureTime = q.Pictures[q.ReadIndex].Pts;
        }
    }
    pts = std::llround(pictureTime * 1e6) - is->StartTimeUs;
    if (!overlay)
        return &noPicture_;
    std::lock_guard pixels(overlay->Lock());
    const uint8_t* data[4] = {overlay->Plane(0), overlay->Plane(2), overlay->Plane(1), nullptr};
    const int linesize[4] = {overlay->Pitch(0), overlay->Pitch(2), overlay->Pitch(1), 0};
    if (!snapshotBitmap_->Convert(data, linesize, AV_PIX_FMT_YUV420P, overlay->Height(), overlay->Width()) ||
        !snapshotBitmap_->Bitmap()) {
        noPicture_.SetSize(0, 0);
        return &noPicture_;
    }
    return snapshotBitmap_->Bitmap();
}

bool TCustomPlayer::AudioVideoClockDifference(double& seconds)
{
    LockPlayer();
    std::unique_lock<std::timed_mutex> held(playerLock_, std::adopt_lock);
    PlaybackState* is = engine_;
    if (!is || !is->AudioStream || !is->VideoStream || !is->PictureShown || is->Paused)
        return false;
    seconds = AudioClockNow(is) - VideoClockNow(is);
    return true;
}

void TCustomPlayer::SetState(TPlayState state)
{
    state_ = state;
    if (OnState)
        PostEvent({PlayerEventKind::State, state});
    else if (state == psStop)
        PostEvent({PlayerEventKind::Stop, 0});
}

void TCustomPlayer::PostEvent(const PlayerEvent& event) { eventRing_.Post(event); }

void TCustomPlayer::EventThreadMain()
{
    bool running = true;
    while (running) {
        PlayerEvent event;
        while (running && eventRing_.Take(event)) {
            std::function<void()> call;
            switch (event.Kind) {
            case PlayerEventKind::Position:
                currentPosition_ = event.Value;
                call = [this, position = event.Value] {
                    if (OnPosition)
                        OnPosition(this, position);
                };
                break;
            case PlayerEventKind::State:
                state_ = static_cast<TPlayState>(event.Value);
                call = [this, state = static_cast<TPlayState>(event.Value)] {
                    if (OnState)
                        OnState(this, state);
                };
                running = event.Value != psStop;
                break;
            case PlayerEventKind::Stop:
                running = false;
                break;
            }
            if (call) {
                if (TriggerEventInMainThread)
                    RunInMainThread(call);
                else
                    call();
            }
        }
        if (running)
            eventRing_.WaitNotEmpty(100);
    }
    eventThreadEnded_ = true;
}

void TCustomPlayer::PlayThreadMain(TWindowHandle handle)
{
    std::string error;
    const bool started = DisableDisplay ? true : display_->Start(handle, error);
    {
        std::lock_guard guard(gateLock_);
        gate_ = started ? PlayGate::Ready : PlayGate::Failed;
        gateError_ = error;
        gateChanged_.notify_all();
    }
    if (!started) {
        SDL_TLSCleanup();
        playThreadDoneEvent_.Set();
        return;
    }
    if (handle && display_->Started()) {
        if (const char* video = SDL_GetCurrentVideoDriver())
            GetFFLogger().LogFmt(this, llDebug, "using video driver: %s\n", video);
    }
    {
        std::unique_lock guard(gateLock_);
        gateChanged_.wait(guard, [this] { return gate_ == PlayGate::Go || gate_ == PlayGate::Cancel; });
        if (gate_ == PlayGate::Cancel) {
            guard.unlock();
            display_->Stop();
            SDL_TLSCleanup();
            playThreadDoneEvent_.Set();
            return;
        }
    }
    SetState(psPlay);
    {
        // opened paused: the pause is reported after the second picture, so
        // without a picture stream (sound only, video disabled) report it now
        std::lock_guard<std::timed_mutex> guard(playerLock_);
        PlaybackState* is = engine_;
        if (is && is->OpenedPaused && !is->VideoStream) {
            is->OpenedPaused = 0;
            SetState(psPause);
        }
    }
    try {
        EventLoop();
    } catch (const std::exception& e) {
        GetFFLogger().Log(this, llFatal, std::string("PlayThread Exception: ") + e.what());
        std::lock_guard<std::timed_mutex> guard(playerLock_);
        EngineShutdown(*this);
    }
    display_->Stop();
    SetState(psStop);
    // SDL keeps per-thread data for threads it did not create
    SDL_TLSCleanup();
    playThreadDoneEvent_.Set();
}

void TCustomPlayer::EventLoop()
{
    for (;;) {
        SDL_Event event;
        // a foreign window does not wake SDL_WaitEvent for pushed events
        const bool got = SDL_WaitEventTimeout(&event, 10) != 0;
        std::lock_guard<std::timed_mutex> guard(playerLock_);
        PlaybackState* is = engine_;
        if (!is)
            return;
        if (!got)
            continue;
        const EngineEvents& types = EngineEventTypes();
        if (event.type == SDL_QUIT || event.type == types.Quit) {
            EngineShutdown(*this);
            return;
        }
        HandleEvent(is, event);
    }
}

void TCustomPlayer::HandleEvent(PlaybackState* is, const SDL_Event& event)
{
    const EngineEvents& types = EngineEventTypes();
    SdlDisplay* display = display_.get();
    if (event.type == types.Alloc) {
        AllocatePicture(is);
    } else if (event.type == types.Refresh) {
        is->RefreshPending = false;
        VideoRefresh(is, true);
    } else if (event.type == types.Aspect) {
        if (display) {
            display->SetVideoMode(is, true);
            display->Redraw(is);
        }
    } else if (event.type == types.Resize) {
        ScreenWidth = event.user.code;
        ScreenHeight = static_cast<int>(reinterpret_cast<intptr_t>(event.user.data1));
        if (display) {
            display->SetVideoMode(is, true);
            display->Redraw(is);
        }
    } else if (event.type == types.Redraw) {
        if (display)
            display->Redraw(is);
    } else if (event.type == SDL_WINDOWEVENT) {
        if (event.window.event == SDL_WINDOWEVENT_EXPOSED && display)
            display->Redraw(is);
    }
}
