#include "media/EAssertionFailed.h"
#include "media/TFFLogger.h"
#include "media/TFFmpegLoader.h"

#include "support/TestMedia.h"

#include <gtest/gtest.h>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/log.h>
}

#include <cfenv>
#include <set>
#include <unistd.h>
#include <vector>

namespace {

TEST(LibrarySets, BitPatterns)
{
    EXPECT_EQ(ConverterLibraries.Bits(), 0x7D);
    EXPECT_EQ(PlayerLibraries.Bits(), 0xFD);
    EXPECT_FALSE(ConverterLibraries.Contains(libAVDevice));
    EXPECT_FALSE(PlayerLibraries.Contains(libAVDevice));
    EXPECT_TRUE(PlayerLibraries.Contains(libSDL));
    EXPECT_FALSE(ConverterLibraries.Contains(libSDL));
}

TEST(FFmpegLoader, AnEmptySetIsAnAssertionOfTheLoader)
{
    TFFmpegLoader& loader = GetFFmpegLoader();
    const TLibraries none;
    for (auto call :
         {+[](TFFmpegLoader&l, TLibraries s) { l.Load(s); }, +[](TFFmpegLoader&l, TLibraries s) { (void)l.Loaded(s); },
          +[](TFFmpegLoader&l, TLibraries s) { l.Unload(s); }}) {
        try {
            call(loader, none);
            ADD_FAILURE() << "no assertion for an empty set";
        } catch (const EAssertionFailed& failure) {
            EXPECT_EQ(failure.Module(), "FFmpegLoader");
        }
    }
}

TEST(FFmpegLoader, LoadUnloadAndTheStateOfEachSet)
{
    TFFmpegLoader& loader = GetFFmpegLoader();
    loader.Unload(PlayerLibraries);
    EXPECT_FALSE(loader.Loaded(ConverterLibraries));

    loader.SetLibraryPath("/opt/quorvex/LibAV");
    EXPECT_EQ(loader.LibraryPath(), "/opt/quorvex/LibAV");
    ASSERT_TRUE(loader.Load(ConverterLibraries));
    EXPECT_TRUE(loader.Loaded(ConverterLibraries));
    EXPECT_TRUE(loader.Loaded({libAVCodec, libAVUtil}));
    // The player's set also needs SDL, which the converter's set does not load.
    EXPECT_FALSE(loader.Loaded(PlayerLibraries));
    EXPECT_TRUE(loader.Load(ConverterLibraries));  // already bound: still true
    ASSERT_TRUE(loader.Load(PlayerLibraries));
    EXPECT_TRUE(loader.Loaded(PlayerLibraries));
    EXPECT_EQ(loader.LastError(), "");

    loader.Unload({libSwScale});
    EXPECT_FALSE(loader.Loaded(ConverterLibraries));
    EXPECT_TRUE(loader.Loaded({libAVCodec, libAVFormat}));
    ASSERT_TRUE(loader.Load(ConverterLibraries));
    EXPECT_TRUE(loader.Loaded(ConverterLibraries));
}

TEST(FFmpegLoader, LoadingRoutesTheLibraryLogIntoTheLogger)
{
    ASSERT_TRUE(GetFFmpegLoader().Load(ConverterLibraries));
    std::vector<std::string> lines;
    GetFFLogger().SetOnLog([&](const void*, uint32_t, TLogLevel, const std::string& msg) { lines.push_back(msg); });
    av_log(nullptr, AV_LOG_ERROR, "routed\n");
    GetFFLogger().SetOnLog(nullptr);
    EXPECT_EQ(lines, std::vector<std::string>{"routed"});
}

TEST(FFmpegLoader, FloatingPointExceptionsStayMasked)
{
    GetFFmpegLoader();
    EXPECT_EQ(fegetexcept(), 0);
}

TEST(MediaFileName, NamesTheLibrariesWouldTakeForAProtocolGetTheFilePrefix)
{
    const std::pair<const char*, const char*> cases[] = {
        {"clip:1.avi", "file:clip:1.avi"},
        {"my clip:1.avi", "file:my clip:1.avi"},
        {"/videos/clip:1.avi", "/videos/clip:1.avi"},
        {"./clip:1.avi", "./clip:1.avi"},
        {"/视频/片段.mp4", "/视频/片段.mp4"},
        {"plain.avi", "plain.avi"},
        {"http://example.com/a.mp4", "http://example.com/a.mp4"},
        {"file:/videos/a.avi", "file:/videos/a.avi"},
        {"file:clip:1.avi", "file:file:clip:1.avi"},
        {"", ""},
    };
    for (const auto& [name, media] : cases) {
        EXPECT_EQ(MediaFileName(name), media) << name;
        EXPECT_EQ(WideFileName(MediaFileName(name)), name) << name;
    }
}

TEST(MediaFileName, WideFileNameGivesBackEveryNameAndNoTwoNamesShareAMediaName)
{
    const std::vector<std::string> names = {"file:",
                                            "file:file:",
                                            "file:x:y",
                                            "file:file:x:y",
                                            "x:y",
                                            "a:b/c",
                                            "file:a/b:c",
                                            "rtp://host:5000",
                                            "file:rtp://host",
                                            "C:\\video.avi",
                                            "file:C:\\video.avi",
                                            "file:file:file:x:y"};
    std::set<std::string> mediaNames;
    for (const std::string& name : names) {
        EXPECT_EQ(WideFileName(MediaFileName(name)), name) << name;
        mediaNames.insert(MediaFileName(name));
    }
    EXPECT_EQ(mediaNames.size(), names.size());
}

TEST(MediaFileName, ARelativeNameWithAColonOpens)
{
    qtest::ScratchDir dir;
    ASSERT_TRUE(qtest::MakeMedia(dir.file("clip:1.wav"), "-f lavfi -i sine=duration=0.2"));
    char previous[4096];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(chdir(dir.path().c_str()), 0);
    AVFormatContext* ctx = nullptr;
    const int plain = avformat_open_input(&ctx, "clip:1.wav", nullptr, nullptr);
    avformat_close_input(&ctx);
    const int prefixed = avformat_open_input(&ctx, MediaFileName("clip:1.wav").c_str(), nullptr, nullptr);
    const std::string url = ctx && ctx->url ? ctx->url : "";
    avformat_close_input(&ctx);
    ASSERT_EQ(chdir(previous), 0);
    EXPECT_EQ(plain, AVERROR_PROTOCOL_NOT_FOUND);
    EXPECT_EQ(prefixed, 0);
    EXPECT_EQ(WideFileName(url), "clip:1.wav");
}

}  // namespace
