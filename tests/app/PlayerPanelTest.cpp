#include "AppFakes.h"
#include "app/FFPreviewPlayer.h"
#include "app/PlayerPanel.h"
#include "app/SettingsFile.h"
#include "media/QueueMainThread.h"
#include "support/TestMedia.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

// A real preview player on a generated clip, headless (dummy SDL drivers),
// its events delivered through a queue the test pumps.
class PlayerPanelTest : public ::testing::Test {
protected:
    PlayerPanelTest() : paths_(apptest::PathsUnder(scratch_.path())), settings_(paths_), snapshots_(settings_)
    {
        SetMainThread(&mainThread_);
        fs::create_directories(paths_.programFolder + "sounds");
        fs::create_directories(scratch_.path() + "/home");
        PlayerPanel::Hooks hooks;
        hooks.appendLog = [this](const std::string& text) { log_.push_back(text); };
        hooks.showStatus = [this](const std::string& text) { status_.push_back(text); };
        hooks.playSound = [this](const std::string& path) { sounds_.push_back(path); };
        hooks.showError = [this](const std::string& text) { errors_.push_back(text); };
        hooks.showSeekPosition = [this](int position) { bar_.push_back(position); };
        hooks.showNoPicture = [this] { ++blackened_; };
        panel_ = std::make_unique<PlayerPanel>(player_, snapshots_, paths_.programFolder + "LibAV",
                                               paths_.programFolder + "sounds/cam.wav", hooks);
        clip_ = scratch_.path() + "/clip.mp4";
        qtest::MakeMedia(clip_, "-f lavfi -i testsrc=size=320x240:rate=25:duration=4 -c:v libx264 -preset ultrafast "
                                "-g 5 -pix_fmt yuv420p");
    }
    ~PlayerPanelTest() override
    {
        player_.Close();
        SetMainThread(nullptr);
    }
    // Selects the clip's row and waits for the first picture.
    void SelectClip()
    {
        panel_->SelectRow(clip_, false);
        ASSERT_TRUE(mainThread_.pumpUntil(
            [this] { return panel_->PlayerDuration() > 0 && !Frame().Empty() && player_.Paused(); }, 5000));
    }
    Bitmap24 Frame()
    {
        const Bitmap24* frame = player_.CurrentFrame();
        return frame ? *frame : Bitmap24{};
    }
    int64_t FramePts()
    {
        int64_t pts = -1;
        player_.Player().GetCurrentFrame(pts);
        return pts;
    }
    void Pump(int ms)
    {
        mainThread_.pumpUntil([] { return false; }, ms);
    }

    qtest::ScratchDir scratch_;
    QueueMainThread mainThread_;
    ProgramPaths paths_;
    SettingsFile settings_;
    Snapshots snapshots_;
    FFPreviewPlayer player_;
    std::unique_ptr<PlayerPanel> panel_;
    std::string clip_;
    std::vector<std::string> log_, status_, sounds_, errors_;
    std::vector<int> bar_;  // each position the seek bar was given
    int blackened_ = 0;
};

TEST_F(PlayerPanelTest, BmpSnapshotsTakeTheSmallestFreeNumberAndSetUpTheSettingsFile)
{
    apptest::WriteText(paths_.programFolder + "sounds/cam.wav", "RIFF");
    SelectClip();
    ASSERT_FALSE(settings_.Exists());
    const std::string folder = paths_.defaultSnapshotFolder;
    for (int n = 1; n <= 3; ++n) {
        const Snapshots::Outcome taken = panel_->Image24Click();
        ASSERT_TRUE(taken.saved) << taken.error;
        EXPECT_EQ(taken.path, folder + "/clip_" + std::to_string(n) + ".bmp");
    }
    EXPECT_EQ(settings_.Read("SnapShot", "Dir"), folder);
    EXPECT_EQ(settings_.Read("SnapShot", "Picture"), "BMP");
    EXPECT_EQ(status_.size(), 3u);
    EXPECT_EQ(status_.back(), Snapshots::kTakenText);
    EXPECT_EQ(sounds_.size(), 3u);
    auto video = qtest::ProbeStream(folder + "/clip_3.bmp", "v:0");
    EXPECT_EQ(video["codec_name"], "bmp");
    EXPECT_EQ(video["width"], "320");
    EXPECT_EQ(video["height"], "240");

    fs::remove(folder + "/clip_2.bmp");
    EXPECT_EQ(panel_->Image24Click().path, folder + "/clip_2.bmp");
    EXPECT_EQ(panel_->Image24Click().path, folder + "/clip_4.bmp");
}

