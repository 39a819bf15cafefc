#pragma once
// A picture in the display's YUV layout (YV12: planes Y, V, U), kept in our
// own memory. The display uploads it into its streaming texture; the frame
// hook, the subtitles and snapshots read and write it here, because a locked
// texture is write-only.
#include <cstdint>
#include <mutex>
#include <vector>

class YuvOverlay {
public:
    YuvOverlay(int width, int height);

    int Width() const { return width_; }
    int Height() const { return height_; }
    // Plane 0 is Y, plane 1 V, plane 2 U, as in the YV12 layout.
    uint8_t* Plane(int i) { return planes_[i]; }
    const uint8_t* Plane(int i) const { return planes_[i]; }
    int Pitch(int i) const { return pitches_[i]; }

    // Held while the pixels are written or read ("locking the overlay").
    std::mutex& Lock() { return lock_; }

private:
    int width_;
    int height_;
    std::vector<uint8_t> bytes_;
    uint8_t* planes_[3] = {};
    int pitches_[3] = {};
    std::mutex lock_;  // guards the pixel bytes
};
