#pragma once
// The preview window as the engine sees it. The window itself (TPreviewer in
// engine/ui) lives on the main thread; the engine only holds this interface,
// so the engine stays free of any window toolkit.
#include "media/Bitmap24.h"

#include <cstdint>
#include <functional>
#include <memory>

class IPreviewSink {
public:
    // Frees the window (on the main thread, waiting for it).
    virtual ~IPreviewSink() = default;
    // Shows one picture with its frame number and presentation time (µs).
    // Returns false once the user has closed the window.
    virtual bool ShowFrame(const Bitmap24& bitmap, int frameNumber, int64_t ptsUs) = 0;
};

using PreviewSinkFactory = std::function<std::unique_ptr<IPreviewSink>()>;

// The process-wide maker of preview windows; the program installs TPreviewer's
// at start. Without one, window previews are switched off when asked for.
void SetPreviewSinkFactory(PreviewSinkFactory factory);
PreviewSinkFactory GetPreviewSinkFactory();
