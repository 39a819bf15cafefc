#pragma once
// How a video stream's pictures are to be turned before they are shown: the
// stream's display matrix read as a mirror and a number of quarter turns.
// Converted pictures are written upright, since none of our targets carries a
// display matrix of its own.
extern "C" {
#include <libavformat/avformat.h>
}

#include <cstdint>
#include <string>

struct PictureOrientation {
    bool mirrored = false;  // left and right swapped first,
    int clockwiseDegrees = 0;  // then turned clockwise: 0, 90, 180 or 270

    bool Upright() const { return !mirrored && clockwiseDegrees == 0; }
    // a quarter turn exchanges width and height
    bool SwapsSides() const { return clockwiseDegrees == 90 || clockwiseDegrees == 270; }
    bool operator==(const PictureOrientation&) const = default;
};

// The orientation a display matrix (nine 16.16/2.30 fixed-point values, as
// the libraries store it) asks for. A matrix that is no multiple of a quarter
// turn, or none at all, leaves the picture as it is.
PictureOrientation OrientationOfMatrix(const int32_t* matrix);
// The orientation of a stream's display matrix side data.
PictureOrientation StreamOrientation(const AVStream* stream);

// "顺时针旋转90°", "水平翻转", "水平翻转后顺时针旋转90°"; empty when upright.
std::string OrientationText(const PictureOrientation& orientation);
