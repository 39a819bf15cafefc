// The video decoding thread: packets to pictures, through the filter graph,
// into the picture queue; the frame hook runs here.
#include "media/FrameToBitmap.h"
#include "media/TFFLogger.h"
#include "player/PlaybackEngine.h"
#include "player/TCustomPlayer.h"
#include "player/VideoFilter.h"

extern "C" {
#include <libavutil/imgutils.h>
}

#include <chrono>
#include <cmath>
#include <thread>

namespace {

// Converts the hook's bitmap back into the overlay.
struct HookWriteBack {
    SwsContextPtr scaler;
    bool Write(const Bitmap24& bitmap, YuvOverlay& overlay, int flags)
    {
        scaler.reset(sws_getCachedContext(scaler.release(), bitmap.Width(), bitmap.Height(), AV_PIX_FMT_BGR24,
                                          overlay.Width(), overlay.Height(), AV_PIX_FMT_YUV420P, flags, nullptr,
                                          nullptr, nullptr));
        if (!scaler)
            return false;
        const uint8_t* src[4] = {bitmap.Bytes(), nullptr, nullptr, nullptr};
        const int srcStride[4] = {bitmap.Stride(), 0, 0, 0};
        uint8_t* dst[4] = {overlay.Plane(0), overlay.Plane(2), overlay.Plane(1), nullptr};
        const int dstStride[4] = {overlay.Pitch(0), overlay.Pitch(2), overlay.Pitch(1), 0};
        sws_scale(scaler.get(), src, srcStride, 0, bitmap.Height(), dst, dstStride);
        return true;
    }
};

struct VideoThreadContext {
    PlaybackState* is;
    VideoFilter filter;
    HookWriteBack writeBack;
    AVFramePtr decoded{av_frame_alloc()};
    AVFramePtr filtered{av_frame_alloc()};
    double frameDuration = 0.04;
    int openedPausedPictures = 0;
    // a flush was met and its seek not yet seen through: kept here, as the
    // shared mark is cleared by the read thread after it queues the flush
    // and may land after this thread has already handled it
    bool flushed = false;
    // Pictures before this time (seconds) are decoded, not shown: the seek's
    // target, until the first picture at or after it. NAN: show everything.
    double showFrom = NAN;
    // The latest picture passed over before the target, shown should the
    // stream end before it.
    AVFramePtr passedOver{av_frame_alloc()};
    double passedOverPts = 0;
    int64_t passedOverPos = -1;
};

void RunFrameHook(VideoThreadContext& ctx, const AVFrame* picture, YuvOverlay& overlay, double pts)
{
    PlaybackState* is = ctx.is;
    TCustomPlayer* player = is->Player;
    if (!player->Hook || !player->OnHook)
        return;
    FrameToBitmap& converter = player->HookBitmap();
    if (!converter.Convert(picture) || !converter.Bitmap()) {
        GetFFLogger().Log(player, llError, "Cannot initialize the toRGB conversion context");
        return;
    }
    Bitmap24* bitmap = converter.Bitmap();
    const int64_t ptsUs = std::llround(pts * 1e6) - is->StartTimeUs;
    try {
        player->OnHook(player, bitmap, ptsUs);
    } catch (const std::exception& e) {
        GetFFLogger().Log(player, llError, std::string("Error occurs OnHook: ") + e.what());
        return;
    } catch (...) {
        GetFFLogger().Log(player, llError, "Error occurs OnHook: ");
        return;
    }
    if (!ctx.writeBack.Write(*bitmap, overlay, SWS_BICUBIC))
        GetFFLogger().Log(player, llError, "Cannot initialize the fromRGB conversion context");
}

// Waits for a free entry, has its overlay allocated by the event loop when
// needed, copies the picture in and queues it. -1 when the queue is aborted.
int QueuePicture(VideoThreadContext& ctx, const AVFrame* picture, double pts, int64_t pos)
{
    PlaybackState* is = ctx.is;
    PictureQueue& q = is->Pictures;
    {
        std::unique_lock guard(q.Lock);
        if (q.Count >= PictureQueue::kSize && !is->RefreshPending)
            is->SkipFactor = std::max(0.95f * is->SkipFactor, 0.95f);
        q.Changed.wait(guard, [&] { return q.Count < PictureQueue::kSize || is->VideoQueue.Aborted(); });
        if (is->VideoQueue.Aborted())
            return -1;
    }
    VideoPicture& vp = q.Pictures[q.WriteIndex];
    const int width = picture->width & ~1;
    const int height = picture->height & ~1;
    if (!vp.Overlay || vp.Width != width || vp.Height != height) {
        {
            std::lock_guard guard(q.Lock);
            vp.Allocated = false;
            vp.Width = width;
            vp.Height = height;
            vp.PixelFormat = static_cast<AVPixelFormat>(picture->format);
        }
        PushEngineEvent(EngineEventTypes().Alloc);
        std::unique_lock guard(q.Lock);
        q.Changed.wait(guard, [&] { return vp.Allocated || is->VideoQueue.Aborted(); });
        if (is->VideoQueue.Aborted())
            return -1;
    }
    std::shared_ptr<YuvOverlay> overlay;
    {
        std::lock_guard guard(q.Lock);
        if (vp.Overlay && vp.Overlay == q.ShownOverlay) {
            // the picture on screen stays as shown: this one goes into the spare
            if (!q.SpareOverlay || q.SpareOverlay->Width() != vp.Width || q.SpareOverlay->Height() != vp.Height)
                q.SpareOverlay = std::make_shared<YuvOverlay>(vp.Width, vp.Height);
            std::swap(vp.Overlay, q.SpareOverlay);
        }
        overlay = vp.Overlay;
    }
    if (!overlay)
        return -1;
    {
        std::lock_guard pixels(overlay->Lock());
        av_image_copy_plane(overlay->Plane(0), overlay->Pitch(0), picture->data[0], picture->linesize[0], width,
                            height);
        av_image_copy_plane(overlay->Plane(2), overlay->Pitch(2), picture->data[1], picture->linesize[1],
                            (width + 1) / 2, (height + 1) / 2);
        av_image_copy_plane(overlay->Plane(1), overlay->Pitch(1), picture->data[2], picture->linesize[2],
                            (width + 1) / 2, (height + 1) / 2);
        RunFrameHook(ctx, picture, *overlay, pts);
    }
    std::lock_guard guard(q.Lock);
    // the first picture after a flush is due now, not when the flush was met:
    // decoding it took a while, and the pictures after it keep their spacing
    if (is->FrameLastPts == static_cast<double>(AV_NOPTS_VALUE))
        is->FrameTimer = SystemTimeSeconds();
    const double target = ComputeTargetTime(is, pts);
    vp.Pts = pts;
    vp.Pos = pos;
    vp.SampleAspect = picture->sample_aspect_ratio;
    q.WriteIndex = (q.WriteIndex + 1) % PictureQueue::kSize;
    vp.TargetClock = target;
    q.Count++;
    return 0;
}

int OutputPicture(VideoThreadContext& ctx, const AVFrame* picture, double pts, int64_t pos)
{
    PlaybackState* is = ctx.is;
    if (pts != 0)
        is->VideoClock = pts;
    else
        pts = is->VideoClock;
    is->VideoClock = is->VideoClock + ctx.frameDuration * (1 + picture->repeat_pict * 0.5);
    if (QueuePicture(ctx, picture, pts, pos) < 0)
        return -1;
    is->Player->PictureEvent().Set();
    is->EndReported = false;
    if (is->OpenedPaused) {
        if (++ctx.openedPausedPictures >= 2) {
            is->OpenedPaused = 0;
            is->Player->SetState(psPause);
        }
    }
    return 0;
}

// Queues the first picture to show after a seek, or any later one; the seek
// is then seen through (the pause holds the pictures again).
int ShowFromHere(VideoThreadContext& ctx, const AVFrame* picture, double pts, int64_t pos)
{
    PlaybackState* is = ctx.is;
    ctx.showFrom = NAN;
    av_frame_unref(ctx.passedOver.get());
    if (ctx.flushed && is->JustSeeked) {
        ctx.flushed = false;
        is->JustSeeked = false;
        is->SeekPaused = false;
    }
    return OutputPicture(ctx, picture, pts, pos);
}

// The stream ended before the seek's target: its last picture is shown.
int ShowPassedOver(VideoThreadContext& ctx)
{
    if (std::isnan(ctx.showFrom) || !ctx.passedOver->buf[0])
        return 0;
    AVFramePtr last{av_frame_alloc()};
    av_frame_move_ref(last.get(), ctx.passedOver.get());
    return ShowFromHere(ctx, last.get(), ctx.passedOverPts, ctx.passedOverPos);
}

// The picture's time in the stream's time base, chosen between the carried
// presentation time and the decoding time by counting faults of each.
int64_t ChoosePictureTime(PlaybackState* is, const AVFrame* frame)
{
    const int64_t dts = frame->pkt_dts;
    const int64_t pts = frame->pts;
    if (dts != AV_NOPTS_VALUE) {
        if (dts <= is->LastDtsForFault)
            is->DtsFaults++;
        is->LastDtsForFault = dts;
    }
    if (pts != AV_NOPTS_VALUE) {
        if (pts <= is->LastPtsForFault)
            is->PtsFaults++;
        is->LastPtsForFault = pts;
    }
    const int reorder = is->Player->Options().ReorderPts;
    // the decoding time of a delivered picture belongs to the packet that
    // released it, so an equal fault count keeps the carried time
    if (pts != AV_NOPTS_VALUE &&
        (reorder == 1 || (reorder != 0 && is->PtsFaults <= is->DtsFaults) || dts == AV_NOPTS_VALUE))
        return pts;
    return dts != AV_NOPTS_VALUE ? dts : 0;
}

// Filters one decoded picture and queues what comes out; -1 ends the thread.
int ProcessDecoded(VideoThreadContext& ctx, AVFrame* frame)
{
    PlaybackState* is = ctx.is;
    const int64_t time = ChoosePictureTime(is, frame);
    ctx.is->SkipCounter += 1;
    if (is->SkipCounter < is->SkipFactor)
        return 0;
    is->SkipCounter -= std::max<float>(is->SkipFactor, 1.0f);
    const int64_t pos = frame->pkt_pos;
    frame->pts = time;
    if (ctx.filter.NeedsRebuild(frame)) {
        if (!ctx.filter.Configure(frame, is->VideoStream.load()->time_base, is->Player->Options().VideoFilters,
                                  is->Player->Options().ScalingFlags))
            return -1;
    }
    if (ctx.filter.Push(frame) < 0)
        return -1;
    for (;;) {
        const int ret = ctx.filter.Pull(ctx.filtered.get());
        if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF)
            return 0;
        if (ret < 0)
            return -1;
        const int64_t outTime = ctx.filtered->pts != AV_NOPTS_VALUE ? ctx.filtered->pts : 0;
        const double pts = outTime * av_q2d(is->VideoStream.load()->time_base);
        // half a frame early still counts as the target's picture
        if (!std::isnan(ctx.showFrom) && pts < ctx.showFrom - ctx.frameDuration / 2) {
            av_frame_unref(ctx.passedOver.get());
            av_frame_move_ref(ctx.passedOver.get(), ctx.filtered.get());
            ctx.passedOverPts = pts;
            ctx.passedOverPos = pos;
            continue;
        }
        const int result = ShowFromHere(ctx, ctx.filtered.get(), pts, pos);
        av_frame_unref(ctx.filtered.get());
        if (result < 0)
            return -1;
    }
}

