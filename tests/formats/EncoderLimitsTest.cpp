// Every choice the option lists offer is turned into settings the packaged
// encoders and muxers accept; the lists keep showing the user's choice.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <utility>
#include <vector>

#include "formats/FormatCatalogue.h"
#include "formats/OptionCaptions.h"
#include "formats/OptionWindowModel.h"
#include "tests/formats/FakeFormatsDialogs.h"
#include "tests/formats/OptionConfirmSupport.h"

namespace {

std::string Extension(const std::string& file) { return file.substr(file.rfind('.')); }

}  // namespace

TEST(EncoderLimits, AdjustedChoices)
{
    using L = OptionList;
    const struct Case {
        int number;
        Picks picks;
        const char* field;
        std::string expected;
    } cases[] = {
        // H.263 codes five sizes only: the nearest one is used
        {106, {}, "FrameSize", "352*288"},
        {106, {{L::FrameSize, "320*240"}}, "FrameSize", "352*288"},
        {106, {{L::FrameSize, "480*360"}}, "FrameSize", "352*288"},
        {106, {{L::FrameSize, "160*120"}}, "FrameSize", "176*144"},
        {106, {{L::FrameSize, "112*96"}}, "FrameSize", "128*96"},
        {120, {}, "FrameSize", "352*288"},
        {120, {}, "OutputFormat", ""},
        // the mp4 muxer has no H.263 or AMR tag: the 3GP muxer writes the file
        {107, {{L::VideoEncoder, kVideoH263}}, "OutputFormat", "3gp"},
        {107, {{L::VideoEncoder, kVideoH263}}, "FrameSize", "352*288"},
        {102, {{L::AudioEncoder, kAudioAmr}}, "OutputFormat", "3gp"},
        {102, {{L::AudioEncoder, kAudioAmr}}, "AudioSampleRate", "8000"},
        {102, {{L::AudioEncoder, kAudioAmr}}, "AudioChannels", "1"},
        {100, {{L::VideoEncoder, kVideoH263}}, "OutputFormat", ""},
        // MPEG-1 video codes the standard picture rates only
        {18, {}, "FrameRate", "25"},
        {18, {{L::FrameRate, "10.00"}}, "FrameRate", "24000/1001"},
        {18, {{L::FrameRate, "23.97"}}, "FrameRate", "24000/1001"},
        {18, {{L::FrameRate, "30.00"}}, "FrameRate", "30"},
        {18, {{L::FrameRate, "保持原帧速率"}}, "FrameRate", ""},
        // players and devices decode 8-bit 4:2:0 pictures, whatever the source has
        {126, {}, "EncoderOptions", "pix_fmt=yuv420p\n"},
        {1, {{L::VideoEncoder, kVideoMjpeg}}, "EncoderOptions", "pix_fmt=yuv420p\n"},
        {19, {}, "EncoderOptions", "pix_fmt=yuv420p\n"},
        {15, {}, "EncoderOptions", "pix_fmt=yuv420p\n"},
        {200, {}, "EncoderOptions", ""},
        // MP2 (the program stream's own audio): 16-48 kHz and its bit-rate table
        {18, {{L::SampleRate, "11025"}}, "AudioSampleRate", "16000"},
        {18, {{L::AudioBitrate, "24"}}, "AudioBitrate", "32000"},
        {18, {{L::SampleRate, "22050"}, {L::AudioBitrate, "144"}}, "AudioBitrate", "144000"},
        {206, {{L::AudioBitrate, "16"}}, "AudioBitrate", "32000"},
        // audio the container cannot carry
        {18, {{L::AudioEncoder, kAudioFlac}}, "AudioCodec", ""},
        {18, {{L::AudioEncoder, kAudioAac}}, "AudioCodec", ""},
        {18, {{L::AudioEncoder, kAudioAc3}}, "AudioCodec", "ac3"},
        // discs offer only their own audio: AC-3 on DVD, the disc's MP2 on SVCD and VCD
        {19, {}, "AudioCodec", "ac3"},
        {21, {}, "AudioCodec", ""},
        // layer II codes mono up to 192 kbit/s
        {20, {{L::Channels, "单声道"}}, "AudioBitrate", "192000"},
        {14, {{L::AudioEncoder, kAudioFlac}}, "AudioCodec", "libmp3lame"},
        {14, {{L::AudioEncoder, kAudioAc3}}, "AudioCodec", "libmp3lame"},
        {14, {{L::AudioEncoder, kAudioAac}}, "AudioCodec", "libfaac"},
        {13, {{L::AudioEncoder, kAudioAac}}, "AudioCodec", "libmp3lame"},
        {17, {{L::AudioEncoder, kAudioFlac}}, "AudioCodec", "libfaac"},
        {12, {{L::AudioEncoder, kAudioFlac}}, "AudioCodec", "libfaac"},
        {1, {{L::AudioEncoder, kAudioFlac}}, "AudioCodec", "flac"},
        {16, {{L::AudioEncoder, kAudioFlac}}, "AudioCodec", "flac"},
        // WMA needs 24 kbit/s or more
        {201, {{L::AudioBitrate, "16"}}, "AudioBitrate", "24000"},
        {111, {{L::AudioEncoder, kAudioAsf2}, {L::AudioBitrate, "16"}}, "AudioBitrate", "24000"},
        {201, {{L::AudioBitrate, "320"}}, "AudioBitrate", "320000"},
        // Vorbis sets up only within a range that depends on rate and channels
        {205, {{L::AudioBitrate, "16"}}, "AudioBitrate", "48000"},
        {205, {{L::SampleRate, "11025"}, {L::AudioBitrate, "320"}}, "AudioBitrate", "96000"},
        {205, {{L::SampleRate, "22050"}, {L::Channels, "单声道"}, {L::AudioBitrate, "128"}}, "AudioBitrate", "80000"},
        {205, {{L::AudioBitrate, "192"}}, "AudioBitrate", "192000"},
        // AC-3 takes 32, 44.1 and 48 kHz; the RM container's own audio is AC-3
        {204, {{L::SampleRate, "11025"}}, "AudioSampleRate", "32000"},
        {208, {{L::SampleRate, "22050"}}, "AudioSampleRate", "32000"},
        {16, {{L::AudioEncoder, kAudioAc3}}, "AudioSampleRate", "32000"},
        {15, {}, "AudioSampleRate", "AUTO"},
        // SWF and FLV carry MP3 at 11.025, 22.05 and 44.1 kHz
        {13, {{L::SampleRate, "44100"}}, "AudioSampleRate", "44100"},
        // MP4 takes MP3 at MPEG-1 and MPEG-2 rates only; MOV takes any
        {127, {{L::SampleRate, "11025"}}, "AudioSampleRate", "16000"},
        {126, {{L::AudioEncoder, kAudioMp3}, {L::SampleRate, "11025"}}, "AudioSampleRate", "16000"},
        {17, {{L::AudioEncoder, kAudioMp3}, {L::SampleRate, "11025"}}, "AudioSampleRate", "11025"},
    };
    for (const Case& c : cases) {
        const Confirmed confirmed = ConfirmWith(c.number, c.picks);
        const OutputSettings& s = confirmed.settings;
        const std::string field = c.field;
        std::string actual;
        if (field == "FrameSize")
            actual = s.FrameSize;
        else if (field == "FrameRate")
            actual = s.FrameRate;
        else if (field == "OutputFormat")
            actual = s.OutputFormat;
        else if (field == "AudioCodec")
            actual = s.AudioCodec;
        else if (field == "AudioSampleRate")
            actual = s.AudioSampleRate;
        else if (field == "AudioChannels")
            actual = s.AudioChannels;
        else if (field == "AudioBitrate")
            actual = std::to_string(s.AudioBitrate);
        else if (field == "EncoderOptions")
            actual = s.EncoderOptions;
        else
            FAIL() << "unknown field " << field;
        EXPECT_EQ(actual, c.expected) << "format " << c.number << " field " << field;
        // the list still shows what the user picked
        for (const auto& [list, caption] : c.picks)
            EXPECT_EQ(confirmed.shownCaptions[Index(list)], caption) << c.number;
    }
}

