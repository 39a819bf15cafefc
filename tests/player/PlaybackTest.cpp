// Opening, playing to the end, pausing and seeking real generated files.
#include "PlayerTestSupport.h"

#include "media/TFFLogger.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

using namespace ptest;

class PlaybackTest : public PlayerFixture {};

TEST_F(PlaybackTest, OpenPausedShowsTheFirstPictureThenPlaysToTheEnd)
{
    const std::string clip = MakeVideoClip(scratch.path(), 2.0);
    TFFPlayer player;
    EventRecorder events;
    events.Attach(player);
    int64_t openedDuration = 0;
    int openedWidth = 0, openedHeight = 0;
    player.OnFileOpen = [&](TCustomPlayer*, int64_t duration, int width, int height, int&, int&) {
        openedDuration = duration;
        openedWidth = width;
        openedHeight = height;
    };
    ASSERT_TRUE(player.Open(clip, 0, true)) << player.LastErrMsg();
    EXPECT_NEAR(openedDuration, 2000000, 100000);
    EXPECT_EQ(openedWidth, 320);
    EXPECT_EQ(openedHeight, 240);

    ASSERT_TRUE(PumpUntil([&] { return events.Saw(psPause); }));
    int64_t pts = -2;
    ASSERT_TRUE(PumpUntil([&] { return !player.GetCurrentFrame(pts)->Empty(); }, 2000));
    const Bitmap24* frame = player.GetCurrentFrame(pts);
    EXPECT_EQ(frame->Width(), 320);
    EXPECT_EQ(frame->Height(), 240);
    EXPECT_LT(pts, 200000) << "one of the first pictures is on screen";
    // the test pattern is not a black picture
    const Bgr centre = MeanColour(*frame, 100, 60, 40);
    EXPECT_GT(centre.b + centre.g + centre.r, 150);
    PumpFor(300);
    EXPECT_EQ(player.State(), psPause) << "opening paused stays paused";
    int64_t ptsLater = -2;
    player.GetCurrentFrame(ptsLater);
    EXPECT_EQ(ptsLater, pts) << "the second picture decoded waits for the resume";

    player.Resume();
    EXPECT_EQ(player.State(), psResume);
    ASSERT_TRUE(PumpUntil([&] { return events.Saw(psEnd); }, 8000));
    EXPECT_TRUE(PumpUntil([&] { return events.LastPosition() >= 1950000; }, 1000)) << events.LastPosition();
    EXPECT_LE(events.LastPosition(), 2100000);

    player.Close(true);
    EXPECT_TRUE(events.Saw(psStop));
    EXPECT_EQ(player.State(), psStop);
    EXPECT_TRUE(player.GetCurrentFrame()->Empty());
}

TEST_F(PlaybackTest, AudioOnlyFileReportsPositionsAndEnds)
{
    const std::string clip = MakeToneClip(scratch.path(), 1.5);
    TFFPlayer player;
    EventRecorder events;
    events.Attach(player);
    ASSERT_TRUE(player.Open(clip, 0, false)) << player.LastErrMsg();
    ASSERT_TRUE(PumpUntil([&] { return events.Saw(psEnd); }, 8000));
    EXPECT_GE(events.PositionCount(), 5u) << "positions come from the audio clock while it plays";
    EXPECT_NEAR(events.LastPosition(), 1500000, 60000);
    int64_t pts = 0;
    EXPECT_TRUE(player.GetCurrentFrame(pts)->Empty());
    EXPECT_EQ(pts, -1);
    player.Close(true);
    EXPECT_TRUE(events.Saw(psStop));
}