int ReceivePictures(VideoThreadContext& ctx)
{
    for (;;) {
        const int ret = avcodec_receive_frame(ctx.is->VideoDecoder.get(), ctx.decoded.get());
        if (ret < 0)
            return 0;  // EAGAIN, end of stream, or a damaged picture: go on
        const int result = ProcessDecoded(ctx, ctx.decoded.get());
        av_frame_unref(ctx.decoded.get());
        if (result < 0)
            return -1;
    }
}

void HandleFlush(PlaybackState* is)
{
    avcodec_flush_buffers(is->VideoDecoder.get());
    is->VideoDecoderDrained = false;
    PictureQueue& q = is->Pictures;
    {
        std::unique_lock guard(q.Lock);
        for (VideoPicture& vp : q.Pictures)
            vp.TargetClock = 0;
        q.Changed.wait(guard, [&] { return q.Count == 0 || is->VideoQueue.Aborted(); });
        // the first picture of the new place is shown even while paused
        is->PictureOwed = true;
        is->FrameLastPts = static_cast<double>(AV_NOPTS_VALUE);
        is->FrameLastDelay = 0;
        is->FrameTimer = SystemTimeSeconds();
    }
    is->VideoCurrentPos = -1;
    is->LastDtsForFault = INT64_MIN;
    is->LastPtsForFault = INT64_MIN;
    is->SkipFactor = 1.0f;
    is->SkipCounter = 0;
    is->DecoderFlushed = true;
}

}  // namespace