// Every entry of every list, changed one at a time from a profile's defaults,
// ends in settings within what the packaged encoders and muxers take.
TEST(EncoderLimits, EveryListEntryOfEveryProfileIsAccepted)
{
    const std::set<std::string> h263Sizes{"128*96", "176*144", "352*288", "704*576", "1408*1152"};
    const std::set<std::string> mpeg1Rates{"", "24000/1001", "24", "25", "30000/1001", "30", "50", "60000/1001", "60"};
    const std::set<std::string> mp2Rates{"16000", "22050", "24000", "32000", "44100", "48000"};
    const std::set<int> mp2Mpeg1Kbps{32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384};
    const std::set<int> mp2LowKbps{8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
    const std::set<std::string> ac3Rates{"AUTO", "32000", "44100", "48000"};
    const std::set<std::string> flashMp3Rates{"11025", "22050", "44100"};

    int checked = 0;
    for (const CataloguePage& page : CataloguePages()) {
        for (const CatalogueEntry& entry : page.entries) {
            FormatSession probeSession;
            probeSession.FormatNumber = entry.number;
            FakeFormatsDialogs dialogs;
            OptionWindowModel probeWindow(probeSession, dialogs);
            probeWindow.Shown();
            std::vector<Picks> variants{{}};
            for (std::size_t i = 0; i < kOptionListCount; ++i) {
                for (const std::string& caption : probeWindow.List(static_cast<OptionList>(i)).items)
                    variants.push_back({{static_cast<OptionList>(i), caption}});
            }
            for (const Picks& picks : variants) {
                const OutputSettings s = ConfirmWith(entry.number, picks).settings;
                const std::string where = "format " + std::to_string(entry.number) +
                                          (picks.empty() ? std::string(" defaults") : " with " + picks[0].second);
                const std::string ext = Extension(s.OutputFile);
                const bool disc = !s.TargetType.empty();
                const bool mpegStream = ext == ".mpg" && s.OutputFormat.empty();
                ++checked;

                if (s.VideoCodec == "h263") {
                    EXPECT_TRUE(h263Sizes.count(s.FrameSize)) << where << ": " << s.FrameSize;
                    EXPECT_FALSE(ext == ".mp4" && s.OutputFormat.empty()) << where;
                }
                if (s.VideoCodec == "mpeg1video") {
                    EXPECT_TRUE(mpeg1Rates.count(s.FrameRate)) << where << ": " << s.FrameRate;
                }
                if (s.VideoCodec == "rv10" && !s.FrameSize.empty()) {
                    const int width = std::stoi(s.FrameSize);
                    const int height = std::stoi(s.FrameSize.substr(s.FrameSize.find('*') + 1));
                    EXPECT_EQ(width % 16, 0) << where;
                    EXPECT_EQ(height % 16, 0) << where;
                }
                if (s.AudioCodec == "libopencore_amrnb") {
                    EXPECT_EQ(s.AudioSampleRate, "8000") << where;
                    EXPECT_EQ(s.AudioChannels, "1") << where;
                    EXPECT_FALSE(ext == ".mp4" && s.OutputFormat.empty()) << where;
                }
                if (mpegStream) {
                    const std::set<std::string> carried{"", "libmp3lame", "ac3"};
                    EXPECT_TRUE(carried.count(s.AudioCodec)) << where << ": " << s.AudioCodec;
                }
                const bool mp2 = (ext == ".mp2" || (mpegStream && !disc)) && s.AudioCodec.empty();
                if (mp2) {
                    EXPECT_TRUE(mp2Rates.count(s.AudioSampleRate)) << where << ": " << s.AudioSampleRate;
                    const int kbps = s.AudioBitrate / 1000;
                    const bool low = std::stoi(s.AudioSampleRate) < 32000;
                    EXPECT_TRUE((low ? mp2LowKbps : mp2Mpeg1Kbps).count(kbps)) << where << ": " << kbps;
                }
                const bool ac3 =
                    s.AudioCodec == "ac3" || (ext == ".rm" && (s.AudioCodec.empty() || s.AudioCodec == "AUTO"));
                if (ac3 && !disc) {
                    EXPECT_TRUE(ac3Rates.count(s.AudioSampleRate)) << where << ": " << s.AudioSampleRate;
                }
                if (s.AudioCodec == "wmav1" || s.AudioCodec == "wmav2") {
                    EXPECT_GE(s.AudioBitrate, 24000) << where;
                }
                if (ext == ".flv") {
                    EXPECT_TRUE(s.AudioCodec == "libmp3lame" || s.AudioCodec == "libfaac") << where;
                }
                if (ext == ".swf") {
                    EXPECT_EQ(s.AudioCodec, "libmp3lame") << where;
                }
                if ((ext == ".flv" || ext == ".swf") && s.AudioCodec == "libmp3lame") {
                    EXPECT_TRUE(flashMp3Rates.count(s.AudioSampleRate)) << where << ": " << s.AudioSampleRate;
                }
                if (ext == ".mp4" && s.OutputFormat.empty() && s.AudioCodec == "libmp3lame") {
                    EXPECT_GE(std::stoi(s.AudioSampleRate), 16000) << where;
                }
                if ((ext == ".mp4" || ext == ".mov") && s.OutputFormat != "3gp") {
                    EXPECT_NE(s.AudioCodec, "flac") << where;
                }
                if (s.AudioCodec == "libvorbis") {
                    const int kbps = s.AudioBitrate / 1000;
                    const bool mono = s.AudioChannels == "1";
                    const int rate = std::stoi(s.AudioSampleRate);
                    // measured with the packaged libvorbis
                    const int low = rate <= 11025 ? 16 : rate <= 22050 ? (mono ? 16 : 32) : (mono ? 32 : 48);
                    const int high = rate <= 11025   ? (mono ? 48 : 96)
                                     : rate <= 22050 ? (mono ? 80 : 160)
                                                     : (mono ? 224 : 320);
                    EXPECT_GE(kbps, low) << where;
                    EXPECT_LE(kbps, high) << where;
                }
            }
        }
    }
    EXPECT_GT(checked, 62 * 20);
}
