#include "media/FrameToBitmap.h"

extern "C" {
#include <libavutil/imgutils.h>
}

#include <cstring>

bool FrameToBitmap::Convert(const uint8_t* const data[4], const int linesize[4], AVPixelFormat format, int height,
                            int width)
{
    if (!data || !data[0] || width <= 0 || height <= 0)
        return false;
    if (!bitmap_)
        bitmap_ = std::make_unique<Bitmap24>();
    bitmap_->SetSize(width, height);

    const bool needsConversion =
        format != targetFormat_ || (width & 1) || (height & 1) || linesize[0] != Bitmap24::LineLength(width);
    const uint8_t* source = data[0];
    int sourceStride = linesize[0];
    if (needsConversion) {
        const int size = av_image_get_buffer_size(targetFormat_, width, height, 1);
        if (size <= 0)
            return false;
        if (!buffer_ || bufferSize_ < size) {  // never shrinks
            buffer_.reset(static_cast<uint8_t*>(av_malloc(static_cast<size_t>(size))));
            bufferSize_ = buffer_ ? size : 0;
            if (!buffer_)
                return false;
        }
        av_image_fill_arrays(pictureData_, pictureLinesize_, buffer_.get(), targetFormat_, width, height, 1);
        scaler_.reset(sws_getCachedContext(scaler_.release(), width, height, format, width, height, targetFormat_,
                                           SWS_BICUBIC, nullptr, nullptr, nullptr));
        if (!scaler_)
            return false;
        sws_scale(scaler_.get(), data, linesize, 0, height, pictureData_, pictureLinesize_);
        source = pictureData_[0];
        sourceStride = pictureLinesize_[0];
        lastSource_ = Source::Buffer;
    } else {
        lastSource_ = Source::Caller;
    }
    const size_t rowBytes = static_cast<size_t>(width) * 3;
    for (int row = 0; row < height; ++row)
        std::memcpy(bitmap_->Row(row), source + static_cast<ptrdiff_t>(row) * sourceStride, rowBytes);
    return true;
}

bool FrameToBitmap::Convert(const AVFrame* frame)
{
    if (!frame)
        return false;
    return Convert(frame->data, frame->linesize, static_cast<AVPixelFormat>(frame->format), frame->height,
                   frame->width);
}

void FrameToBitmap::Reset()
{
    bitmap_.reset();
    buffer_.reset();
    scaler_.reset();
    targetFormat_ = AV_PIX_FMT_BGR24;
    bitmapBits_ = 24;
    bufferSize_ = 0;
    for (int i = 0; i < 4; ++i) {
        pictureData_[i] = nullptr;
        pictureLinesize_[i] = 0;
    }
    lastSource_ = Source::None;
}

void ResetFrameToBitmap(FrameToBitmap& converter) { converter.Reset(); }