TEST_F(PlaybackTest, LeavingOutPictureOrDisplayStillPlaysTheSound)
{
    const std::string clip = MakeVideoClip(scratch.path(), 1.0);
    struct Case {
        const char* name;
        bool disableVideo;
        bool disableDisplay;
    };
    const Case cases[] = {{"video disabled", true, false}, {"display disabled", false, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TFFPlayer player;
        EventRecorder events;
        events.Attach(player);
        player.DisableVideo = c.disableVideo;
        player.DisableDisplay = c.disableDisplay;
        ASSERT_TRUE(player.Open(clip, 0, false)) << player.LastErrMsg();
        EXPECT_TRUE(player.DisableVideo) << "no display means no video either";
        ASSERT_TRUE(PumpUntil([&] { return events.Saw(psEnd); }, 6000));
        int64_t pts = 0;
        EXPECT_TRUE(player.GetCurrentFrame(pts)->Empty());
        EXPECT_EQ(pts, -1);
        EXPECT_GT(events.LastPosition(), 900000) << "positions come from the audio clock";
        player.Close(true);
    }
}

struct FailingOpen {
    const char* name;
    std::function<std::string(const std::string& dir)> make;
    bool disableAudio;
    std::string expectedSuffix;
};

TEST_F(PlaybackTest, FilesWithoutAPlayableStreamFailToOpen)
{
    const std::vector<FailingOpen> cases = {
        {"subtitles only", [](const std::string& dir) { return MakeSubtitleOnlyClip(dir); }, false,
         ": could not open codecs, no stream to play."},
        {"audio disabled", [](const std::string& dir) { return MakeToneClip(dir, 1.0); }, true,
         ": could not open codecs, no stream to play."},
        {"missing file", [](const std::string& dir) { return dir + "/missing.mp4"; }, false,
         ": No such file or directory"},
    };
    for (const FailingOpen& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string file = c.make(scratch.path());
        TFFPlayer player;
        EventRecorder events;
        events.Attach(player);
        player.DisableAudio = c.disableAudio;
        EXPECT_FALSE(player.Open(file, 0, false));
        EXPECT_EQ(player.LastErrMsg(), file + c.expectedSuffix);
        EXPECT_EQ(player.GetCurrentFrame()->Width(), 0);
        PumpFor(50);
        EXPECT_TRUE(events.states.empty()) << "a failed open starts no threads";
    }
}

TEST_F(PlaybackTest, WithoutASoundDeviceThePictureStillPlays)
{
    LogCapture log;
    const std::string clip = MakeVideoClip(scratch.path(), 1.0);
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    TFFPlayer player;
    EventRecorder events;
    events.Attach(player);
    const bool opened = player.Open(clip, 0, false);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    ASSERT_TRUE(opened) << player.LastErrMsg();
    EXPECT_TRUE(log.HasPrefix("SDL_OpenAudio() failed: "));
    ASSERT_TRUE(PumpUntil([&] { return events.Saw(psEnd); }, 6000));
    // the last picture may still be on its way when the input has drained
    EXPECT_TRUE(PumpUntil([&] { return events.LastPosition() >= 950000; }, 1000)) << events.LastPosition();
    player.Close(true);
}

TEST_F(PlaybackTest, APictureSizeChangeMidStreamGetsAnOverlayOfTheNewSize)
{
    const std::string clip = MakeSizeChangeClip(scratch.path());
    TFFPlayer player;
    EventRecorder events;
    events.Attach(player);
    ASSERT_TRUE(player.Open(clip, 0, true)) << player.LastErrMsg();
    ASSERT_TRUE(PumpUntil([&] { return events.Saw(psPause); }));
    ASSERT_TRUE(PumpUntil([&] { return !player.GetCurrentFrame()->Empty(); }, 2000));
    EXPECT_EQ(player.GetCurrentFrame()->Width(), 320);
    // resumed at once, perhaps before the first picture was due on screen
    player.Resume();
    ASSERT_TRUE(PumpUntil([&] { return events.Saw(psEnd); }, 6000));
    const Bitmap24* last = player.GetCurrentFrame();
    EXPECT_EQ(last->Width(), 160);
    EXPECT_EQ(last->Height(), 120);
    const Bgr centre = MeanColour(*last, 60, 40, 20);
    EXPECT_GT(centre.b + centre.g + centre.r, 150) << "the small pictures are drawn, not left black";
    player.Close(true);
}

TEST_F(PlaybackTest, CloseWithWaitOnANeverOpenedPlayerReturnsAtOnce)
{
    TFFPlayer player;
    const auto start = std::chrono::steady_clock::now();
    player.Close(true);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count(), 100);
    EXPECT_EQ(player.State(), psStop);
}

TEST_F(PlaybackTest, WithoutAStateHandlerTheEventThreadStillEnds)
{
    const std::string clip = MakeToneClip(scratch.path(), 2.0);
    TFFPlayer player;
    std::atomic<int> positions{0};
    player.OnPosition = [&](TCustomPlayer*, int64_t) { ++positions; };
    ASSERT_TRUE(player.Open(clip, 0, false)) << player.LastErrMsg();
    ASSERT_TRUE(PumpUntil([&] { return positions > 0; }));
    const auto start = std::chrono::steady_clock::now();
    player.Close(true);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    // Close waits for both threads; a thread left waiting would hold it for seconds
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count(), 1000);
    EXPECT_EQ(player.State(), psStop);
}

