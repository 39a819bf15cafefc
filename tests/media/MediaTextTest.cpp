#include "media/MainThreadCalls.h"
#include "media/MediaText.h"

#include "support/TestMedia.h"

#include <gtest/gtest.h>

extern "C" {
#include <libavutil/error.h>
}

#include <atomic>
#include <cerrno>
#include <climits>
#include <thread>
#include <unistd.h>

namespace {

TEST(DurationText, HoursMinutesSecondsMilliseconds)
{
    const std::pair<int64_t, const char*> cases[] = {
        {3723004000LL, "01:02:03.004"},  // 1 h 2 min 3.004 s
        {0, "00:00:00.000"},
        {999, "00:00:00.000"},  // below a millisecond: truncated
        {59999999, "00:00:59.999"},
        {360000000000LL, "100:00:00.000"},  // hours are not limited to two digits
        {AV_NOPTS_VALUE, "N/A"},
    };
    for (const auto& [us, text] : cases)
        EXPECT_EQ(DurationText(us), text) << us;
}

TEST(SizeText, EachUnitStartsAboveItsThreshold)
{
    const std::pair<int64_t, const char*> cases[] = {
        {0, "0 Byte"},
        {-5, "-5 Byte"},
        {1024, "1024 Byte"},
        {1536, "1.50 KB"},
        {1048576, "1024.00 KB"},
        {1048577 + 1048576 / 2, "1.50 MB"},
        {1073741824LL, "1024.00 MB"},
        {5LL * 1073741824LL, "5.00 GB"},
    };
    for (const auto& [bytes, text] : cases)
        EXPECT_EQ(SizeText(bytes), text) << bytes;
}

TEST(ErrorText, CodesMatchedByMeaning)
{
    const std::pair<int, const char*> cases[] = {
        {AVERROR_PATCHWELCOME, "Not yet implemented in FFmpeg"},
        {AVERROR_PROTOCOL_NOT_FOUND, "Unsupported network protocol"},
        {AVERROR_DEMUXER_NOT_FOUND, "Unknown format"},
        {AVERROR(EDOM), "Number syntax expected in filename"},
        {AVERROR_EOF, "End of file"},
        {AVERROR_INVALIDDATA, "Invalid data found when processing input"},
        {AVERROR(EINVAL), "Invalid data found when processing input"},
        {AVERROR(ENOMEM), "Not enough memory"},
        {AVERROR(EIO), "I/O error"},
        {AVERROR(ENOENT), "No such file or directory"},
        // the system's errors by their names (they used to read "Error number -13 occurred")
        {AVERROR(EACCES), "Permission denied"},
        {AVERROR(ENOSPC), "No space left on device"},
        {AVERROR(EROFS), "Read-only file system"},
        {AVERROR(ENAMETOOLONG), "File name too long"},
        {AVERROR(EISDIR), "Is a directory"},
        {-12345, "Error number -12345 occurred"},
    };
    for (const auto& [code, text] : cases)
        EXPECT_EQ(ErrorText("a.avi", code), std::string("a.avi: ") + text) << code;
}

TEST(CodecText, ByCoderDescriptorOrTag)
{
    EXPECT_EQ(CodecText(AV_CODEC_ID_MP2, 0, false), "mp2(MP2 (MPEG audio layer 2))");
    EXPECT_EQ(CodecText(AV_CODEC_ID_AAC, 0, true), "aac(AAC (Advanced Audio Coding))");
    EXPECT_EQ(CodecText(AV_CODEC_ID_MPEG2TS, 0, false), "mpeg2ts");
    // An id this library does not know (yet within the range of the enumeration),
    // with a printable tag: the tag, lowest byte first.
    const uint32_t x264 = 'X' | ('2' << 8) | ('6' << 16) | ('4' << 24);
    EXPECT_EQ(CodecText(static_cast<AVCodecID>(0x3fff0), x264, false), "X264 / 0x34363258");
    EXPECT_EQ(CodecText(AV_CODEC_ID_NONE, 0x01020304u, false), "0x1020304");
    EXPECT_EQ(CodecText(AV_CODEC_ID_NONE, 0x0010u, false), "0x0010");
}

TEST(CodecText, FromParametersAndContexts)
{
    AVCodecParameters* par = avcodec_parameters_alloc();
    par->codec_id = AV_CODEC_ID_PCM_S16LE;
    EXPECT_EQ(CodecText(par, false), "pcm_s16le(PCM signed 16-bit little-endian)");
    avcodec_parameters_free(&par);
    AVCodecContext* ctx = avcodec_alloc_context3(nullptr);
    ctx->codec_id = AV_CODEC_ID_MPEG4;
    EXPECT_EQ(CodecText(ctx, true), "mpeg4(MPEG-4 part 2)");
    avcodec_free_context(&ctx);
}

TEST(MediaTypeName, EveryKind)
{
    const char* names[] = {"Video", "Audio", "Data", "Subtitle", "Attachment", "Unknown"};
    for (int type = 0; type < 6; ++type)
        EXPECT_EQ(MediaTypeName(type), names[type]);
    EXPECT_EQ(MediaTypeName(-1), "Unknown");
}

TEST(MetadataValue, FirstEntryOrDefault)
{
    AVDictionary* dict = nullptr;
    av_dict_set(&dict, "title", "First", 0);
    av_dict_set(&dict, "album", "Disc", 0);
    EXPECT_EQ(MetadataValue(dict, "title", "-"), "First");
    EXPECT_EQ(MetadataValue(dict, "genre", "-"), "-");
    EXPECT_EQ(MetadataValue(nullptr, "title", "none"), "none");
    av_dict_free(&dict);
}

TEST(Rationals, CompareAndConvert)
{
    struct Case {
        AVRational a, b;
        int sign;
    };
    const Case cases[] = {
        {{1, 2}, {2, 4}, 0},
        {{2, 3}, {1, 2}, 1},
        {{1, 3}, {1, 2}, -1},
        {{1, 90000}, {1, 100000}, 1},
        {{INT_MAX, 1}, {INT_MAX - 1, 1}, 1},
        // one cross product beyond 32 bits: kept in 32 bits it wraps below the other
        {{1, 90000}, {90000, 1}, -1},  // a time base against its rate: 90000 * 90000
        {{1, 48000}, {48000, 1}, -1},  // 48000 * 48000 is just past INT_MAX
        {{INT_MAX, 1}, {INT_MAX, 2}, 1},  // INT_MAX * 2
        {{-90000, 1}, {1, 90000}, -1},  // below INT_MIN
        {{90000, 90001}, {90001, 90002}, -1},  // both beyond, a difference of one
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CompareRational(c.a, c.b), c.sign)
            << c.a.num << "/" << c.a.den << " vs " << c.b.num << "/" << c.b.den;
        EXPECT_EQ(CompareRational(c.b, c.a), -c.sign)
            << c.b.num << "/" << c.b.den << " vs " << c.a.num << "/" << c.a.den;
    }
    EXPECT_DOUBLE_EQ(RationalToFloat({30000, 1001}), 30000.0 / 1001.0);
}

