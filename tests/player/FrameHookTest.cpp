// The host's frame hook sees every picture and may draw on it.
#include "PlayerTestSupport.h"

#include "media/TFFLogger.h"

#include <atomic>
#include <stdexcept>

using namespace ptest;

namespace {

void FillRect(Bitmap24& bitmap, int x0, int y0, int size, uint8_t b, uint8_t g, uint8_t r)
{
    for (int y = y0; y < y0 + size; ++y) {
        uint8_t* row = bitmap.Row(y);
        for (int x = x0; x < x0 + size; ++x) {
            row[x * 3] = b;
            row[x * 3 + 1] = g;
            row[x * 3 + 2] = r;
        }
    }
}

}  // namespace

class FrameHookTest : public PlayerFixture {};

TEST_F(FrameHookTest, ARectangleDrawnByTheHookIsInThePictureShown)
{
    const std::string clip = MakeBlueClip(scratch.path(), 2.0);
    TFFPlayer player;
    EventRecorder events;
    events.Attach(player);
    std::atomic<int> calls{0};
    std::atomic<int64_t> lastHookPts{-1};
    player.Hook = true;
    player.OnHook = [&](TCustomPlayer*, Bitmap24* bitmap, int64_t pts) {
        ASSERT_EQ(bitmap->Width(), 320);
        FillRect(*bitmap, 40, 40, 60, 0, 0, 255);
        lastHookPts = pts;
        ++calls;
    };
    ASSERT_TRUE(player.Open(clip, 0, true)) << player.LastErrMsg();
    ASSERT_TRUE(PumpUntil([&] { return events.Saw(psPause); }));
    ASSERT_TRUE(PumpUntil([&] { return !player.GetCurrentFrame()->Empty(); }, 2000));
    const Bitmap24& frame = *player.GetCurrentFrame();
    const Bgr inside = MeanColour(frame, 55, 55, 30);
    const Bgr outside = MeanColour(frame, 200, 150, 30);
    EXPECT_GT(inside.r, 200);
    EXPECT_LT(inside.b, 60);
    EXPECT_GT(outside.b, 200) << "the rest of the picture stays blue";
    EXPECT_LT(outside.r, 60);
    EXPECT_GE(calls.load(), 2);
    EXPECT_GE(lastHookPts.load(), 0);
    EXPECT_LT(lastHookPts.load(), 200000);
    player.Close(true);
}

TEST_F(FrameHookTest, AThrowingHookLeavesThePictureAndIsLogged)
{
    LogCapture log;
    const std::string clip = MakeBlueClip(scratch.path(), 2.0);
    TFFPlayer player;
    EventRecorder events;
    events.Attach(player);
    player.Hook = true;
    player.OnHook = [&](TCustomPlayer*, Bitmap24* bitmap, int64_t) {
        FillRect(*bitmap, 40, 40, 60, 0, 0, 255);
        throw std::runtime_error("pen broke");
    };
    ASSERT_TRUE(player.Open(clip, 0, true)) << player.LastErrMsg();
    ASSERT_TRUE(PumpUntil([&] { return events.Saw(psPause); }));
    ASSERT_TRUE(PumpUntil([&] { return !player.GetCurrentFrame()->Empty(); }, 2000));
    const Bgr inside = MeanColour(*player.GetCurrentFrame(), 55, 55, 30);
    EXPECT_GT(inside.b, 200) << "the half-drawn bitmap is not written back";
    EXPECT_LT(inside.r, 60);
    EXPECT_TRUE(log.Has("Error occurs OnHook: pen broke"));
    player.Close(true);
}
