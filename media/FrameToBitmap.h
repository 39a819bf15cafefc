#pragma once
// Moves a decoded picture into a 24-bit BGR bitmap, converting through
// swscale only when the picture is not already a BGR24 picture with the
// bitmap's row length. Owned and used by one thread at a time; the bitmap
// must not be drawn while it is being filled.
#include "media/Bitmap24.h"
#include "media/FFHandles.h"

extern "C" {
#include <libavutil/pixfmt.h>
}

#include <memory>

class FrameToBitmap {
public:
    FrameToBitmap() = default;
    FrameToBitmap(const FrameToBitmap&) = delete;
    FrameToBitmap& operator=(const FrameToBitmap&) = delete;

    // Fills Bitmap() from a picture of `width` x `height` in `format`.
    // Returns false when no scaling context can be had for the conversion.
    bool Convert(const uint8_t* const data[4], const int linesize[4], AVPixelFormat format, int height, int width);
    bool Convert(const AVFrame* frame);

    // Created on first use; empty pointer before.
    Bitmap24* Bitmap() { return bitmap_.get(); }
    const Bitmap24* Bitmap() const { return bitmap_.get(); }
    // True when the last Convert went through the conversion buffer.
    bool LastConverted() const { return lastSource_ == Source::Buffer; }

    AVPixelFormat TargetFormat() const { return targetFormat_; }
    int BitmapBitsPerPixel() const { return bitmapBits_; }

    // Frees the bitmap, the buffer and the scaling context; back to the
    // initial formats.
    void Reset();

private:
    enum class Source { None, Buffer, Caller };

    AVPixelFormat targetFormat_ = AV_PIX_FMT_BGR24;
    int bitmapBits_ = 24;
    std::unique_ptr<Bitmap24> bitmap_;
    AVMemoryPtr<uint8_t> buffer_;
    int bufferSize_ = 0;
    uint8_t* pictureData_[4] = {};
    int pictureLinesize_[4] = {};
    Source lastSource_ = Source::None;
    SwsContextPtr scaler_;  // cached by sws_getCachedContext
};

void ResetFrameToBitmap(FrameToBitmap& converter);