TEST_F(PlaybackTest, OpeningAnotherFileClosesTheFirst)
{
    const std::string video = MakeVideoClip(scratch.path(), 2.0);
    const std::string tone = MakeToneClip(scratch.path(), 1.0);
    TFFPlayer player;
    EventRecorder events;
    events.Attach(player);
    ASSERT_TRUE(player.Open(video, 0, false)) << player.LastErrMsg();
    ASSERT_TRUE(PumpUntil([&] { return player.CurrentPosition() > 200000; }));
    ASSERT_TRUE(player.Open(tone, 0, false)) << player.LastErrMsg();
    EXPECT_EQ(events.Count(psStop), 1) << "the first file was closed before the second opened";
    EXPECT_EQ(player.FileName(), tone);
    int64_t pts = 0;
    EXPECT_TRUE(player.GetCurrentFrame(pts)->Empty()) << "no picture from the first file is left";
    ASSERT_TRUE(PumpUntil([&] { return events.Saw(psEnd); }, 5000));
    EXPECT_NEAR(events.LastPosition(), 1000000, 60000);
    player.Close(true);
    EXPECT_EQ(events.Count(psStop), 2);
}

TEST_F(PlaybackTest, TogglePausePostsResumeAndPause)
{
    const std::string clip = MakeVideoClip(scratch.path(), 2.0);
    struct Case {
        const char* name;
        int64_t pauseFrom;  // position to play to before pausing
    };
    // at once, with the first pictures still on their way; and in mid-play,
    // with decoded pictures waiting in the queue
    const Case cases[] = {{"paused at once", 0}, {"paused in mid-play", 400000}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TFFPlayer player;
        EventRecorder events;
        events.Attach(player);
        ASSERT_TRUE(player.Open(clip, 0, false)) << player.LastErrMsg();
        ASSERT_TRUE(PumpUntil([&] { return events.Saw(psPlay) && player.CurrentPosition() >= c.pauseFrom; }));
        player.TogglePause();
        EXPECT_EQ(player.State(), psPause);
        ASSERT_TRUE(PumpUntil([&] { return events.Saw(psPause); }));
        const int64_t pausedAt = player.CurrentPosition();
        int64_t pictureAt = 0;
        player.GetCurrentFrame(pictureAt);
        // positions are reported in steps of more than 10 ms
        long long furthest = 0;
        for (int step = 0; step < 15; ++step) {
            PumpFor(20);
            furthest = std::max(furthest, std::llabs(player.CurrentPosition() - pausedAt));
        }
        EXPECT_LE(furthest, 10000) << "the position stands while paused";
        int64_t pictureLater = 0;
        player.GetCurrentFrame(pictureLater);
        if (c.pauseFrom > 0) {
            // paused at once, the first picture may still be on its way
            EXPECT_EQ(pictureLater, pictureAt) << "no waiting picture is shown while paused";
        }
        player.TogglePause();
        EXPECT_EQ(player.State(), psResume);
        ASSERT_TRUE(PumpUntil([&] { return events.Saw(psResume); }));
        ASSERT_TRUE(PumpUntil([&] { return player.CurrentPosition() > pausedAt + 200000; }, 3000))
            << "playing again moves the position on";
        player.Close(true);
    }
}

TEST_F(PlaybackTest, SeekWhilePausedShowsThePictureAtTheTargetAndStaysPaused)
{
    const std::string clip = MakeVideoClip(scratch.path(), 2.0);
    TFFPlayer player;
    EventRecorder events;
    events.Attach(player);
    ASSERT_TRUE(player.Open(clip, 0, true)) << player.LastErrMsg();
    ASSERT_TRUE(PumpUntil([&] { return events.Saw(psPause); }));
    player.Seek(0, true, 1200000);
    int64_t pts = 0;
    ASSERT_TRUE(PumpUntil(
        [&] {
            player.GetCurrentFrame(pts);
            return pts >= 1000000;
        },
        3000))
        << "picture time " << pts;
    EXPECT_LE(pts, 1240000);
    EXPECT_FALSE(player.GetCurrentFrame()->Empty());
    PumpFor(300);
    int64_t ptsLater = 0;
    player.GetCurrentFrame(ptsLater);
    EXPECT_EQ(ptsLater, pts) << "still paused: the picture does not move on";
    EXPECT_EQ(player.State(), psPause);
    EXPECT_EQ(events.Count(psResume), 0);
    player.Close(true);
}

