// What reaches the sound device: the file's samples at the player's volume.
// The disk driver writes the device's bytes to a file as fast as it can.
#include "PlayerTestSupport.h"

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>

using namespace ptest;

namespace {

std::vector<int16_t> ReadSamples(const std::string& path, size_t skipBytes)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<int16_t> samples;
    for (size_t i = skipBytes; i + 1 < bytes.size(); i += 2)
        samples.push_back(static_cast<int16_t>(uint8_t(bytes[i]) | (uint8_t(bytes[i + 1]) << 8)));
    return samples;
}

double MeanAbs(const std::vector<int16_t>& samples)
{
    double sum = 0;
    for (int16_t s : samples)
        sum += std::abs(int(s));
    return samples.empty() ? 0 : sum / samples.size();
}

}  // namespace

class AudioOutputTest : public PlayerFixture {
protected:
    void SetUp() override
    {
        PlayerFixture::SetUp();
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIODELAY", "0", 1);
    }
    void TearDown() override
    {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        unsetenv("SDL_DISKAUDIOFILE");
        PlayerFixture::TearDown();
    }
};

TEST_F(AudioOutputTest, TheDeviceGetsTheSamplesAtTheChosenVolume)
{
    const std::string tone = MakeToneClip(scratch.path(), 1.0);
    const double sourceLevel = MeanAbs(ReadSamples(tone, 44));  // the WAV header is 44 bytes
    ASSERT_GT(sourceLevel, 1000);
    struct Case {
        const char* name;
        int volume;
        bool mute;
        double expectedRatio;
    };
    const Case cases[] = {
        {"full volume", 128, false, 1.0},
        {"half volume", 64, false, 0.5},
        {"muted", 128, true, 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string output =
            scratch.file(std::string("device_") + std::to_string(c.volume) + (c.mute ? "m" : "") + ".raw");
        setenv("SDL_DISKAUDIOFILE", output.c_str(), 1);
        TFFPlayer player;
        EventRecorder events;
        events.Attach(player);
        player.SetAudioVolume(c.volume);
        player.SetMute(c.mute);
        ASSERT_TRUE(player.Open(tone, 0, false)) << player.LastErrMsg();
        ASSERT_TRUE(PumpUntil([&] { return events.Saw(psEnd); }, 5000));
        player.Close(true);
        std::vector<int16_t> played = ReadSamples(output, 0);
        // silence fills the device while the queue is still empty; the tone
        // follows in one piece
        auto first = std::find_if(played.begin(), played.end(), [](int16_t s) { return s != 0; });
        if (c.mute) {
            EXPECT_EQ(first, played.end()) << "muted output is all zeros";
            EXPECT_GT(played.size(), 44100u * 2) << "decoding went on while muted";
            continue;
        }
        ASSERT_NE(first, played.end());
        std::vector<int16_t> window(first, first + std::min<ptrdiff_t>(played.end() - first, 44100));
        EXPECT_NEAR(MeanAbs(window) / sourceLevel, c.expectedRatio, 0.02);
    }
}
