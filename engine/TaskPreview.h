#pragma once
// The preview of one task: the picture handed to the encoder is shown in the
// preview window (flag bit 0) or given to the application as a bitmap
// through DoPreviewBitmap (bit 1), at most once per preview interval.
#include "engine/IPreviewSink.h"
#include "media/Bitmap24.h"
#include "media/FrameToBitmap.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

constexpr int kPreviewWindowFlag = 1;  // bit 0: the preview window
constexpr int kPreviewBitmapFlag = 2;  // bit 1: the preview-bitmap event
constexpr int64_t kDefaultPreviewIntervalUs = 100000;

// The process-wide preview lock: guards the preview flags of every task, so
// the component may change them (Preview, PreviewBitmap) while tasks run.
std::mutex& PreviewLock();

// DoPreviewBitmap(bitmap, frameNumber, ptsUs)
using PreviewBitmapHandler = std::function<void(const Bitmap24& bitmap, int frameNumber, int64_t ptsUs)>;

class TaskPreview {
public:
    // `logSender` is the object named in log lines (the task).
    explicit TaskPreview(const void* logSender = nullptr);
    ~TaskPreview();
    TaskPreview(const TaskPreview&) = delete;
    TaskPreview& operator=(const TaskPreview&) = delete;

    // SetPreviewFlags: any thread, under the preview lock.
    void SetFlags(int flags);
    int Flags() const;

    // The preview-bitmap target (bit 1 does nothing without one).
    void SetBitmapHandler(PreviewBitmapHandler handler) { bitmapHandler_ = std::move(handler); }
    void SetIntervalUs(int64_t intervalUs) { intervalUs_ = intervalUs; }
    // The clock the interval is measured on (µs); the monotonic wall clock
    // unless replaced.
    void SetClock(std::function<int64_t()> clockUs) { clockUs_ = std::move(clockUs); }
    // Where preview windows come from; the process-wide factory unless replaced.
    void SetSinkFactory(PreviewSinkFactory factory) { sinkFactory_ = std::move(factory); }

    // The preview step for every picture on its way to the encoder, on the
    // task's thread (also with the flags off: a window switched off is freed
    // here). `ptsUs` is its presentation time in µs.
    void Show(const AVFrame* picture, int frameNumber, int64_t ptsUs);

    bool HasWindow() const { return static_cast<bool>(sink_); }

    // Frees the converter and the window and forgets the last preview time.
    void Reset();

private:
    bool IntervalPassed(int64_t now) const;
    void ClearFlags(int bits);

    const void* logSender_;
    int flags_ = 0;  // guarded by PreviewLock()
    int64_t intervalUs_ = kDefaultPreviewIntervalUs;
    bool shownBefore_ = false;
    int64_t lastPreviewUs_ = 0;
    std::function<int64_t()> clockUs_;
    PreviewBitmapHandler bitmapHandler_;
    PreviewSinkFactory sinkFactory_;
    FrameToBitmap toRgb_;
    std::unique_ptr<IPreviewSink> sink_;  // the window; used on the task's thread only
};
