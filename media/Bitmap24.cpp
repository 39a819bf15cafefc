#include "media/Bitmap24.h"

void Bitmap24::SetSize(int width, int height)
{
    if (width < 0)
        width = 0;
    if (height < 0)
        height = 0;
    width_ = width;
    height_ = height;
    stride_ = LineLength(width);
    bytes_.resize(static_cast<size_t>(stride_) * height_);
}
