#include "engine/TaskPreview.h"

#include "media/TFFLogger.h"

extern "C" {
#include <libavutil/time.h>
}

std::mutex& PreviewLock()
{
    static std::mutex lock;
    return lock;
}

TaskPreview::TaskPreview(const void* logSender) : logSender_(logSender), clockUs_([] { return av_gettime_relative(); })
{}

TaskPreview::~TaskPreview() = default;

void TaskPreview::SetFlags(int flags)
{
    std::lock_guard guard(PreviewLock());
    flags_ = flags;
}

int TaskPreview::Flags() const
{
    std::lock_guard guard(PreviewLock());
    return flags_;
}

void TaskPreview::ClearFlags(int bits)
{
    std::lock_guard guard(PreviewLock());
    flags_ &= ~bits;
}

bool TaskPreview::IntervalPassed(int64_t now) const { return !shownBefore_ || now - lastPreviewUs_ > intervalUs_; }

// The preview lock is held only to read and change the flags, never while a
// picture is handed to the main thread: the main thread takes the same lock to
// change Preview, and must not wait for a task that waits for it.
void TaskPreview::Show(const AVFrame* picture, int frameNumber, int64_t ptsUs)
{
    const int flags = Flags();
    if (!(flags & kPreviewWindowFlag) && sink_)
        sink_.reset();  // the window was switched off
    if (!(flags & (kPreviewWindowFlag | kPreviewBitmapFlag)))
        return;
    const int64_t now = clockUs_();
    if (!IntervalPassed(now))
        return;

    if ((flags & kPreviewBitmapFlag) && bitmapHandler_) {
        if (toRgb_.Convert(picture) && toRgb_.Bitmap()) {
            bitmapHandler_(*toRgb_.Bitmap(), frameNumber, ptsUs);
        } else {
            GetFFLogger().Log(logSender_, llError, "Cannot initialize the toRGB conversion context");
            ClearFlags(kPreviewBitmapFlag);
        }
        lastPreviewUs_ = now;
        shownBefore_ = true;
        return;
    }
    if (!(flags & kPreviewWindowFlag))
        return;

    bool keep = toRgb_.Convert(picture) && toRgb_.Bitmap();
    if (!keep)
        GetFFLogger().Log(logSender_, llError, "Cannot initialize the toRGB conversion context");
    if (keep && !sink_) {
        const PreviewSinkFactory factory = sinkFactory_ ? sinkFactory_ : GetPreviewSinkFactory();
        if (factory)
            sink_ = factory();
        keep = static_cast<bool>(sink_);
    }
    if (keep)
        keep = sink_->ShowFrame(*toRgb_.Bitmap(), frameNumber, ptsUs);
    lastPreviewUs_ = now;
    shownBefore_ = true;
    if (!keep) {
        ClearFlags(kPreviewWindowFlag);
        sink_.reset();
    }
}

void TaskPreview::Reset()
{
    sink_.reset();
    toRgb_.Reset();
    shownBefore_ = false;
    lastPreviewUs_ = 0;
}
