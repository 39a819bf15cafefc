// The consumer side of the picture queue, on the event loop: overlay
// allocation, target times and the refresh that shows each picture on time.
#include "player/Display.h"
#include "player/PlaybackEngine.h"
#include "player/TCustomPlayer.h"

#include <cmath>

namespace {
constexpr double kSyncThreshold = 0.01;
constexpr double kNoSyncThreshold = 10.0;

void DequeueHead(PictureQueue& q, bool shown)
{
    std::lock_guard guard(q.Lock);
    if (shown) {
        q.ShownOverlay = q.Pictures[q.ReadIndex].Overlay;
        q.ShownPts = q.Pictures[q.ReadIndex].Pts;
    }
    q.ReadIndex = (q.ReadIndex + 1) % PictureQueue::kSize;
    q.Count--;
    q.Changed.notify_all();
}

// Frees subtitles whose time is over at picture time `pts`.
void ExpireSubtitles(PlaybackState* is, double pts)
{
    SubpictureQueue& sq = is->Subpictures;
    std::lock_guard guard(sq.Lock);
    if (sq.StreamChanged) {
        while (sq.Count > 0)
            DropHeadSubtitle(sq);
        sq.StreamChanged = false;
        return;
    }
    while (sq.Count > 0) {
        const SubPicture& head = sq.Pictures[sq.ReadIndex];
        const bool ended = pts > head.Pts + head.Sub.end_display_time / 1000.0;
        bool nextStarted = false;
        if (sq.Count > 1) {
            const SubPicture& next = sq.Pictures[(sq.ReadIndex + 1) % SubpictureQueue::kSize];
            nextStarted = pts > next.Pts + next.Sub.start_display_time / 1000.0;
        }
        if (!ended && !nextStarted)
            break;
        DropHeadSubtitle(sq);
    }
}
}  // namespace

void AllocatePicture(PlaybackState* is)
{
    SdlDisplay* display = is->Player->Display();
    if (display)
        display->SetVideoMode(is, false);
    PictureQueue& q = is->Pictures;
    std::lock_guard guard(q.Lock);
    VideoPicture& vp = q.Pictures[q.WriteIndex];
    if (vp.Width > 0 && vp.Height > 0)
        vp.Overlay = std::make_shared<YuvOverlay>(vp.Width, vp.Height);
    vp.Allocated = true;
    q.Changed.notify_all();
}

double ComputeTargetTime(PlaybackState* is, double pts)
{
    double delay = pts - is->FrameLastPts;
    if (delay <= 0 || delay >= kNoSyncThreshold)
        delay = is->FrameLastDelay;
    else
        is->FrameLastDelay = delay;
    is->FrameLastPts = pts;
    if (AudioIsMaster(is) || is->MasterClockChoice == scExternalMaster) {
        const double diff = VideoClockNow(is) - MasterClockNow(is);
        const double threshold = std::max(kSyncThreshold, delay);
        if (std::fabs(diff) < kNoSyncThreshold) {
            if (diff <= -threshold)
                delay = 0;
            else if (diff >= threshold)
                delay = 2 * delay;
        }
    }
    is->FrameTimer = is->FrameTimer + delay;
    return is->FrameTimer;
}

void DelayPictures(PlaybackState* is, double seconds)
{
    PictureQueue& q = is->Pictures;
    std::lock_guard guard(q.Lock);
    is->FrameTimer = is->FrameTimer + seconds;
    for (int i = 0; i < q.Count; ++i) {
        VideoPicture& vp = q.Pictures[(q.ReadIndex + i) % PictureQueue::kSize];
        vp.TargetClock += seconds;
    }
}

void VideoRefresh(PlaybackState* is, bool isRefreshEvent)
{
    SdlDisplay* display = is->Player->Display();
    bool dropped = false;
    if (is->VideoStream) {
        PictureQueue& q = is->Pictures;
        for (;;) {
            std::unique_lock guard(q.Lock);
            // a pause holds the picture on screen and the clock with it; only
            // a picture the screen still owes comes through, and pictures a
            // seek left behind still go
            const bool held = is->Paused && !is->PictureOwed && !is->JustSeeked;
            if (q.Count == 0 || held) {
                guard.unlock();
                if (!isRefreshEvent && display)
                    display->Redraw(is);
                break;
            }
            VideoPicture& vp = q.Pictures[q.ReadIndex];
            const double now = SystemTimeSeconds();
            if (now < vp.TargetClock)
                return;
            double nextTarget;
            if (q.Count > 1) {
                // a later picture never has an earlier target; keep it so
                nextTarget = std::max(q.Pictures[(q.ReadIndex + 1) % PictureQueue::kSize].TargetClock, vp.TargetClock);
            } else {
                nextTarget = vp.TargetClock + is->VideoClock - vp.Pts;
            }
            const int waiting = q.Count;
            guard.unlock();

            is->VideoCurrentPts = vp.Pts;
            is->VideoCurrentPtsDrift = vp.Pts - now;
            is->VideoCurrentPos = vp.Pos;

            // nothing is late while the clock stands: the owed picture is the head
            const bool late =
                is->Player->Options().FrameDropping && !is->IsCaptureDevice && !is->Paused && now > nextTarget;
            if (late || is->JustSeeked) {
                is->SkipFactor = is->SkipFactor * 1.05f;
                if (waiting > 1 || now > nextTarget + 0.5 || is->JustSeeked) {
                    DequeueHead(q, false);
                    dropped = true;
                    continue;
                }
            }
            if (is->SubtitleStream)
                ExpireSubtitles(is, vp.Pts);
            if (display)
                display->ShowPicture(is, vp);
            is->PictureShown = true;
            is->PictureOwed = false;
            DequeueHead(q, true);
            break;
        }
    } else if (is->AudioStream && display) {
        display->ShowWaveform(is);
    }
    if (!dropped)
        PositionTick(is);
}
