#pragma once
// The first step for every decoded video picture of a task, before filtering
// and encoding: frame numbering, deinterlacing, the custom hook and the video
// hook modules. Pictures that are changed are changed in a work picture of
// the task's own, so the decoder's picture is never written to.
#include "engine/CustomFrameHook.h"
#include "engine/Deinterlacer.h"
#include "engine/VideoHookModules.h"
#include "media/FFHandles.h"

#include <cstdint>

class PicturePreprocessor {
public:
    // `videoHooks` is the task's `vhook` list (it outlives this object);
    // `logSender` is the object named in log lines (the task).
    explicit PicturePreprocessor(VideoHookModules& videoHooks, const void* logSender = nullptr);
    PicturePreprocessor(const PicturePreprocessor&) = delete;
    PicturePreprocessor& operator=(const PicturePreprocessor&) = delete;

    void SetDeinterlace(bool on) { deinterlace_ = on; }
    bool Deinterlace() const { return deinterlace_; }

    // The custom hook (set its handler for TOutputOptions.CustomHook).
    CustomFrameHook& CustomHook() { return customHook_; }
    // The `vhook` modules of the task.
    VideoHookModules& VideoHooks() { return videoHooks_; }

    // Counts `decoded` and runs deinterlacing and the hooks on it. Returns the
    // picture to filter and encode: `decoded` itself, or the work picture
    // (valid until the next call) carrying the decoded picture's properties.
    // `ptsUs` is the input stream's presentation time in µs.
    AVFrame* Process(AVFrame* decoded, int64_t ptsUs);

    // Pictures counted so far (the frame number of the last one).
    int FrameNumber() const { return frameNumber_; }

    // Cleanup after a run: releases the video hooks, removes the custom hook,
    // frees the work picture and converters; the frame count starts again.
    void Reset();

private:
    bool HooksInUse() const;
    bool PrepareWorkPicture(const AVFrame* decoded);

    const void* logSender_;
    int frameNumber_ = 0;
    bool deinterlace_ = false;
    // cleared when the custom hook stops: no hook of either kind runs after that
    bool hooksEnabled_ = true;
    CustomFrameHook customHook_;
    VideoHookModules& videoHooks_;
    Deinterlacer deinterlacer_;
    AVFramePtr work_;
};