// A seek decodes from the key frame before its target but shows the picture
// at the target: on a clip with a single key frame, forwards, backwards and
// past the last picture, while paused.
TEST_F(PlaybackTest, SeekShowsThePictureAtItsTargetNotTheKeyFrameBefore)
{
    const std::string clip = qtest::MakeOneKeyFrameClip(scratch.path());
    const struct {
        int64_t targetUs;
        int64_t lowUs, highUs;  // the time of the picture shown
        Bgr colour;
    } cases[] = {
        {2500000, 2460000, 2540000, {255, 0, 0}},  // the third second: blue
        {1200000, 1160000, 1240000, {0, 255, 0}},  // back into the second: green
        {4000000, 3900000, 4040000, {255, 255, 255}},  // the end: the last picture, white
    };
    TFFPlayer player;
    EventRecorder events;
    events.Attach(player);
    ASSERT_TRUE(player.Open(clip, 0, true)) << player.LastErrMsg();
    ASSERT_TRUE(PumpUntil([&] { return events.Saw(psPause); }));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.targetUs);
        player.Seek(0, true, c.targetUs);
        int64_t pts = 0;
        PumpUntil(
            [&] {
                player.GetCurrentFrame(pts);
                return pts >= c.lowUs && pts <= c.highUs;
            },
            3000);
        EXPECT_GE(pts, c.lowUs);
        EXPECT_LE(pts, c.highUs);
        const Bgr seen = MeanColour(*player.GetCurrentFrame(), 140, 100, 40);
        EXPECT_NEAR(seen.b, c.colour.b, 40);
        EXPECT_NEAR(seen.g, c.colour.g, 40);
        EXPECT_NEAR(seen.r, c.colour.r, 40);
        EXPECT_TRUE(PumpUntil([&] { return std::llabs(events.LastPosition() - pts) < 50000; }, 2000))
            << "the position shown is the picture's: " << events.LastPosition();
    }
    player.Close(true);
}

TEST_F(PlaybackTest, SeekToStartWithAnyFrameAfterTheEndRestarts)
{
    const std::string clip = MakeVideoClip(scratch.path(), 1.0);
    TFFPlayer player;
    EventRecorder events;
    events.Attach(player);
    ASSERT_TRUE(player.Open(clip, 0, false)) << player.LastErrMsg();
    ASSERT_TRUE(PumpUntil([&] { return events.Saw(psEnd); }, 6000));
    player.Seek(4, false, 0);
    int64_t pts = 0;
    ASSERT_TRUE(PumpUntil(
        [&] {
            player.GetCurrentFrame(pts);
            return pts < 500000;
        },
        3000))
        << "picture time " << pts;
    ASSERT_TRUE(PumpUntil([&] { return events.Count(psEnd) >= 2; }, 6000)) << "it plays to the end again";
    player.Close(true);
}

TEST_F(PlaybackTest, ASecondSeekWhileOneIsPendingIsIgnored)
{
    const std::string clip = MakeVideoClip(scratch.path(), 2.0);
    TFFPlayer player;
    EventRecorder events;
    events.Attach(player);
    ASSERT_TRUE(player.Open(clip, 0, true)) << player.LastErrMsg();
    ASSERT_TRUE(PumpUntil([&] { return events.Saw(psPause); }));
    // the read thread serves requests between packets; both land before it looks
    player.Seek(0, false, 400000);
    player.Seek(0, false, 1600000);
    int64_t pts = 0;
    ASSERT_TRUE(PumpUntil(
        [&] {
            player.GetCurrentFrame(pts);
            return pts >= 300000 && pts <= 500000;
        },
        3000))
        << "picture time " << pts;
    PumpFor(300);
    player.GetCurrentFrame(pts);
    EXPECT_LT(pts, 1000000) << "the second target was never sought";
    player.Close(true);
}

TEST_F(PlaybackTest, PositionsPostedWhileTheHostIsBusyArriveAsOne)
{
    const std::string clip = MakeToneClip(scratch.path(), 2.0);
    TFFPlayer player;
    EventRecorder events;
    events.Attach(player);
    ASSERT_TRUE(player.Open(clip, 0, false)) << player.LastErrMsg();
    ASSERT_TRUE(PumpUntil([&] { return events.PositionCount() > 0; }));
    // the main thread does not serve the event thread for a while
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const size_t before = events.PositionCount();
    const int64_t positionNow = player.CurrentPosition();
    PumpFor(15);
    std::vector<int64_t> delivered;
    {
        std::lock_guard guard(events.lock);
        delivered.assign(events.positions.begin() + before, events.positions.end());
    }
    // about 25 positions were posted meanwhile: the one the event thread held,
    // then the newest of the rest, with nothing in between
    ASSERT_GE(delivered.size(), 2u);
    EXPECT_LT(delivered[0], positionNow - 300000);
    EXPECT_GE(delivered[1], positionNow - 30000);
    player.Close(true);
}