TEST_F(PlayerPanelTest, JpgPngAndGifSnapshotsOpenWithTheirSize)
{
    SelectClip();
    const std::string folder = scratch_.path() + "/shots/deeper";
    settings_.Write("SnapShot", "Dir", folder);
    const struct {
        const char* type;
        const char* codec;
        const char* path;
    } cases[] = {{"JPG", "mjpeg", "/clip_1.jpg"}, {"PNG", "png", "/clip_1.png"}, {"GIF", "gif", "/clip_1.gif"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        settings_.Write("SnapShot", "Picture", c.type);
        const Snapshots::Outcome taken = panel_->Image24Click();
        ASSERT_TRUE(taken.saved) << taken.error;
        EXPECT_EQ(taken.path, folder + c.path);
        auto video = qtest::ProbeStream(taken.path, "v:0");
        EXPECT_EQ(video["codec_name"], c.codec);
        EXPECT_EQ(video["width"], "320");
        EXPECT_EQ(video["height"], "240");
    }
    // no sound file beside the program: nothing is played, the status still says it
    EXPECT_TRUE(sounds_.empty());
    EXPECT_EQ(status_.size(), 3u);
    // an unknown type falls back to BMP and is stored
    settings_.Write("SnapShot", "Picture", "TIFF");
    EXPECT_EQ(panel_->Image24Click().path, folder + "/clip_1.bmp");
    EXPECT_EQ(settings_.Read("SnapShot", "Picture"), "BMP");
}

TEST_F(PlayerPanelTest, NoPictureSavesNothingAndAFailedSaveSaysOnlyTheError)
{
    // nothing opened yet
    const Snapshots::Outcome none = panel_->Image24Click();
    EXPECT_FALSE(none.saved);
    EXPECT_TRUE(none.error.empty());
    EXPECT_TRUE(fs::is_empty(paths_.defaultSnapshotFolder));
    EXPECT_TRUE(status_.empty());
    EXPECT_TRUE(errors_.empty());

    SelectClip();
    apptest::WriteText(scratch_.path() + "/plain-file", "x");
    settings_.Write("SnapShot", "Dir", scratch_.path() + "/plain-file/shots");
    apptest::WriteText(paths_.programFolder + "sounds/cam.wav", "RIFF");
    const Snapshots::Outcome failed = panel_->Image24Click();
    EXPECT_FALSE(failed.saved);
    ASSERT_EQ(errors_.size(), 1u);
    EXPECT_NE(errors_[0].find("Not a directory"), std::string::npos) << errors_[0];
    EXPECT_TRUE(status_.empty());
    EXPECT_TRUE(sounds_.empty());
}

TEST_F(PlayerPanelTest, SelectionOpensPausedAndStopReturnsToTheFirstPicture)
{
    SelectClip();
    EXPECT_EQ(panel_->SeekMaximum(), 313);
    EXPECT_EQ(panel_->SeekTickFrequency(), 5);
    EXPECT_NEAR(static_cast<double>(panel_->PlayerDuration()), 4e6, 1e5);
    Pump(300);
    EXPECT_TRUE(player_.Paused());
    EXPECT_LT(FramePts(), 100000);

    panel_->Image3Click();
    ASSERT_TRUE(mainThread_.pumpUntil([this] { return FramePts() > 600000; }, 5000));
    panel_->Image5Click(true);
    ASSERT_TRUE(mainThread_.pumpUntil([this] { return !Frame().Empty(); }, 5000));
    Pump(300);
    EXPECT_TRUE(player_.Paused());
    EXPECT_LT(FramePts(), 100000);
}

TEST_F(PlayerPanelTest, DragOnAPausedPreviewPlaysFromTheNewPlace)
{
    SelectClip();
    panel_->SeekMouseDown();
    EXPECT_TRUE(panel_->ThumbDragging());
    panel_->SeekMouseUp(235);  // three quarters of 313
    EXPECT_FALSE(panel_->ThumbDragging());
    ASSERT_TRUE(mainThread_.pumpUntil([this] { return FramePts() >= 2800000; }, 5000)) << FramePts();
    EXPECT_FALSE(player_.Paused());
    EXPECT_GE(panel_->SeekPosition(), 234);  // from the new place on
}

TEST_F(PlayerPanelTest, TheSeekBarFollowsPlaybackButNotWhileItIsHeld)
{
    SelectClip();
    panel_->Image3Click();
    ASSERT_TRUE(mainThread_.pumpUntil([this] { return panel_->SeekPosition() >= 150; }, 5000))
        << panel_->SeekPosition();
    EXPECT_NEAR(panel_->SeekPosition(), FramePts() * 313 / 4000000, 16) << "the bar is where the picture is";
    EXPECT_TRUE(std::is_sorted(bar_.begin(), bar_.end()));
    ASSERT_FALSE(bar_.empty());
    EXPECT_EQ(bar_.back(), panel_->SeekPosition());

    // pressing the bar of a paused preview lets it play: the bar stays under the mouse
    panel_->Image4Click();
    panel_->SeekMouseDown();
    const size_t held = bar_.size();
    const int64_t pressedAt = FramePts();
    ASSERT_TRUE(mainThread_.pumpUntil([&] { return FramePts() > pressedAt + 300000; }, 5000));
    EXPECT_EQ(bar_.size(), held);

    // let go further back: from there on, never a position from before
    panel_->SeekMouseUp(50);
    ASSERT_TRUE(mainThread_.pumpUntil([this] { return panel_->SeekPosition() > 65; }, 5000)) << panel_->SeekPosition();
    ASSERT_GT(bar_.size(), held);
    EXPECT_GE(bar_[held], 50);
    EXPECT_LE(bar_[held], 60);
    EXPECT_TRUE(std::is_sorted(bar_.begin() + static_cast<long>(held), bar_.end()));
}

// On a clip with a single key frame the seek still shows the picture at its
// target: the drag to the middle shows the third second (blue), not the start.
TEST_F(PlayerPanelTest, ADragShowsThePictureAtItsTargetNotAtTheKeyFrameBefore)
{
    clip_ = qtest::MakeOneKeyFrameClip(scratch_.path());
    SelectClip();
    panel_->SeekMouseDown();
    panel_->SeekMouseUp(157);  // 2.006 s of 4
    // the press lets the preview play, so a picture of the start may show
    // before the seek lands; what matters is the first one after it
    ASSERT_TRUE(mainThread_.pumpUntil([&] { return FramePts() > 500000; }, 5000));
    const int64_t first = FramePts();
    const Bitmap24 shown = Frame();
    EXPECT_GE(first, 1960000);
    EXPECT_LE(first, 2500000);
    ASSERT_FALSE(shown.Empty());
    const uint8_t* centre = shown.Row(shown.Height() / 2) + shown.Width() / 2 * 3;
    EXPECT_GT(centre[0], 200) << "blue";
    EXPECT_LT(centre[1], 60);
    EXPECT_LT(centre[2], 60);
    EXPECT_GE(panel_->SeekPosition(), 156);  // the 2.0 s picture, truncated
}

TEST_F(PlayerPanelTest, AFileThatCannotBeOpenedLeavesTheSurfaceBlack)
{
    SelectClip();
    EXPECT_EQ(blackened_, 0);
    apptest::WriteText(scratch_.path() + "/broken.mp4", "not a video");
    panel_->SelectRow(scratch_.path() + "/broken.mp4", false);
    EXPECT_EQ(blackened_, 1);
    EXPECT_EQ(log_.size(), 1u);
    SelectClip();
    EXPECT_EQ(blackened_, 1);
}

TEST_F(PlayerPanelTest, ChosenSnapshotFolderIsStoredOnlyWhenItExists)
{
    apptest::FakeDialogs dialogs;
    const std::string chosen = scratch_.path() + "/pictures";
    fs::create_directories(chosen);
    dialogs.folderAnswers = {std::nullopt, scratch_.path() + "/not-there", chosen};
    snapshots_.ChooseFolder(dialogs);  // cancelled
    EXPECT_FALSE(settings_.Exists());
    snapshots_.ChooseFolder(dialogs);
    EXPECT_FALSE(settings_.Exists());
    snapshots_.ChooseFolder(dialogs);
    EXPECT_EQ(settings_.Read("SnapShot", "Dir"), chosen);
    EXPECT_EQ(dialogs.folderTitles, std::vector<std::string>(3, "选择快照文件存放目录"));
}

TEST_F(PlayerPanelTest, AFileThePlayerCannotOpenGoesToTheLog)
{
    apptest::WriteText(scratch_.path() + "/broken.avi", "not a video");
    panel_->SelectRow(scratch_.path() + "/broken.avi", false);
    ASSERT_EQ(log_.size(), 1u);
    EXPECT_FALSE(log_[0].empty());
    // a busy list only remembers the file
    panel_->SelectRow(clip_, true);
    EXPECT_EQ(panel_->PreviewFile(), clip_);
    EXPECT_EQ(log_.size(), 1u);
    EXPECT_EQ(panel_->PlayerDuration(), 0);
}

}  // namespace
