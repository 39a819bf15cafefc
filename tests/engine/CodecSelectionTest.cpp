// Codec selection by name: the error texts, the experimental rule and the
// encoder names that the engine serves itself.
#include "OptionTestLog.h"
#include "engine/CodecSelection.h"

#include <gtest/gtest.h>

namespace {

struct SelectionCase {
    const char* name;
    AVMediaType type;
    bool encoder;
    int strictness;
    bool ok;
    AVCodecID id;  // when ok
    TCodecChoice::TSource source;  // when ok
    const char* error;  // when not ok
};

class CodecSelectionCases : public ::testing::TestWithParam<SelectionCase> {};

TEST_P(CodecSelectionCases, GivesTheCodecOrTheExactText)
{
    const SelectionCase& c = GetParam();
    TCodecChoice choice;
    choice.id = AV_CODEC_ID_PNG;  // must be overwritten
    std::string error;
    const bool ok = SelectCodec(c.name, c.type, c.encoder, c.strictness, choice, error);
    ASSERT_EQ(ok, c.ok) << error;
    if (ok) {
        EXPECT_EQ(choice.id, c.id);
        EXPECT_EQ(choice.source, c.source);
        EXPECT_TRUE(error.empty());
    } else {
        EXPECT_EQ(error, c.error);
        EXPECT_FALSE(choice.Chosen());
    }
}

constexpr auto V = AVMEDIA_TYPE_VIDEO;
constexpr auto A = AVMEDIA_TYPE_AUDIO;
constexpr auto S = AVMEDIA_TYPE_SUBTITLE;
constexpr auto Lib = TCodecChoice::csLibrary;
constexpr auto Own = TCodecChoice::csEngineAmrNb;
constexpr auto None = TCodecChoice::csNone;

INSTANTIATE_TEST_SUITE_P(
    Names, CodecSelectionCases,
    ::testing::Values(SelectionCase{"", V, true, 0, true, AV_CODEC_ID_NONE, None, ""},
                      SelectionCase{"mpeg4", V, true, 0, true, AV_CODEC_ID_MPEG4, Lib, ""},
                      SelectionCase{"libmp3lame", A, true, 0, true, AV_CODEC_ID_MP3, Lib, ""},
                      SelectionCase{"h264", V, false, 0, true, AV_CODEC_ID_H264, Lib, ""},
                      SelectionCase{"mov_text", S, true, 0, true, AV_CODEC_ID_MOV_TEXT, Lib, ""},
                      SelectionCase{"nosuch", V, true, 0, false, AV_CODEC_ID_NONE, None, "Unknown encoder 'nosuch'"},
                      SelectionCase{"x", A, false, 0, false, AV_CODEC_ID_NONE, None, "Unknown decoder 'x'"},
                      // only the encoder side is served by the engine
                      SelectionCase{"libfaac", A, false, 0, false, AV_CODEC_ID_NONE, None, "Unknown decoder 'libfaac'"},
                      SelectionCase{"mpeg4", A, true, 0, false, AV_CODEC_ID_NONE, None, "Invalid encoder type 'mpeg4'"},
                      SelectionCase{"mp3", V, false, 0, false, AV_CODEC_ID_NONE, None, "Invalid decoder type 'mp3'"},
                      SelectionCase{"libopencore_amrnb", V, true, 0, false, AV_CODEC_ID_NONE, None,
                                    "Invalid encoder type 'libopencore_amrnb'"},
                      SelectionCase{"libfaac", A, true, 0, true, AV_CODEC_ID_AAC, Lib, ""},
                      SelectionCase{"libopencore_amrnb", A, true, 0, true, AV_CODEC_ID_AMR_NB, Own, ""},
                      // experimental: refused above "experimental", with the alternative when one exists
                      SelectionCase{"vorbis", A, true, 0, false, AV_CODEC_ID_NONE, None,
                                    "encoder 'vorbis' is experimental and might produce bad results.\r\n"
                                    "Add '-strict experimental' if you want to use it.\r\n"
                                    "Or use the non experimental encoder 'libvorbis'."},
                      SelectionCase{"sonic", A, true, -1, false, AV_CODEC_ID_NONE, None,
                                    "encoder 'sonic' is experimental and might produce bad results.\r\n"
                                    "Add '-strict experimental' if you want to use it."},
                      SelectionCase{"vorbis", A, true, -2, true, AV_CODEC_ID_VORBIS, Lib, ""}));

TEST(CodecSelection, SubstitutedAacReportsItsOwnNameAndFormats)
{
    OptionTestLog log(llInfo);
    TCodecChoice choice;
    std::string error;
    ASSERT_TRUE(SelectCodec("libfaac", AVMEDIA_TYPE_AUDIO, true, 0, choice, error));
    EXPECT_TRUE(log.Has(llInfo, "Encoder 'libfaac' is not available, using the native encoder 'aac'"));
    EXPECT_EQ(choice.name, "aac");
    ASSERT_NE(choice.sampleFormats, nullptr);
    EXPECT_EQ(choice.sampleFormats[0], AV_SAMPLE_FMT_FLTP);
    auto encoder = choice.CreateEncoder();
    ASSERT_NE(encoder, nullptr);
    EXPECT_EQ(encoder->Context()->codec_id, AV_CODEC_ID_AAC);
}

TEST(CodecSelection, GuessedAmrNbIsServedByTheEngine)
{
    const TCodecChoice amr = EncoderForId(AV_CODEC_ID_AMR_NB);
    EXPECT_EQ(amr.source, TCodecChoice::csEngineAmrNb);
    ASSERT_NE(amr.supportedSampleRates, nullptr);
    EXPECT_EQ(amr.supportedSampleRates[0], 8000);
    EXPECT_EQ(amr.supportedSampleRates[1], 0);
    EXPECT_EQ(EncoderForId(AV_CODEC_ID_MP2).source, TCodecChoice::csLibrary);
    // nothing encodes AMR-WB here
    EXPECT_FALSE(EncoderForId(AV_CODEC_ID_AMR_WB).Chosen());
}

}  // namespace
