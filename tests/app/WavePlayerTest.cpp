#include "player/WavePlayer.h"
#include "support/TestMedia.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace {

// The camera sound shipped with the program plays on its own device without
// waiting; a file that is no wave file is refused with SDL's reason.
TEST(WavePlayer, PlaysTheCameraSoundAndRefusesOtherFiles)
{
    const std::string camera = std::string(std::getenv("QUORVEX_SOURCE_DIR")) + "/resources/sounds/cam.wav";
    auto stream = qtest::ProbeStream(camera, "a:0");
    EXPECT_EQ(stream["codec_name"], "pcm_s16le");
    EXPECT_LT(qtest::FileBytes(camera), 20000);

    qtest::ScratchDir dir;
    qtest::MakeMedia(dir.path() + "/tone.mp3", "-f lavfi -i sine=duration=0.2");
    WavePlayer player;
    EXPECT_TRUE(player.Play(camera)) << player.LastError();
    EXPECT_TRUE(player.Play(camera)) << player.LastError();  // cuts the first one short
    EXPECT_FALSE(player.Play(dir.path() + "/tone.mp3"));
    EXPECT_FALSE(player.LastError().empty());
    EXPECT_FALSE(player.Play(dir.path() + "/missing.wav"));
}

}  // namespace
