// What chosen formats write, converted by quorvex-cli from generated media and
// read back with ffprobe or the demuxer: H.264 key frames, disc streams,
// carried tags, and the messages the program prints.
#include "CliProgramRun.h"
#include "support/TestMedia.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <string>
#include <vector>

namespace {

using namespace qtest;
using clitest::RunCli;

std::string FileText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The key frames of an MP4's H.264 stream, and how many of them hold an IDR picture.
struct KeyFrames {
    int keyFrames = 0;
    int idrKeyFrames = 0;
};

KeyFrames H264KeyFrames(const std::string& path)
{
    KeyFrames result;
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0)
        return result;
    const int video = av_find_best_stream(raw, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    AVPacket* packet = av_packet_alloc();
    while (video >= 0 && av_read_frame(raw, packet) >= 0) {
        if (packet->stream_index == video && (packet->flags & AV_PKT_FLAG_KEY)) {
            ++result.keyFrames;
            // four-byte NAL lengths, as the mp4 muxer writes them
            bool idr = false;
            for (int at = 0; at + 4 < packet->size;) {
                const uint8_t* d = packet->data + at;
                const int length = (d[0] << 24) | (d[1] << 16) | (d[2] << 8) | d[3];
                idr = idr || (d[4] & 0x1f) == 5;
                at += 4 + length;
            }
            result.idrKeyFrames += idr;
        }
        av_packet_unref(packet);
    }
    av_packet_free(&packet);
    avformat_close_input(&raw);
    return result;
}

class CliOutputs : public ::testing::Test {
protected:
    ScratchDir dir;
};

// Format 126 writes closed GOPs: the encoder's settings say open_gop=0, and
// every picture a player may seek to is an IDR picture, at every scene cut.
TEST_F(CliOutputs, H264FormatWritesClosedGops)
{
    const std::string source = dir.file("cuts.mp4");
    ASSERT_TRUE(MakeMedia(source, "-f lavfi -i testsrc=s=320x240:r=30:d=1.5 -f lavfi -i smptebars=s=320x240:r=30:d=1.5 "
                                  "-f lavfi -i mandelbrot=s=320x240:r=30,trim=duration=1.5 "
                                  "-filter_complex \"[0:v][1:v][2:v]concat=n=3:v=1:a=0\" -c:v mpeg4 -q:v 3 -an"));
    const std::string out = dir.file("out");
    std::string output;
    ASSERT_EQ(RunCli("convert -f 126 -o " + ShellQuote(out) + " " + ShellQuote(source), output), 0) << output;
    const std::string result = out + "/cuts.mp4";
    ASSERT_EQ(ProbeStream(result, "v:0").at("codec_name"), "h264") << output;

    const std::string bytes = FileText(result);
    EXPECT_NE(bytes.find("open_gop=0"), std::string::npos);
    EXPECT_EQ(bytes.find("open_gop=1"), std::string::npos);
    const KeyFrames keys = H264KeyFrames(result);
    EXPECT_GE(keys.keyFrames, 3) << "one at the start and one at each scene cut";
    EXPECT_EQ(keys.idrKeyFrames, keys.keyFrames);
}

// 25 fps video with 5.1 sound.
std::string SurroundSource(const ScratchDir& dir)
{
    const std::string path = dir.file("surround.mkv");
    MakeMedia(path, "-f lavfi -i testsrc=s=320x240:r=25:d=2 -f lavfi -i sine=f=440:r=48000:d=2 "
                    "-af \"pan=5.1|c0=c0|c1=c0|c2=c0|c3=c0|c4=c0|c5=c0\" -c:v mpeg4 -c:a ac3 -b:a 384k -shortest");
    return path;
}

// The disc formats write what a disc player decodes: the disc's video at the
// norm's size and rate, AC-3 at 48 kHz on a DVD, MP2 at 44.1 kHz on SVCD and
// VCD, a 5.1 source mixed down to the channels the lists choose.
TEST_F(CliOutputs, DiscFormatsWriteTheDiscsStreams)
{
    const struct Case {
        int format;
        bool surround;
        std::string sets;  // --set arguments
        const char* suffix;
        const char* video;
        int width, height;
        const char* rate;
        const char* audio;
        int sampleRate, channels, bitRate;
    } cases[] = {
        {19, false, "", "_PAL.mpg", "mpeg2video", 720, 576, "25/1", "ac3", 48000, 2, 448000},
        {19, true, "", "_PAL.mpg", "mpeg2video", 720, 576, "25/1", "ac3", 48000, 2, 448000},
        {19, false, "--set video-encoder=NTSC_DVD视频压缩器", "_NTSC.mpg", "mpeg2video", 720, 480, "30000/1001", "ac3",
         48000, 2, 448000},
        {19, true, "--set channels=单声道 --set audio-bitrate=192", "_PAL.mpg", "mpeg2video", 720, 576, "25/1", "ac3",
         48000, 1, 192000},
        {20, false, "", "_PAL.mpg", "mpeg2video", 480, 576, "25/1", "mp2", 44100, 2, 224000},
        {20, true, "", "_PAL.mpg", "mpeg2video", 480, 576, "25/1", "mp2", 44100, 2, 224000},
        {20, true, "--set video-encoder=NTSC_SVCD视频压缩器 --set channels=单声道", "_NTSC.mpg", "mpeg2video", 480, 480,
         "30000/1001", "mp2", 44100, 1, 192000},
        {21, false, "", "_PAL.mpg", "mpeg1video", 352, 288, "25/1", "mp2", 44100, 2, 224000},
        {21, true, "", "_PAL.mpg", "mpeg1video", 352, 288, "25/1", "mp2", 44100, 2, 224000},
        {21, true, "--set video-encoder=NTSC_VCD视频压缩器", "_NTSC.mpg", "mpeg1video", 352, 240, "30000/1001", "mp2",
         44100, 2, 224000},
    };
    const std::string stereo = MakeMp4Clip(dir.path(), 2.0);
    const std::string surround = SurroundSource(dir);
    ASSERT_EQ(ProbeStream(surround, "a:0").at("channels"), "6");
    int run = 0;
    for (const Case& c : cases) {
        const std::string source = c.surround ? surround : stereo;
        const std::string out = dir.file("disc" + std::to_string(run++));
        const std::string label = std::to_string(c.format) + (c.surround ? " 5.1 " : " stereo ") + c.sets;
        std::string output;
        ASSERT_EQ(RunCli("convert -f " + std::to_string(c.format) + " " + c.sets + " -o " + ShellQuote(out) + " " +
                             ShellQuote(source),
                         output),
                  0)
            << label << "\n"
            << output;
        const std::string stem = c.surround ? "surround" : "clip_h264_aac";
        const std::string result = out + "/" + stem + c.suffix;
        EXPECT_NE(ProbeFormat(result)["format_name"].find("mpeg"), std::string::npos) << label;
        auto video = ProbeStream(result, "v:0");
        auto audio = ProbeStream(result, "a:0");
        EXPECT_EQ(video["codec_name"], c.video) << label;
        EXPECT_EQ(video["width"], std::to_string(c.width)) << label;
        EXPECT_EQ(video["height"], std::to_string(c.height)) << label;
        EXPECT_EQ(video["r_frame_rate"], c.rate) << label;
        EXPECT_EQ(audio["codec_name"], c.audio) << label;
        EXPECT_EQ(audio["sample_rate"], std::to_string(c.sampleRate)) << label;
        EXPECT_EQ(audio["channels"], std::to_string(c.channels)) << label;
        EXPECT_EQ(audio["bit_rate"], std::to_string(c.bitRate)) << label;
        const std::string seconds = ProbeFormat(result)["duration"];
        EXPECT_NEAR(std::strtod(seconds.c_str(), nullptr), 2.0, 0.2) << label;
    }
}

// The format's tags as ffprobe shows them, keys in lower case (Matroska
// writes its tag names in capitals).
std::map<std::string, std::string> Tags(const std::string& path)
{
    std::map<std::string, std::string> tags;
    for (const auto& [key, value] : ProbeFormat(path)) {
        if (key.rfind("TAG:", 0) != 0)
            continue;
        std::string name = key.substr(4);
        for (char& c : name)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        tags[name] = value;
    }
    return tags;
}

// The source's title, artist and date reach every container that holds tags;
// an MP3's cover picture stays with the sound in the MP3 and AAC targets.
TEST_F(CliOutputs, SourceTagsAndCoverReachTheOutputs)
{
    const std::string tagged = dir.file("tagged.mp4");
    ASSERT_TRUE(MakeMedia(tagged, "-f lavfi -i testsrc=s=320x240:r=25:d=1 -f lavfi -i sine=r=44100:d=1 -c:v mpeg4 "
                                  "-c:a aac -shortest -metadata title=\"海边 Title\" -metadata artist=Tester "
                                  "-metadata date=2021 -metadata album=Album"));
    const struct Case {
        int format;
        const char* file;
    } cases[] = {{1, "tagged.avi"}, {126, "tagged.mp4"}, {16, "tagged.mkv"}, {200, "tagged.mp3"}, {203, "tagged.m4a"}};
    for (const Case& c : cases) {
        const std::string out = dir.file("tags" + std::to_string(c.format));
        std::string output;
        ASSERT_EQ(RunCli("convert -f " + std::to_string(c.format) + " -o " + ShellQuote(out) + " " + ShellQuote(tagged),
                         output),
                  0)
            << c.format << "\n"
            << output;
        auto tags = Tags(out + "/" + c.file);
        EXPECT_EQ(tags["title"], "海边 Title") << c.format;
        EXPECT_EQ(tags["artist"], "Tester") << c.format;
        EXPECT_EQ(tags["date"].substr(0, 4), "2021") << c.format;
    }

    const std::string picture = dir.file("cover.png");
    ASSERT_TRUE(MakeMedia(picture, "-f lavfi -i testsrc=s=64x64:d=1 -frames:v 1"));
    const std::string song = dir.file("song.mp3");
    ASSERT_TRUE(MakeMedia(song, "-f lavfi -i sine=r=44100:d=2 -i " + ShellQuote(picture) +
                                    " -map 0 -map 1 -c:a libmp3lame -c:v copy -disposition:v attached_pic "
                                    "-metadata title=Song"));
    for (const Case& c : {Case{200, "song.mp3"}, Case{203, "song.m4a"}}) {
        const std::string out = dir.file("cover" + std::to_string(c.format));
        std::string output;
        ASSERT_EQ(RunCli("convert -f " + std::to_string(c.format) + " -o " + ShellQuote(out) + " " + ShellQuote(song),
                         output),
                  0)
            << c.format << "\n"
            << output;
        const std::string result = out + "/" + c.file;
        ASSERT_EQ(CountStreams(result, 'v'), 1) << c.format;
        auto cover = ProbeStream(result, "v:0");
        EXPECT_EQ(cover["codec_name"], "png") << c.format;
        EXPECT_EQ(cover["DISPOSITION:attached_pic"], "1") << c.format;
        EXPECT_EQ(cover["width"], "64") << c.format;
        EXPECT_EQ(Tags(result)["title"], "Song") << c.format;
        EXPECT_NEAR(std::strtod(ProbeFormat(result)["duration"].c_str(), nullptr), 2.0, 0.15) << c.format;
    }
}

// -v shows the engine's and the libraries' log; --log FILE keeps it in a
// file; without either the output stays quiet. A folder given as a file says
// that it is a folder.
TEST_F(CliOutputs, LogOptionsShowTheLibrariesLogAndFoldersSayWhatTheyAre)
{
    const std::string mp4 = MakeMp4Clip(dir.path(), 1.0);
    const std::regex libraryLine(R"(\[libx264 @ 0x[0-9a-f]+\])");
    const std::string out = dir.file("out");
    std::string quiet, verbose;
    ASSERT_EQ(RunCli("convert -f 126 -o " + ShellQuote(out) + " " + ShellQuote(mp4), quiet), 0) << quiet;
    EXPECT_FALSE(std::regex_search(quiet, libraryLine)) << quiet;
    ASSERT_EQ(RunCli("-v convert -f 126 --overwrite -o " + ShellQuote(out) + " " + ShellQuote(mp4), verbose), 0)
        << verbose;
    EXPECT_TRUE(std::regex_search(verbose, libraryLine)) << verbose;

    const std::string logFile = dir.file("run.log");
    std::string logged;
    ASSERT_EQ(RunCli("--log " + ShellQuote(logFile) + " convert -f 126 --overwrite -o " + ShellQuote(out) + " " +
                         ShellQuote(mp4),
                     logged),
              0)
        << logged;
    EXPECT_FALSE(std::regex_search(logged, libraryLine)) << "the log goes to the file only";
    EXPECT_TRUE(std::regex_search(FileText(logFile), libraryLine)) << FileText(logFile);
    std::string refused;
    EXPECT_EQ(RunCli("--log " + ShellQuote(dir.path() + "/no/such/folder/run.log") + " formats", refused), 1);
    EXPECT_NE(refused.find("cannot write the log file"), std::string::npos) << refused;

    for (const std::string& command : {std::string("info "), "convert -f 1 -o " + ShellQuote(out) + " "}) {
        std::string output;
        EXPECT_EQ(RunCli(command + ShellQuote(dir.path()), output), 1) << command;
        EXPECT_NE(output.find(dir.path() + ": 是文件夹 (Is a directory)"), std::string::npos) << output;
        EXPECT_EQ(output.find("Error number"), std::string::npos) << output;
    }
}

}  // namespace
