#pragma once
// Decoded bitmap subtitles waiting for their display time, between the
// subtitle thread and the refresh.
#include "media/FFHandles.h"

#include <condition_variable>
#include <mutex>

struct SubPicture {
    double Pts = 0;  // seconds
    AVSubtitle Sub{};
};

struct SubpictureQueue {
    static constexpr int kSize = 4;

    SubPicture Pictures[kSize];
    int ReadIndex = 0;
    int WriteIndex = 0;
    int Count = 0;
    bool StreamChanged = false;
    std::mutex Lock;  // guards Count, StreamChanged and the entries' contents
    std::condition_variable Changed;
};

class YuvOverlay;

// Palette entries of a bitmap subtitle, RGBA to Y, U, V, alpha (studio range).
void ConvertSubtitlePalette(AVSubtitle& sub);
// Blends every rectangle of `sub` (palette already converted) into `overlay`.
void BlendSubtitle(YuvOverlay& overlay, const AVSubtitle& sub);
// Frees the subtitle at the read index and advances (caller holds Lock).
void DropHeadSubtitle(SubpictureQueue& queue);
