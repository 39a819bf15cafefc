#include "media/FrameToBitmap.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

// A BGR24 picture whose bytes tell where they came from.
std::vector<uint8_t> NumberedPicture(int height, int stride)
{
    std::vector<uint8_t> bytes(static_cast<size_t>(height) * stride);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<uint8_t>(i * 7 + 3);
    return bytes;
}

void ExpectRowsEqual(const Bitmap24& bitmap, const uint8_t* source, int sourceStride)
{
    for (int y = 0; y < bitmap.Height(); ++y) {
        for (int x = 0; x < bitmap.Width() * 3; ++x)
            ASSERT_EQ(bitmap.Row(y)[x], source[y * sourceStride + x]) << "row " << y << " byte " << x;
    }
}

TEST(FrameToBitmap, ABgrPictureWithTheBitmapRowLengthIsCopiedWithoutScaling)
{
    const int width = 4, height = 2;
    const int stride = Bitmap24::LineLength(width);  // 12
    std::vector<uint8_t> picture = NumberedPicture(height, stride);
    const uint8_t* data[4] = {picture.data(), nullptr, nullptr, nullptr};
    const int linesize[4] = {stride, 0, 0, 0};

    FrameToBitmap converter;
    ASSERT_TRUE(converter.Convert(data, linesize, AV_PIX_FMT_BGR24, height, width));
    EXPECT_FALSE(converter.LastConverted());
    const Bitmap24& bitmap = *converter.Bitmap();
    EXPECT_EQ(bitmap.Width(), width);
    EXPECT_EQ(bitmap.Height(), height);
    EXPECT_EQ(bitmap.Stride(), 12);
    ExpectRowsEqual(bitmap, picture.data(), stride);
}

TEST(FrameToBitmap, OddSizesAndOtherRowLengthsGoThroughTheConversion)
{
    struct Case {
        int width, height, stride;
    };
    const Case cases[] = {{3, 2, 12}, {4, 3, 12}, {4, 2, 32}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " stride " << c.stride);
        std::vector<uint8_t> picture = NumberedPicture(c.height, c.stride);
        const uint8_t* data[4] = {picture.data(), nullptr, nullptr, nullptr};
        const int linesize[4] = {c.stride, 0, 0, 0};
        FrameToBitmap converter;
        ASSERT_TRUE(converter.Convert(data, linesize, AV_PIX_FMT_BGR24, c.height, c.width));
        EXPECT_TRUE(converter.LastConverted());
        // Same size and format: the conversion keeps every pixel.
        ExpectRowsEqual(*converter.Bitmap(), picture.data(), c.stride);
    }
}

TEST(FrameToBitmap, AYuvFrameBecomesItsColour)
{
    AVFramePtr frame{av_frame_alloc()};
    frame->format = AV_PIX_FMT_YUV420P;
    frame->width = 16;
    frame->height = 8;
    ASSERT_EQ(av_frame_get_buffer(frame.get(), 0), 0);
    // Pure red in limited-range BT.601: Y 81, U 90, V 240.
    for (int y = 0; y < 8; ++y)
        memset(frame->data[0] + y * frame->linesize[0], 81, 16);
    for (int y = 0; y < 4; ++y) {
        memset(frame->data[1] + y * frame->linesize[1], 90, 8);
        memset(frame->data[2] + y * frame->linesize[2], 240, 8);
    }
    FrameToBitmap converter;
    ASSERT_TRUE(converter.Convert(frame.get()));
    const Bitmap24& bitmap = *converter.Bitmap();
    ASSERT_EQ(bitmap.Width(), 16);
    ASSERT_EQ(bitmap.Height(), 8);
    const uint8_t* pixel = bitmap.Row(4) + 8 * 3;
    EXPECT_LE(pixel[0], 10);  // blue
    EXPECT_LE(pixel[1], 10);  // green
    EXPECT_GE(pixel[2], 245);  // red

    // A reset starts from nothing.
    converter.Reset();
    EXPECT_EQ(converter.Bitmap(), nullptr);
    EXPECT_EQ(converter.TargetFormat(), AV_PIX_FMT_BGR24);
    EXPECT_EQ(converter.BitmapBitsPerPixel(), 24);
}

TEST(FrameToBitmap, RefusesAnEmptyPicture)
{
    FrameToBitmap converter;
    const uint8_t* data[4] = {};
    const int linesize[4] = {};
    EXPECT_FALSE(converter.Convert(data, linesize, AV_PIX_FMT_BGR24, 2, 2));
}

}  // namespace
