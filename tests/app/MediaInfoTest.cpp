#include "app/MediaInfo.h"
#include "media/TAVProbe.h"
#include "media/TFFmpegLoader.h"
#include "support/TestMedia.h"

#include <gtest/gtest.h>

namespace {

struct CutCase {
    const char* name;
    std::string text;
    std::string video, audio, size, duration, bitRate;
};

// Description texts laid out the way the probe writes them.
TEST(MediaInfoCuts, CutTheProbeTextAtItsMarkers)
{
    const std::string head =
        "File Name: /m/a.avi\r\nFormat Name: avi\r\nFormat Long Name: AVI (Audio Video Interleaved)\r\n"
        "File Size: 1.50 MB\r\nDuration: 00:01:23.456\r\nStartTime: 0.000000\r\nBit Rate: 1411 kb/s\r\n";
    const CutCase cases[] = {
        {"video and audio",
         head + "Stream #0, 1/25: Video: mpeg4, yuv420p, 320x240, StartTime: 0.000000, Duration: 00:01:23.40\r\n"
                "Stream #1, 1/44100: Audio: mp3, 44100 Hz, stereo, StartTime: 0.000000, Duration: 00:01:23.45\r\n",
         "Video: mpeg4, yuv420p, 320x240", "Audio: mp3, 44100 Hz, stereo", " 1.50 MB\r\n", " 00:01:23", " 1411 kb/s"},
        // without a video line the cut starts at the beginning, so it shows as "无"
        {"audio only",
         head + "Stream #0, 1/44100: Audio: pcm_s16le, 44100 Hz, StartTime: 0.000000, Duration: 00:01:23.45\r\n",
         head + "Stream #0, 1/44100: Audio: pcm_s16le, 44100 Hz", "Audio: pcm_s16le, 44100 Hz", " 1.50 MB\r\n",
         " 00:01:23", " 1411 kb/s"},
        {"no start time after the stream", "File Name: x\r\nBit Rate: N/A\r\nStream #0: Video: h264", "", "", "", "",
         " N/A\r\n"},
        {"probe without a file", "", "", "", "", "", ""},
    };
    for (const CutCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(MediaInfoCuts::StreamText(c.text, "Video:"), c.video);
        EXPECT_EQ(MediaInfoCuts::StreamText(c.text, "Audio:"), c.audio);
        EXPECT_EQ(MediaInfoCuts::FileSize(c.text), c.size);
        EXPECT_EQ(MediaInfoCuts::Duration(c.text), c.duration);
        EXPECT_EQ(MediaInfoCuts::BitRate(c.text), c.bitRate);
    }
}

TEST(MediaInfoCuts, FrameRateHasTwoDecimalsAndAnUndefinedQuotientIsZero)
{
    EXPECT_EQ(FrameRateText(30000, 1001), "29.97");
    EXPECT_EQ(FrameRateText(25, 1), "25.00");
    EXPECT_EQ(FrameRateText(25, 0), "0.00");
    EXPECT_EQ(FrameRateText(0, 0), "0.00");
}

class MediaInfoFiles : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(GetFFmpegLoader().Load(ConverterLibraries)); }
    MediaInfoLabels Labels(const std::string& path, MediaInfoStrings* strings = nullptr)
    {
        TAVProbe probe;
        const MediaInfoStrings info = GatherMediaInfo(probe, path);
        if (strings)
            *strings = info;
        return MediaInfoLabels::From(info);
    }
    qtest::ScratchDir dir_;
};

TEST_F(MediaInfoFiles, AudioOnlyFileHasNoVideoFacts)
{
    // PCM in a container that gives start times, so the stream line has its ", StartTime:"
    const std::string wav = dir_.path() + "/tone.mov";
    ASSERT_TRUE(
        qtest::MakeMedia(wav, "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=3 -ac 2 -c:a pcm_s16le"));
    MediaInfoStrings info;
    const MediaInfoLabels labels = Labels(wav, &info);
    EXPECT_EQ(labels.videoStream, "无");
    EXPECT_EQ(labels.resolution, "");
    EXPECT_EQ(labels.frameRate, "");
    EXPECT_EQ(labels.videoKbps, "");
    EXPECT_EQ(labels.sampleRate, "44100");
    EXPECT_EQ(labels.channels, "立体声");
    EXPECT_EQ(labels.audioKbps, "1411  kbps");
    EXPECT_EQ(labels.audioStream.rfind("Audio: pcm_s16le", 0), 0u) << labels.audioStream;
    EXPECT_EQ(labels.fileName, "tone.mov");
    EXPECT_EQ(labels.extension, ".mov");
    EXPECT_EQ(labels.formatName, "mov,mp4,m4a,3gp,3g2,mj2");
    // the known file's cuts: hh:mm:ss without the milliseconds, the first ten characters of the rate
    EXPECT_EQ(info.InfoDuration, " 00:00:03");
    const long long fileRate = std::stoll(qtest::ProbeFormat(wav)["bit_rate"]) / 1000;
    EXPECT_EQ(info.InfoBitRate, (" " + std::to_string(fileRate) + " kb/s").substr(0, 10));
}

TEST_F(MediaInfoFiles, VideoWithoutSoundAndTheNtscFrameRate)
{
    const std::string mp4 = dir_.path() + "/bars.mp4";
    ASSERT_TRUE(qtest::MakeMedia(mp4, "-f lavfi -i testsrc=size=176x144:rate=30000/1001:duration=1 -an -c:v mpeg4"));
    const MediaInfoLabels labels = Labels(mp4);
    EXPECT_EQ(labels.audioStream, "无");
    EXPECT_EQ(labels.sampleRate, "");
    EXPECT_EQ(labels.audioKbps, "");
    EXPECT_FALSE(labels.channels.has_value());
    EXPECT_EQ(labels.resolution, "176*144");
    EXPECT_EQ(labels.frameRate, "29.97");
    EXPECT_EQ(labels.videoStream.rfind("Video: mpeg4", 0), 0u) << labels.videoStream;
}

TEST_F(MediaInfoFiles, RotatedPhoneClipShowsItsRotation)
{
    const std::string plain = dir_.path() + "/plain.mp4";
    ASSERT_TRUE(qtest::MakeMedia(plain, "-f lavfi -i testsrc=size=176x144:rate=25:duration=1 -an -c:v mpeg4"));
    const std::string phone = dir_.path() + "/phone.mp4";
    ASSERT_TRUE(qtest::MakeMedia(phone, "-i " + qtest::ShellQuote(plain) + " -c copy -metadata:s:v:0 rotate=270"));
    const MediaInfoLabels labels = Labels(phone);
    EXPECT_EQ(labels.resolution, "176*144（顺时针旋转90°）");
    EXPECT_NE(labels.videoStream.find("顺时针旋转90°"), std::string::npos) << labels.videoStream;
    EXPECT_EQ(Labels(plain).resolution, "176*144");
}

TEST_F(MediaInfoFiles, SixChannelsAndMonoChannelWords)
{
    const std::string surround = dir_.path() + "/surround.mka";
    ASSERT_TRUE(qtest::MakeMedia(surround, "-f lavfi -i sine=duration=1 -ac 6 -c:a ac3"));
    EXPECT_EQ(Labels(surround).channels, std::nullopt);
    const std::string mono = dir_.path() + "/mono.wav";
    ASSERT_TRUE(qtest::MakeMedia(mono, "-f lavfi -i sine=duration=1 -ac 1"));
    EXPECT_EQ(Labels(mono).channels, "单声道");
}

}  // namespace
