#include "engine/PicturePreprocessor.h"

#include "media/TFFLogger.h"

PicturePreprocessor::PicturePreprocessor(VideoHookModules& videoHooks, const void* logSender)
    : logSender_(logSender), customHook_(logSender), videoHooks_(videoHooks)
{}

bool PicturePreprocessor::HooksInUse() const { return hooksEnabled_ && (customHook_.Active() || !videoHooks_.Empty()); }

bool PicturePreprocessor::PrepareWorkPicture(const AVFrame* decoded)
{
    const bool fits =
        work_ && work_->width == decoded->width && work_->height == decoded->height && work_->format == decoded->format;
    if (!fits) {
        work_.reset(av_frame_alloc());
        if (!work_)
            return false;
        work_->width = decoded->width;
        work_->height = decoded->height;
        work_->format = decoded->format;
        if (av_frame_get_buffer(work_.get(), 0) < 0) {
            work_.reset();
            return false;
        }
    }
    // a previous picture's encoder may still hold a reference to the buffer
    if (av_frame_make_writable(work_.get()) < 0)
        return false;
    return av_frame_copy_props(work_.get(), decoded) >= 0;
}

AVFrame* PicturePreprocessor::Process(AVFrame* decoded, int64_t ptsUs)
{
    ++frameNumber_;
    const bool hooks = HooksInUse();
    if (!deinterlace_ && !hooks)
        return decoded;
    if (!PrepareWorkPicture(decoded)) {
        GetFFLogger().Log(logSender_, llError, "hook buf malloc error.");
        return decoded;
    }

    bool deinterlaced = false;
    if (deinterlace_) {
        deinterlaced = deinterlacer_.Run(decoded, work_.get());
        if (!deinterlaced)
            GetFFLogger().Log(logSender_, llError, "Deinterlacing failed.");
    }
    if (!hooks)
        return deinterlaced ? work_.get() : decoded;
    // the hooks change the work picture, never the decoder's own
    if (!deinterlaced && av_frame_copy(work_.get(), decoded) < 0) {
        GetFFLogger().Log(logSender_, llError, "hook buf malloc error.");
        return decoded;
    }

    if (customHook_.Active()) {
        if (!customHook_.Run(work_.get(), ptsUs, frameNumber_))
            hooksEnabled_ = false;
    } else {
        videoHooks_.Process(work_.get(), ptsUs);
    }
    return work_.get();
}

void PicturePreprocessor::Reset()
{
    videoHooks_.Release();
    customHook_.Reset();
    deinterlacer_.Reset();
    work_.reset();
    frameNumber_ = 0;
    hooksEnabled_ = true;
}
