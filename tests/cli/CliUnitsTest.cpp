#include "cli/CliArguments.h"
#include "cli/ListNames.h"
#include "cli/ProgressBoard.h"
#include "cli/ProgressLine.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::string> Split(const std::string& text)
{
    std::vector<std::string> words;
    std::string word;
    for (char c : text) {
        if (c == ' ') {
            if (!word.empty())
                words.push_back(word);
            word.clear();
        } else {
            word += c;
        }
    }
    if (!word.empty())
        words.push_back(word);
    return words;
}

struct RefusedCase {
    const char* args;
    const char* why;  // part of the error text
};

TEST(CliArguments, RefusesMalformedCommandLines)
{
    const RefusedCase cases[] = {
        {"", "no command"},
        {"frobnicate", "unknown command frobnicate"},
        {"formats 3", "no arguments"},
        {"options", "one format number"},
        {"options x1", "one format number"},
        {"options 0", "one format number"},
        {"info", "at least one file"},
        {"info --timing", "at least one file"},
        {"convert a.mp4", "needs -f"},
        {"convert -f", "format number"},
        {"convert -f abc a.mp4", "format number"},
        {"convert -f 1", "at least one file"},
        {"convert -f 1 -j 0 a.mp4", "1 to 10"},
        {"convert -f 1 -j 11 a.mp4", "1 to 10"},
        {"convert -f 1 -o", "needs a folder"},
        {"convert -f 1 --set frame-size a.mp4", "LIST=CAPTION"},
        {"convert -f 1 --set =x a.mp4", "LIST=CAPTION"},
        {"convert -f 1 a.mp4 --clip 10", "START and STOP"},
        {"convert -f 1 --clip 10 a.mp4", "H:MM:SS"},
        {"convert -f 1 --clip 20 10 a.mp4", "before STOP"},
        {"convert -f 1 --clip 1:xx 0:10 a.mp4", "H:MM:SS"},
        {"convert -f 1 --bogus a.mp4", "unknown option --bogus"},
        {"transcode in.mp4 out.mp4", "--output"},
        {"transcode --output vcodec=mpeg4 in.mp4", "IN and OUT"},
        {"transcode --output", "needs an option text"},
        {"--log", "--log needs a file"},
        {"-v", "no command"},
        {"-v --log run.log", "no command"},
    };
    for (const RefusedCase& c : cases) {
        const CliParseResult result = ParseCliArguments(Split(c.args));
        EXPECT_FALSE(result.ok) << c.args;
        EXPECT_NE(result.error.find(c.why), std::string::npos) << c.args << " -> " << result.error;
    }
}

TEST(CliArguments, ConvertTakesEveryOption)
{
    const CliParseResult result = ParseCliArguments(Split(
        "convert -f 126 -o /tmp/out -j 3 --overwrite --no-resume --set frame-size=640*480 --set 2=816 --clip 0:05 1:02:03 a.mp4 -- -b.avi"));
    ASSERT_TRUE(result.ok) << result.error;
    const CliCommand& c = result.command;
    EXPECT_EQ(c.kind, CliCommandKind::Convert);
    EXPECT_EQ(c.formatNumber, 126);
    EXPECT_EQ(c.outputFolder, "/tmp/out");
    EXPECT_EQ(c.simultaneous, 3);
    EXPECT_TRUE(c.overwrite);
    EXPECT_FALSE(c.resumable);
    ASSERT_EQ(c.selections.size(), 2u);
    EXPECT_EQ(c.selections[0], (std::pair<std::string, std::string>{"frame-size", "640*480"}));
    EXPECT_EQ(c.selections[1], (std::pair<std::string, std::string>{"2", "816"}));
    EXPECT_TRUE(c.clip);
    EXPECT_EQ(c.clipStartSeconds, 5);
    EXPECT_EQ(c.clipStopSeconds, 3723);
    EXPECT_EQ(c.files, (std::vector<std::string>{"a.mp4", "-b.avi"}));
}

TEST(CliArguments, DefaultsAndOptionTexts)
{
    CliParseResult result = ParseCliArguments(Split("convert -f 1 a.mp4"));
    ASSERT_TRUE(result.ok);
    EXPECT_EQ(result.command.outputFolder, ".");
    EXPECT_EQ(result.command.simultaneous, 0);  // automatic
    EXPECT_FALSE(result.command.overwrite);
    EXPECT_TRUE(result.command.resumable);
    EXPECT_FALSE(result.command.clip);

    // option texts: ';' and newlines become the converter's "\r\n" lines, repeated options add lines
    result = ParseCliArguments({"transcode", "--input", "ss=1", "--output", "vcodec=libx264;b=816k", "--output",
                                "acodec=aac\nab=128k", "in.mp4", "out.mp4"});
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.command.inputOptions, "ss=1");
    EXPECT_EQ(result.command.outputOptions, "vcodec=libx264\r\nb=816k\r\nacodec=aac\r\nab=128k");
    EXPECT_EQ(result.command.files, (std::vector<std::string>{"in.mp4", "out.mp4"}));

    result = ParseCliArguments(Split("info --timing a.mp4 b.avi"));
    ASSERT_TRUE(result.ok);
    EXPECT_TRUE(result.command.timing);
    EXPECT_EQ(result.command.files.size(), 2u);
}