TEST(Files, FileSize64AndProgramFolder)
{
    qtest::ScratchDir dir;
    ASSERT_TRUE(qtest::MakeMedia(dir.file("tone.wav"), "-f lavfi -i sine=duration=0.1"));
    EXPECT_EQ(FileSize64(dir.file("tone.wav")), qtest::FileBytes(dir.file("tone.wav")));
    EXPECT_EQ(FileSize64(dir.path()), -1);
    EXPECT_EQ(FileSize64(dir.file("missing.wav")), -1);

    const std::string folder = ProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '/');
    EXPECT_EQ(folder, std::string(TESTS_BIN_DIR) + "/");
}

TEST(RunInMainThread, RunsAtOnceOnTheMainThreadAndWaitsElsewhere)
{
    int direct = 0;
    RunInMainThread([&] { ++direct; });
    EXPECT_EQ(direct, 1);

    std::atomic<bool> ranOnMain{false};
    std::atomic<bool> returned{false};
    std::thread worker([&] {
        RunInMainThread([&] { ranOnMain = MainThread().isMainThread(); });
        returned = true;
    });
    EXPECT_TRUE(WaitWhileProcessing([&] { return returned.load(); }, 10000));
    worker.join();
    EXPECT_TRUE(ranOnMain);
}

TEST(WaitWhileProcessing, GivesUpAfterItsTimeout)
{
    EXPECT_FALSE(WaitWhileProcessing([] { return false; }, 20));
}

}  // namespace
