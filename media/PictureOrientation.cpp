#include "media/PictureOrientation.h"

PictureOrientation OrientationOfMatrix(const int32_t* matrix)
{
    if (!matrix)
        return {};
    // A point (x, y) of the decoded picture (y downwards) is shown at
    // (a*x + c*y, b*x + d*y); only the signs of the larger pair matter.
    const int64_t a = matrix[0], b = matrix[1], c = matrix[3], d = matrix[4];
    const auto magnitude = [](int64_t v) { return v < 0 ? -v : v; };
    const bool straight = magnitude(a) > magnitude(b) && magnitude(d) > magnitude(c);
    const bool crossed = magnitude(b) > magnitude(a) && magnitude(c) > magnitude(d);
    // anything but a near quarter turn (a few degrees off at most) is left alone
    constexpr int64_t kSlack = 20;  // the minor terms below 1/20 of the major ones
    PictureOrientation o;
    if (straight) {
        if (magnitude(b) * kSlack > magnitude(a) || magnitude(c) * kSlack > magnitude(d))
            return {};
        if (a > 0 && d > 0)
            return {};
        if (a < 0 && d > 0)
            o.mirrored = true;  // x -> -x
        else if (a > 0 && d < 0)
            o = {true, 180};  // y -> -y: mirrored, then half a turn
        else
            o.clockwiseDegrees = 180;
        return o;
    }
    if (!crossed || magnitude(a) * kSlack > magnitude(b) || magnitude(d) * kSlack > magnitude(c))
        return {};
    if (b > 0 && c < 0)
        o.clockwiseDegrees = 90;  // (x, y) -> (-y, x): right goes down
    else if (b < 0 && c > 0)
        o.clockwiseDegrees = 270;  // (x, y) -> (y, -x): right goes up
    else if (b < 0 && c < 0)
        o = {true, 90};  // (x, y) -> (-y, -x)
    else
        o = {true, 270};  // (x, y) -> (y, x): the plain transpose
    return o;
}

PictureOrientation StreamOrientation(const AVStream* stream)
{
    if (!stream)
        return {};
    size_t size = 0;
    const uint8_t* data = av_stream_get_side_data(stream, AV_PKT_DATA_DISPLAYMATRIX, &size);
    if (!data || size < 9 * sizeof(int32_t))
        return {};
    return OrientationOfMatrix(reinterpret_cast<const int32_t*>(data));
}

std::string OrientationText(const PictureOrientation& orientation)
{
    std::string text;
    if (orientation.mirrored)
        text = "水平翻转";
    if (orientation.clockwiseDegrees != 0) {
        if (!text.empty())
            text += "后";
        text += "顺时针旋转" + std::to_string(orientation.clockwiseDegrees) + "°";
    }
    return text;
}