TEST(CliArguments, LogOptionsComeBeforeAnyCommand)
{
    CliParseResult result = ParseCliArguments(Split("-v convert -f 1 a.mp4"));
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_TRUE(result.command.verbose);
    EXPECT_EQ(result.command.logFile, "");
    EXPECT_EQ(result.command.files, (std::vector<std::string>{"a.mp4"}));

    result = ParseCliArguments(Split("--log /tmp/q.log -v info a.mp4"));
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_TRUE(result.command.verbose);
    EXPECT_EQ(result.command.logFile, "/tmp/q.log");
    EXPECT_EQ(result.command.kind, CliCommandKind::Info);

    result = ParseCliArguments(Split("formats"));
    ASSERT_TRUE(result.ok);
    EXPECT_FALSE(result.command.verbose);
    // after the command a -v is one of the command's own arguments
    EXPECT_FALSE(ParseCliArguments(Split("convert -f 1 -v a.mp4")).ok);
}

TEST(CliArguments, ClipTimes)
{
    const std::pair<const char*, int64_t> cases[] = {
        {"0", 0},   {"90", 90}, {"1:30", 90},    {"0:01:30", 90}, {"2:00:00", 7200}, {"", -1},
        {"1:", -1}, {":5", -1}, {"1:2:3:4", -1}, {"-5", -1},      {"1.5", -1},       {"x", -1},
    };
    for (const auto& [text, seconds] : cases)
        EXPECT_EQ(ParseClipTime(text), seconds) << text;
}

TEST(CliArguments, ListNames)
{
    EXPECT_EQ(ListByName("video-encoder"), OptionList::VideoEncoder);
    EXPECT_EQ(ListByName("channels"), OptionList::Channels);
    EXPECT_EQ(ListByName("8"), OptionList::Channels);  // the eighth list from the top
    EXPECT_EQ(ListByName("suiComboBox10"), OptionList::Channels);
    EXPECT_EQ(ListByName("volume"), OptionList::Volume);
    EXPECT_EQ(ListByName("11"), std::nullopt);
    EXPECT_EQ(ListByName("Volume"), std::nullopt);
}

TEST(ProgressLine, PercentTimeAndSpeed)
{
    struct Case {
        ProgressSample sample;
        const char* line;
    };
    const Case cases[] = {
        {{"a.mp4", 13'500'000, 30'000'000, 5.0}, "a.mp4   45%  00:00:13.50  2.70x"},
        {{"b.avi", 0, 30'000'000, 0.0}, "b.avi    0%  00:00:00.00  -"},
        {{"c.wav", 3'725'990'000, -1, 1000.0}, "c.wav    ?%  01:02:05.99  3.73x"},
        {{"d.mp4", 31'000'000, 30'000'000, 10.0}, "d.mp4  100%  00:00:31.00  3.10x"},  // past the expected end
        {{"e.mp4", -40'000, 30'000'000, 1.0}, "e.mp4    0%  00:00:00.00  0.00x"},  // before the first packet
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatProgressLine(c.sample), c.line);
}

TEST(ProgressBoard, PlainLinesWithoutTerminal)
{
    ProgressBoard board(false);
    EXPECT_EQ(board.Update(0, "a 10%"), "a 10%\n");
    EXPECT_EQ(board.Update(1, "b 5%"), "b 5%\n");
    EXPECT_EQ(board.Finish(0, "a: done"), "a: done\n");
}

TEST(ProgressBoard, TerminalRedrawsOneLivelinePerRunningFile)
{
    ProgressBoard board(true);
    EXPECT_EQ(board.Update(0, "a 10%"), "\r\x1b[2Ka 10%\n");
    // a second file: move up over the one drawn line, then both lines
    EXPECT_EQ(board.Update(1, "b 5%"), "\x1b[A\r\x1b[J\r\x1b[2Ka 10%\n\r\x1b[2Kb 5%\n");
    EXPECT_EQ(board.Update(0, "a 20%"), "\x1b[A\x1b[A\r\x1b[J\r\x1b[2Ka 20%\n\r\x1b[2Kb 5%\n");
    // the finished file's line stays above the remaining live line
    EXPECT_EQ(board.Finish(0, "a: done"), "\x1b[A\x1b[A\r\x1b[Ja: done\n\r\x1b[2Kb 5%\n");
    EXPECT_EQ(board.Finish(1, "b: failed: x"), "\x1b[A\r\x1b[Jb: failed: x\n");
}

}  // namespace
