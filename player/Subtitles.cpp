// The subtitle thread and the blending of bitmap subtitles into pictures.
#include "player/PlaybackEngine.h"
#include "player/SubpictureQueue.h"
#include "player/TCustomPlayer.h"
#include "player/YuvOverlay.h"

#include <chrono>
#include <thread>

namespace {

// Studio-range (CCIR 601) RGB to YUV with 10 fractional bits.
uint8_t RgbToY(int r, int g, int b)
{
    return static_cast<uint8_t>((263 * r + 516 * g + 100 * b + (16 << 10) + 512) >> 10);
}
uint8_t RgbToU(int r, int g, int b)
{
    return static_cast<uint8_t>((-152 * r - 298 * g + 450 * b + (128 << 10) + 512) >> 10);
}
uint8_t RgbToV(int r, int g, int b)
{
    return static_cast<uint8_t>((450 * r - 377 * g - 73 * b + (128 << 10) + 512) >> 10);
}

uint8_t Mix(uint8_t base, uint8_t over, int alpha)
{
    return static_cast<uint8_t>((base * (255 - alpha) + over * alpha) / 255);
}

}  // namespace

void ConvertSubtitlePalette(AVSubtitle& sub)
{
    for (unsigned i = 0; i < sub.num_rects; ++i) {
        AVSubtitleRect* rect = sub.rects[i];
        if (!rect->data[1])
            continue;
        uint32_t* palette = reinterpret_cast<uint32_t*>(rect->data[1]);
        for (int j = 0; j < rect->nb_colors; ++j) {
            const uint32_t argb = palette[j];
            const int a = (argb >> 24) & 0xff, r = (argb >> 16) & 0xff, g = (argb >> 8) & 0xff, b = argb & 0xff;
            palette[j] = (uint32_t(a) << 24) | (uint32_t(RgbToY(r, g, b)) << 16) | (uint32_t(RgbToU(r, g, b)) << 8) |
                         RgbToV(r, g, b);
        }
    }
}

void BlendSubtitle(YuvOverlay& overlay, const AVSubtitle& sub)
{
    for (unsigned i = 0; i < sub.num_rects; ++i) {
        const AVSubtitleRect* rect = sub.rects[i];
        if (rect->type != SUBTITLE_BITMAP || !rect->data[0] || !rect->data[1])
            continue;
        const uint32_t* palette = reinterpret_cast<const uint32_t*>(rect->data[1]);
        for (int y = 0; y < rect->h; ++y) {
            const int oy = rect->y + y;
            if (oy < 0 || oy >= overlay.Height())
                continue;
            for (int x = 0; x < rect->w; ++x) {
                const int ox = rect->x + x;
                if (ox < 0 || ox >= overlay.Width())
                    continue;
                const uint32_t yuva = palette[rect->data[0][y * rect->linesize[0] + x]];
                const int alpha = (yuva >> 24) & 0xff;
                if (alpha == 0)
                    continue;
                uint8_t& luma = overlay.Plane(0)[oy * overlay.Pitch(0) + ox];
                luma = Mix(luma, (yuva >> 16) & 0xff, alpha);
                if ((ox & 1) == 0 && (oy & 1) == 0) {
                    uint8_t& v = overlay.Plane(1)[(oy / 2) * overlay.Pitch(1) + ox / 2];
                    uint8_t& u = overlay.Plane(2)[(oy / 2) * overlay.Pitch(2) + ox / 2];
                    u = Mix(u, (yuva >> 8) & 0xff, alpha);
                    v = Mix(v, yuva & 0xff, alpha);
                }
            }
        }
    }
}

void DropHeadSubtitle(SubpictureQueue& queue)
{
    avsubtitle_free(&queue.Pictures[queue.ReadIndex].Sub);
    queue.ReadIndex = (queue.ReadIndex + 1) % SubpictureQueue::kSize;
    queue.Count--;
    queue.Changed.notify_all();
}

void SubtitleThreadMain(PlaybackState* is)
{
    SubpictureQueue& sq = is->Subpictures;
    AVPacketPtr pkt{av_packet_alloc()};
    for (;;) {
        while (is->Paused && !is->SubtitleQueue.Aborted() && !is->SeekPaused)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (is->SubtitleQueue.Get(pkt.get(), true) < 0)
            break;
        if (IsFlushPacket(pkt.get())) {
            avcodec_flush_buffers(is->SubtitleDecoder.get());
            continue;
        }
        {
            std::unique_lock guard(sq.Lock);
            sq.Changed.wait(guard, [&] { return sq.Count < SubpictureQueue::kSize || is->SubtitleQueue.Aborted(); });
            if (is->SubtitleQueue.Aborted())
                break;
        }
        AVSubtitle sub{};
        int got = 0;
        const double pts = pkt->pts != AV_NOPTS_VALUE ? pkt->pts * av_q2d(is->SubtitleStream.load()->time_base) : 0.0;
        if (pkt->size > 0 && avcodec_decode_subtitle2(is->SubtitleDecoder.get(), &sub, &got, pkt.get()) >= 0 && got) {
            if (sub.format == 0) {
                ConvertSubtitlePalette(sub);
                std::lock_guard guard(sq.Lock);
                SubPicture& sp = sq.Pictures[sq.WriteIndex];
                sp.Pts = pts;
                sp.Sub = sub;
                sq.WriteIndex = (sq.WriteIndex + 1) % SubpictureQueue::kSize;
                sq.Count++;
            } else {
                avsubtitle_free(&sub);
            }
        }
        av_packet_unref(pkt.get());
    }
}
