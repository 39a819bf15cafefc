// Where the picture lands in the video window.
#include "player/AspectFit.h"

#include <gtest/gtest.h>

TEST(AspectFit, PictureIsFittedAndCentredInTheWindow)
{
    struct Case {
        const char* name;
        float aspectRatio;
        AVRational sampleAspect;
        int pictureWidth, pictureHeight;
        int windowWidth, windowHeight;
        DisplayRect expected;
    };
    const Case cases[] = {
        {"sample aspect 0 is square pixels", 0.0f, {0, 1}, 320, 240, 640, 360, {80, 0, 480, 360}},
        {"stream sample aspect widens the picture", 0.0f, {4, 3}, 480, 480, 640, 480, {0, 0, 640, 480}},
        {"-1 fills the window", -1.0f, {1, 1}, 320, 240, 640, 360, {0, 0, 640, 360}},
        {"1.5 letterboxes a 4:3 picture in 16:9", 1.5f, {1, 1}, 320, 240, 640, 360, {50, 0, 540, 360}},
        {"a wide picture in a tall window", 0.0f, {1, 1}, 640, 240, 320, 480, {0, 180, 320, 120}},
        {"widths round down to even", 0.0f, {1, 1}, 333, 250, 401, 301, {0, 0, 400, 301}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const double aspect = DisplayAspect(c.aspectRatio, c.sampleAspect, c.pictureWidth, c.pictureHeight,
                                            c.windowWidth, c.windowHeight);
        const DisplayRect got = FitPicture(aspect, 0, 0, c.windowWidth, c.windowHeight);
        EXPECT_EQ(got.X, c.expected.X);
        EXPECT_EQ(got.Y, c.expected.Y);
        EXPECT_EQ(got.Width, c.expected.Width);
        EXPECT_EQ(got.Height, c.expected.Height);
    }
}

TEST(AspectFit, WindowOffsetMovesTheCentre)
{
    const DisplayRect got = FitPicture(1.0, 10, 20, 200, 100);
    EXPECT_EQ(got, (DisplayRect{60, 20, 100, 100}));
}
