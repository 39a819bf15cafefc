// Damaged and cut sources through the converter component and through
// quorvex-cli: a result is reported whole only when the output checks out;
// otherwise the run ends incomplete (the file is kept, with the reason) or
// failed (no media: the output is removed), and the program exits non-zero.
#include "ConverterRun.h"

#include "engine/TMediaConverter.h"
#include "support/TestMedia.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

namespace {

using qtest::ShellQuote;

constexpr int kRunBoundMs = 120000;

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// `count` bytes of 0xff over `source` at the offset `at` finds in its bytes.
std::string Overwritten(const std::string& source, const std::string& target,
                        const std::function<size_t(const std::string&)>& at, size_t count = 8)
{
    std::string bytes = ReadAll(source);
    const size_t offset = at(bytes);
    EXPECT_NE(offset, std::string::npos) << source;
    if (offset != std::string::npos)
        bytes.replace(offset, count, std::string(count, '\xff'));
    WriteAll(target, bytes);
    return target;
}

std::string CutInHalf(const std::string& source, const std::string& target)
{
    const std::string bytes = ReadAll(source);
    WriteAll(target, bytes.substr(0, bytes.size() / 2));
    return target;
}

// The sources, made once: 4 s each.
class Sources {
public:
    static Sources& Get()
    {
        static Sources sources;
        return sources;
    }
    std::string File(const std::string& name) const { return dir_.file(name); }

private:
    Sources()
    {
        const std::string video = "-f lavfi -i testsrc=size=320x240:rate=25:duration=4 ";
        const std::string audio = "-f lavfi -i sine=frequency=440:duration=4 ";
        EXPECT_TRUE(qtest::MakeMedia(File("hevc.mp4"),
                                     video + audio + "-c:v libx265 -x265-params log-level=none -c:a aac -shortest"));
        EXPECT_TRUE(qtest::MakeMedia(File("prores.mov"),
                                     video + audio + "-c:v prores -c:a pcm_s16le -shortest -movflags +faststart"));
        WriteAll(File("text.srt"),
                 "1\n00:00:00,500 --> 00:00:02,000\nHello\n\n2\n00:00:02,500 --> 00:00:03,500\nWorld\n");
        EXPECT_TRUE(
            qtest::MakeMedia(File("subtitles.mkv"), video + audio + "-i " + ShellQuote(File("text.srt")) +
                                                        " -map 0 -map 1 -map 2 -c:v libx264 -c:a aac -c:s srt"));
        EXPECT_TRUE(qtest::MakeMedia(File("whole.mp4"),
                                     video + audio + "-c:v libx264 -c:a aac -shortest -movflags +faststart"));
        EXPECT_TRUE(qtest::MakeMedia(File("whole.flac"), audio));
    }
    qtest::ScratchDir dir_;
};

// The MKV with 8 bytes over its video's codec private data (the set-up bytes of the H.264 stream).
std::string MkvWithItsVideoHeaderOverwritten(const Sources& s, const std::string& name)
{
    return Overwritten(s.File("subtitles.mkv"), s.File(name),
                       [](const std::string& b) { return b.find("\x63\xa2") + 8; });
}

enum class Ends { Whole, Incomplete, Failed };

struct DamageCase {
    const char* name;
    std::function<std::string(const Sources&)> make;  // the source, made in the sources' folder
    bool videoOnly;  // audio left out of the output
    Ends ends;
    const char* message;  // part of the reason given
};

const DamageCase kCases[] = {
    // the media data's box header of an HEVC MP4 (index at the end) overwritten
    {"HevcMp4WithItsDataHeaderOverwritten",
     [](const Sources& s) {
         return Overwritten(s.File("hevc.mp4"), s.File("hevc_damaged.mp4"),
                            [](const std::string& b) { return b.find("mdat"); });
     },
     false, Ends::Incomplete, "源文件有损坏"},
    // a ProRes MOV with 8 bytes written over the start of its media data (its first picture)
    {"ProResMovWithItsFirstPictureOverwritten",
     [](const Sources& s) {
         return Overwritten(s.File("prores.mov"), s.File("prores_damaged.mov"),
                            [](const std::string& b) { return b.find("mdat") + 8; });
     },
     false, Ends::Incomplete, "源文件有损坏"},
    // an MKV with subtitles whose video set-up bytes (codec private data) were overwritten
    {"MkvWithSubtitlesAndItsVideoHeaderOverwritten",
     [](const Sources& s) { return MkvWithItsVideoHeaderOverwritten(s, "subtitles_damaged.mkv"); }, false,
     Ends::Incomplete, "源文件有损坏"},
    // the same with the video alone asked for: not one packet can be written
    {"MkvWithItsVideoHeaderOverwrittenToVideoOnly",
     [](const Sources& s) { return MkvWithItsVideoHeaderOverwritten(s, "subtitles_damaged_video.mkv"); }, true,
     Ends::Failed, "没有写入任何媒体数据"},
    // a download cut short: the index (at the start) promises 4 s, the data stops near 2 s
    {"Mp4WithItsMediaDataCutAfterItsIndex",
     [](const Sources& s) { return CutInHalf(s.File("whole.mp4"), s.File("cut.mp4")); }, false, Ends::Incomplete,
     "源文件不完整：只转换了"},
    {"FlacCutInHalf", [](const Sources& s) { return CutInHalf(s.File("whole.flac"), s.File("cut.flac")); }, false,
     Ends::Incomplete, "源文件不完整：只转换了"},
    {"WholeMp4", [](const Sources& s) { return s.File("whole.mp4"); }, false, Ends::Whole, ""},
};

class DamagedSource : public ::testing::TestWithParam<DamageCase> {
protected:
    qtest::ScratchDir out;
};

TEST_P(DamagedSource, EndsWholeOnlyWhenTheOutputChecksOut)
{
    const DamageCase& c = GetParam();
    const std::string source = c.make(Sources::Get());
    ASSERT_GT(qtest::FileBytes(source), 0);
    const std::string output = out.file("component.avi");

    // the converter component, as the main window runs it
    TMediaConverter converter;
    ASSERT_TRUE(converter.LoadAVLib("LibAV")) << converter.LastErrMsg();
    ASSERT_EQ(converter.AddTask(source), 0) << converter.LastErrMsg();
    TOutputOptions options;  // as the window's format 1 sets them
    options.VideoCodec = "mpeg4";
    options.FrameRate = "25";
    options.AudioCodec = "libmp3lame";
    options.DisableAudio = c.videoOnly;
    options.DisableSubtitle = true;
    ASSERT_TRUE(converter.SetOutputFile(0, output, &options)) << converter.LastErrMsg();
    robust::RunEvents events;
    events.Attach(converter);
    converter.StartTask(1);
    ASSERT_TRUE(robust::PumpUntil([&] { return events.AllEnded(); }, kRunBoundMs)) << "the run did not end";
    const TTerminateInfo info = robust::TaskTermination(events);
    EXPECT_EQ(qtest::FileBytes(out.file(".component.avi.part")), -1) << "a part file stayed";
    switch (c.ends) {
    case Ends::Whole:
        EXPECT_EQ(info.Outcome, TTaskOutcome::Whole) << info.OutcomeMsg << info.ExceptionMsg;
        EXPECT_EQ(qtest::ProbeStream(output, "v:0").at("codec_name"), "mpeg4");
        EXPECT_EQ(qtest::ProbeStream(output, "a:0").at("codec_name"), "mp3");
        EXPECT_NEAR(std::stod(qtest::ProbeFormat(output).at("duration")), 4.0, 0.2);
        break;
    case Ends::Incomplete:
        EXPECT_EQ(info.Outcome, TTaskOutcome::Incomplete) << info.OutcomeMsg << info.ExceptionMsg;
        EXPECT_TRUE(info.Finished && !info.Exception) << info.ExceptionMsg;
        EXPECT_NE(info.OutcomeMsg.find(c.message), std::string::npos) << info.OutcomeMsg;
        EXPECT_EQ(robust::OutputProblem(output), "") << "an incomplete result is kept as a readable file";
        break;
    case Ends::Failed:
        EXPECT_EQ(info.Outcome, TTaskOutcome::Failed);
        EXPECT_TRUE(info.Exception);
        EXPECT_NE(info.ExceptionMsg.find(c.message), std::string::npos) << info.ExceptionMsg;
        EXPECT_EQ(qtest::FileBytes(output), -1) << "a failed output was kept";
        break;
    }

    // quorvex-cli on the same source: the reason printed, a non-zero exit
    const char* programDir = std::getenv("QUORVEX_PROGRAM_DIR");
    const std::string cli = std::string(programDir ? programDir : ".") + "/quorvex-cli";
    std::string printed;
    const int status = qtest::RunCommand(ShellQuote(cli) + " convert -f 1 -o " + ShellQuote(out.file("cli")) + " " +
                                             ShellQuote(source) + " 2>&1 </dev/null",
                                         &printed);
    if (c.ends == Ends::Whole) {
        EXPECT_EQ(status, 0) << printed;
        EXPECT_NE(printed.find(": done"), std::string::npos) << printed;
    } else {
        EXPECT_NE(status, 0) << printed;
        EXPECT_EQ(printed.find(": done"), std::string::npos) << printed;
        if (!c.videoOnly) {  // the program writes audio as well, so it ends incomplete with the reason
            EXPECT_NE(printed.find(c.message), std::string::npos) << printed;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Sources, DamagedSource, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<DamageCase>& info) { return std::string(info.param.name); });

}  // namespace
