#pragma once
// A 24-bit picture in blue-green-red byte order with direct row access. Rows
// are `stride` bytes apart (width * 3 rounded up to 4), so the windows can wrap
// `bytes` in a QImage (Format_BGR888) without copying.
#include <cstddef>
#include <cstdint>
#include <vector>

class Bitmap24 {
public:
    Bitmap24() = default;
    Bitmap24(int width, int height) { SetSize(width, height); }

    // Resizes to width x height; keeps the memory when the size is unchanged.
    void SetSize(int width, int height);

    int Width() const { return width_; }
    int Height() const { return height_; }
    int Stride() const { return stride_; }
    bool Empty() const { return width_ <= 0 || height_ <= 0; }
    uint8_t* Bytes() { return bytes_.data(); }
    const uint8_t* Bytes() const { return bytes_.data(); }
    uint8_t* Row(int y) { return bytes_.data() + static_cast<size_t>(y) * stride_; }
    const uint8_t* Row(int y) const { return bytes_.data() + static_cast<size_t>(y) * stride_; }

    // width * 3 rounded up to a multiple of 4 bytes.
    static int LineLength(int width) { return (width * 3 + 3) & ~3; }

private:
    int width_ = 0;
    int height_ = 0;
    int stride_ = 0;
    std::vector<uint8_t> bytes_;
};
