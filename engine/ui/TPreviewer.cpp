#include "engine/ui/TPreviewer.h"

#include "engine/ui/PreviewWindow.h"
#include "media/MediaText.h"

#include <cstring>

TPreviewer::TPreviewer(IMainThread& mainThread) : mainThread_(mainThread) {}

TPreviewer::~TPreviewer()
{
    if (!window_)
        return;
    mainThread_.runAndWait([this] {
        delete window_;
        window_ = nullptr;
    });
}

bool TPreviewer::ShowFrame(const Bitmap24& bitmap, int frameNumber, int64_t ptsUs)
{
    if (closed_)
        return false;
    // the picture is copied on the main thread, so it never changes under a paint
    mainThread_.runAndWait([&] {
        frameNumber_ = frameNumber;
        ptsUs_ = ptsUs;
        Draw(bitmap);
    });
    return !closed_;
}

void TPreviewer::Draw(const Bitmap24& bitmap)
{
    if (closed_)
        return;
    bitmap_.SetSize(bitmap.Width(), bitmap.Height());
    std::memcpy(bitmap_.Bytes(), bitmap.Bytes(), static_cast<size_t>(bitmap.Stride()) * bitmap.Height());
    if (!window_)
        window_ = new PreviewWindow([this] { closed_ = true; });
    window_->ShowPicture(&bitmap_, QString::fromStdString(DurationText(ptsUs_)));
}

PreviewSinkFactory TPreviewer::Factory()
{
    return [] { return std::make_unique<TPreviewer>(); };
}
