#pragma once
// Where a picture goes inside the video window.
extern "C" {
#include <libavutil/rational.h>
}

struct DisplayRect {
    int X = 0;
    int Y = 0;
    int Width = 0;
    int Height = 0;
    bool operator==(const DisplayRect&) const = default;
};

// The width-to-height ratio to show a picture with. `aspectRatio` 0 takes the
// picture's own (sample aspect ratio x width / height, square pixels when the
// ratio is 0 or missing), above 0 forces it, below 0 fills the window.
double DisplayAspect(float aspectRatio, AVRational sampleAspect, int pictureWidth, int pictureHeight, int windowWidth,
                     int windowHeight);

// The largest rectangle of aspect `aspect` (even sides) that fits the window,
// centred in it.
DisplayRect FitPicture(double aspect, int windowLeft, int windowTop, int windowWidth, int windowHeight);
