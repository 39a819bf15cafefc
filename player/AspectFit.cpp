#include "player/AspectFit.h"

#include <cmath>

double DisplayAspect(float aspectRatio, AVRational sampleAspect, int pictureWidth, int pictureHeight, int windowWidth,
                     int windowHeight)
{
    if (aspectRatio < 0 && windowWidth > 0 && windowHeight > 0)
        return double(windowWidth) / windowHeight;
    double aspect = aspectRatio;
    if (aspect <= 0) {
        double sar = (sampleAspect.num > 0 && sampleAspect.den > 0) ? av_q2d(sampleAspect) : 1.0;
        aspect = pictureHeight > 0 ? sar * pictureWidth / pictureHeight : 1.0;
    }
    return aspect > 0 ? aspect : 1.0;
}

DisplayRect FitPicture(double aspect, int windowLeft, int windowTop, int windowWidth, int windowHeight)
{
    DisplayRect rect;
    rect.Height = windowHeight;
    rect.Width = static_cast<int>(std::lrint(rect.Height * aspect)) & ~1;
    if (rect.Width > windowWidth) {
        rect.Width = windowWidth;
        rect.Height = static_cast<int>(std::lrint(rect.Width / aspect)) & ~1;
    }
    rect.X = windowLeft + (windowWidth - rect.Width) / 2;
    rect.Y = windowTop + (windowHeight - rect.Height) / 2;
    return rect;
}
