#pragma once
// Decoded pictures of small generated clips, for tests that drive the frame
// units (hooks, deinterlacing, filters, preview) without a transcode loop.
#include "media/FFHandles.h"

#include <string>
#include <vector>

namespace qtest {

struct DecodedClip {
    std::vector<AVFramePtr> frames;  // in presentation order
    AVRational timeBase{0, 1};  // of the frames' pts
    AVRational frameRate{0, 1};
};

// Decodes every video picture of `path`; empty on any failure (the test fails).
DecodedClip DecodeVideo(const std::string& path);

// A lossless clip (FFV1 in Matroska, yuv420p) from a lavfi source and an
// optional filter chain, e.g. ("color=c=black:s=64x48:r=25:d=1", "drawbox=...").
std::string MakeLosslessClip(const std::string& path, const std::string& source, const std::string& filters = "",
                             const std::string& pixelFormat = "yuv420p");

// Encodes `pictures` (all of one size and format) with the encoder `codecName`
// into `path` (container from the extension), times in `timeBase`. Fails the
// test and returns false on any error.
bool EncodeVideo(const std::string& path, const std::string& codecName, const std::vector<AVFramePtr>& pictures,
                 AVRational timeBase);

// The luma (plane 0) byte at x, y.
int LumaAt(const AVFrame* frame, int x, int y);
// Mean luma over a rectangle.
double MeanLuma(const AVFrame* frame, int x, int y, int width, int height);
// True when both pictures have the same size, format and plane bytes.
bool SamePicture(const AVFrame* a, const AVFrame* b);

}  // namespace qtest
