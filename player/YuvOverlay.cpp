#include "player/YuvOverlay.h"

#include <algorithm>

YuvOverlay::YuvOverlay(int width, int height) : width_(width), height_(height)
{
    const int chromaWidth = (width + 1) / 2;
    const int chromaHeight = (height + 1) / 2;
    pitches_[0] = width;
    pitches_[1] = pitches_[2] = chromaWidth;
    const size_t lumaBytes = size_t(width) * height;
    const size_t chromaBytes = size_t(chromaWidth) * chromaHeight;
    bytes_.assign(lumaBytes + 2 * chromaBytes, 0);
    planes_[0] = bytes_.data();
    planes_[1] = planes_[0] + lumaBytes;
    planes_[2] = planes_[1] + chromaBytes;
    // black, not green, until the first picture is copied in
    std::fill(planes_[1], planes_[1] + 2 * chromaBytes, uint8_t(128));
}
