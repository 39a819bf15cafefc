#pragma once
// The preview window of one task, as the engine sees it (IPreviewSink). The
// task calls ShowFrame on its own thread; the window is created, drawn and
// freed on the main thread through the synchronous hand-over.
#include "engine/IPreviewSink.h"
#include "media/IMainThread.h"

#include <atomic>
#include <cstdint>

class PreviewWindow;

class TPreviewer : public IPreviewSink {
public:
    explicit TPreviewer(IMainThread& mainThread = MainThread());
    // Frees the window on the main thread, waiting for it.
    ~TPreviewer() override;
    TPreviewer(const TPreviewer&) = delete;
    TPreviewer& operator=(const TPreviewer&) = delete;

    // Unless the user has closed the window: keeps the picture, frame number
    // and time and has the window draw them. False once it has been closed.
    bool ShowFrame(const Bitmap24& bitmap, int frameNumber, int64_t ptsUs) override;

    bool Closed() const { return closed_; }
    int FrameNumber() const { return frameNumber_; }
    int64_t PTS() const { return ptsUs_; }
    // The window, once created (main thread only).
    PreviewWindow* Window() const { return window_; }

    // The maker the program installs with SetPreviewSinkFactory.
    static PreviewSinkFactory Factory();

private:
    void Draw(const Bitmap24& bitmap);

    IMainThread& mainThread_;
    std::atomic<bool> closed_{false};  // set on the main thread by the close request
    // the fields below are touched on the main thread only, or by the task
    // while the main thread runs its drawing for it
    PreviewWindow* window_ = nullptr;
    Bitmap24 bitmap_;
    int frameNumber_ = 0;
    int64_t ptsUs_ = 0;
};