void VideoThreadMain(PlaybackState* is)
{
    VideoThreadContext ctx;
    ctx.is = is;
    is->Filter = &ctx.filter;
    const AVRational rate = av_guess_frame_rate(is->Format, is->VideoStream, nullptr);
    if (rate.num > 0 && rate.den > 0)
        ctx.frameDuration = av_q2d(av_inv_q(rate));
    AVPacketPtr pkt{av_packet_alloc()};
    for (;;) {
        while (is->Paused && !is->VideoQueue.Aborted() && !is->SeekPaused && !is->OpenedPaused)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (is->VideoQueue.Get(pkt.get(), true) < 0)
            break;
        if (IsFlushPacket(pkt.get())) {
            HandleFlush(is);
            ctx.flushed = true;
            ctx.showFrom = is->SeekShowFrom;
            av_frame_unref(ctx.passedOver.get());
            continue;
        }
        if (pkt->size == 0) {
            // end of input: release the pictures the decoder still holds
            if (!is->VideoDecoderDrained) {
                is->VideoDecoderDrained = true;
                avcodec_send_packet(is->VideoDecoder.get(), nullptr);
                if (ReceivePictures(ctx) < 0 || ShowPassedOver(ctx) < 0)
                    break;
            }
            if (!is->EndReported)
                PositionTick(is);
            av_packet_unref(pkt.get());
            continue;
        }
        const int sent = avcodec_send_packet(is->VideoDecoder.get(), pkt.get());
        av_packet_unref(pkt.get());
        if (sent < 0 && sent != AVERROR(EAGAIN))
            continue;
        if (ReceivePictures(ctx) < 0)
            break;
    }
    is->Filter = nullptr;
}
