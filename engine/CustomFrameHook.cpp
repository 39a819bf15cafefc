#include "engine/CustomFrameHook.h"

#include "media/TFFLogger.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <string>

bool CustomFrameHook::Run(AVFrame* picture, int64_t ptsUs, int frameNumber)
{
    if (!handler_)
        return false;
    if (!toRgb_.Convert(picture) || !toRgb_.Bitmap()) {
        GetFFLogger().Log(logSender_, llError, "Cannot initialize the toRGB conversion context");
        return Stop();
    }
    Bitmap24& bitmap = *toRgb_.Bitmap();
    bool update = true;
    bool stopHook = false;
    try {
        handler_(bitmap, update, stopHook, ptsUs, frameNumber);
    } catch (const std::exception& e) {
        GetFFLogger().Log(logSender_, llError, std::string("Error occurs OnCustomHook: ") + e.what());
        update = false;
    } catch (...) {
        GetFFLogger().Log(logSender_, llError, "Error occurs OnCustomHook: unknown exception");
        update = false;
    }
    if (update && !WriteBack(bitmap, picture)) {
        GetFFLogger().Log(logSender_, llError, "Cannot initialize the fromRGB conversion context");
        return Stop();
    }
    if (stopHook)
        return Stop();
    return true;
}

bool CustomFrameHook::WriteBack(const Bitmap24& bitmap, AVFrame* picture)
{
    const int width = picture->width;
    const int height = picture->height;
    if (bitmap.Width() != width || bitmap.Height() != height)
        return false;
    if (picture->format == AV_PIX_FMT_BGR24) {
        const size_t rowBytes = static_cast<size_t>(width) * 3;
        for (int y = 0; y < height; ++y)
            std::memcpy(picture->data[0] + static_cast<ptrdiff_t>(y) * picture->linesize[0], bitmap.Row(y), rowBytes);
        return true;
    }
    SwsContext* scaler =
        sws_getCachedContext(fromRgb_.release(), width, height, AV_PIX_FMT_BGR24, width, height,
                             static_cast<AVPixelFormat>(picture->format), SWS_BICUBIC, nullptr, nullptr, nullptr);
    fromRgb_.reset(scaler);
    if (!scaler)
        return false;
    const uint8_t* const source[4] = {bitmap.Bytes(), nullptr, nullptr, nullptr};
    const int sourceStride[4] = {bitmap.Stride(), 0, 0, 0};
    sws_scale(scaler, source, sourceStride, 0, height, picture->data, picture->linesize);
    return true;
}

bool CustomFrameHook::Stop()
{
    handler_ = nullptr;
    return false;
}

void CustomFrameHook::Reset()
{
    handler_ = nullptr;
    toRgb_.Reset();
    fromRgb_.reset();
}
