#pragma once
// What the player group needs of the preview player FFPlayer2.
#include "media/Bitmap24.h"

#include <cstdint>
#include <functional>
#include <string>

class IPreviewPlayer {
public:
    virtual ~IPreviewPlayer() = default;
    virtual bool LibrariesLoaded() const = 0;
    virtual bool LoadLibraries(const std::string& folder) = 0;
    // Opens `file` paused on its first picture in the native window `host`.
    virtual bool OpenPaused(const std::string& file, uintptr_t host) = 0;
    virtual void Close() = 0;  // waits
    virtual void Pause() = 0;
    virtual void Resume() = 0;
    virtual void TogglePause() = 0;
    virtual bool Paused() const = 0;
    virtual void Seek(int64_t positionUs) = 0;  // no flags, no waiting
    virtual const Bitmap24* CurrentFrame() = 0;
    virtual bool Mute() const = 0;
    virtual void SetMute(bool mute) = 0;
    virtual std::string LastErrMsg() const = 0;
    // Detaches the position, state and hook events; the next open attaches
    // the position again.
    virtual void DetachEvents() = 0;
    // The duration in microseconds of each file opened, on the main thread.
    virtual void SetFileOpened(std::function<void(int64_t durationUs)> opened) = 0;
    // The playing position in microseconds from the start, on the main thread,
    // while a file opened by OpenPaused plays (and where a seek went).
    virtual void SetPositionChanged(std::function<void(int64_t positionUs)> changed) = 0;
};
