// The engine's AMR-NB encoder: bit-rate modes, frame sizes, a round trip
// through libavcodec's AMR-NB decoder, and files written by the amr and 3gp
// muxers that ffprobe reads back.
#include "engine/AmrNbEncoder.h"
#include "engine/CodecSelection.h"
#include "support/TestMedia.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
}

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

namespace {

// `count` samples of a 440 Hz tone at 8000 Hz, amplitude 8000.
std::vector<int16_t> Tone(int count)
{
    std::vector<int16_t> samples(count);
    for (int i = 0; i < count; ++i)
        samples[i] = static_cast<int16_t>(8000 * std::sin(2 * M_PI * 440 * i / 8000.0));
    return samples;
}

std::unique_ptr<IStreamEncoder> OpenAmr(int64_t bitRate)
{
    auto encoder = AmrNbEncoder::MakeChoice().CreateEncoder();
    encoder->Context()->bit_rate = bitRate;
    EXPECT_EQ(encoder->Open(nullptr), 0);
    return encoder;
}

// Feeds `samples` in frames of up to 160, flushes, and returns the packets.
std::vector<AVPacketPtr> EncodeAll(IStreamEncoder& encoder, const std::vector<int16_t>& samples)
{
    std::vector<AVPacketPtr> packets;
    auto drain = [&] {
        for (;;) {
            AVPacketPtr packet{av_packet_alloc()};
            if (encoder.ReceivePacket(packet.get()) < 0)
                return;
            packets.push_back(std::move(packet));
        }
    };
    AVFramePtr frame{av_frame_alloc()};
    for (size_t done = 0; done < samples.size();) {
        const int count = static_cast<int>(std::min<size_t>(AmrNbEncoder::kFrameSamples, samples.size() - done));
        av_frame_unref(frame.get());
        frame->format = AV_SAMPLE_FMT_S16;
        frame->nb_samples = count;
        frame->sample_rate = 8000;
        av_channel_layout_default(&frame->ch_layout, 1);
        EXPECT_EQ(av_frame_get_buffer(frame.get(), 0), 0);
        std::copy_n(samples.data() + done, count, reinterpret_cast<int16_t*>(frame->data[0]));
        frame->pts = static_cast<int64_t>(done);
        EXPECT_EQ(encoder.SendFrame(frame.get()), 0);
        drain();
        done += count;
    }
    EXPECT_EQ(encoder.SendFrame(nullptr), 0);
    drain();
    AVPacketPtr after{av_packet_alloc()};
    EXPECT_EQ(encoder.ReceivePacket(after.get()), AVERROR_EOF);
    return packets;
}

TEST(AmrNbEncoder, BitRateChoosesTheHighestModeNotAboveIt)
{
    struct Case {
        int64_t request;
        int mode;
        int rate;
    };
    const Case cases[] = {{0, 0, 4750},      {4750, 0, 4750},   {5149, 0, 4750},   {5150, 1, 5150},
                          {7400, 4, 7400},   {7949, 4, 7400},   {10199, 5, 7950},  {10200, 6, 10200},
                          {12199, 6, 10200}, {12200, 7, 12200}, {128000, 7, 12200}};
    for (const Case& c : cases) {
        EXPECT_EQ(AmrNbEncoder::ModeForBitRate(c.request), c.mode) << c.request;
        EXPECT_EQ(AmrNbEncoder::ModeBitRate(c.mode), c.rate) << c.request;
    }
}

TEST(AmrNbEncoder, EachModeGivesFiftyFramesOfItsSizePerSecond)
{
    // storage-format frame sizes (header byte included) of the eight modes
    const int rates[] = {4750, 5150, 5900, 6700, 7400, 7950, 10200, 12200};
    const int bytes[] = {13, 14, 16, 18, 20, 21, 27, 32};
    const std::vector<int16_t> tone = Tone(8000);
    for (int mode = 0; mode < 8; ++mode) {
        auto encoder = OpenAmr(rates[mode]);
        EXPECT_EQ(encoder->Context()->bit_rate, rates[mode]);
        EXPECT_EQ(encoder->Context()->frame_size, 160);
        const auto packets = EncodeAll(*encoder, tone);
        ASSERT_EQ(packets.size(), 50u) << rates[mode];
        for (size_t i = 0; i < packets.size(); ++i) {
            EXPECT_EQ(packets[i]->size, bytes[mode]) << rates[mode];
            EXPECT_EQ(packets[i]->pts, static_cast<int64_t>(i) * 160);
            EXPECT_EQ(packets[i]->duration, 160);
            // the frame-type header carries the mode: 0 FT(4) Q 00
            EXPECT_EQ((packets[i]->data[0] >> 3) & 0x0F, mode);
        }
    }
}

TEST(AmrNbEncoder, LibraryDecoderGetsTheToneBack)
{
    auto encoder = OpenAmr(12200);
    const auto packets = EncodeAll(*encoder, Tone(8000));
    ASSERT_EQ(packets.size(), 50u);

    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_AMR_NB);
    ASSERT_NE(codec, nullptr);
    AVCodecContextPtr decoder{avcodec_alloc_context3(codec)};
    decoder->sample_rate = 8000;
    av_channel_layout_default(&decoder->ch_layout, 1);
    ASSERT_EQ(avcodec_open2(decoder.get(), codec, nullptr), 0);

    int decodedSamples = 0;
    double energy = 0;
    AVFramePtr frame{av_frame_alloc()};
    auto collect = [&] {
        while (avcodec_receive_frame(decoder.get(), frame.get()) == 0) {
            // mono float, planar or packed: one plane either way
            ASSERT_EQ(av_get_packed_sample_fmt(static_cast<AVSampleFormat>(frame->format)), AV_SAMPLE_FMT_FLT);
            const float* data = reinterpret_cast<const float*>(frame->data[0]);
            for (int i = 0; i < frame->nb_samples; ++i)
                energy += data[i] * data[i];
            decodedSamples += frame->nb_samples;
        }
    };
    for (const auto& packet : packets) {
        ASSERT_EQ(avcodec_send_packet(decoder.get(), packet.get()), 0);
        collect();
    }
    avcodec_send_packet(decoder.get(), nullptr);
    collect();
    EXPECT_EQ(decodedSamples, 8000);
    // a tone of amplitude 8000/32768 has an RMS near 0.17; silence would be ~0
    const double rms = std::sqrt(energy / std::max(decodedSamples, 1));
    EXPECT_GT(rms, 0.08);
    EXPECT_LT(rms, 0.3);
}

TEST(AmrNbEncoder, ShortLastFrameIsPaddedAndNothingMayFollowIt)
{
    auto encoder = OpenAmr(7400);
    const auto packets = EncodeAll(*encoder, Tone(8080));
    EXPECT_EQ(packets.size(), 51u);

    auto second = OpenAmr(7400);
    AVFramePtr frame{av_frame_alloc()};
    frame->format = AV_SAMPLE_FMT_S16;
    frame->nb_samples = 80;
    av_channel_layout_default(&frame->ch_layout, 1);
    ASSERT_EQ(av_frame_get_buffer(frame.get(), 0), 0);
    EXPECT_EQ(second->SendFrame(frame.get()), 0);
    AVPacketPtr packet{av_packet_alloc()};
    EXPECT_EQ(second->ReceivePacket(packet.get()), 0);
    EXPECT_EQ(second->SendFrame(frame.get()), AVERROR(EINVAL));
}

TEST(AmrNbEncoder, RefusesAnythingButEightKilohertzMono)
{
    struct Case {
        int rate;
        int channels;
    };
    for (const Case c : {Case{44100, 1}, Case{16000, 1}, Case{8000, 2}}) {
        auto encoder = AmrNbEncoder::MakeChoice().CreateEncoder();
        encoder->Context()->sample_rate = c.rate;
        av_channel_layout_uninit(&encoder->Context()->ch_layout);
        av_channel_layout_default(&encoder->Context()->ch_layout, c.channels);
        EXPECT_EQ(encoder->Open(nullptr), AVERROR(EINVAL)) << c.rate << " " << c.channels;
        EXPECT_FALSE(encoder->IsOpen());
    }
}

// Writes the packets of one second of tone through a muxer and reads the file
// back with ffprobe.
TEST(AmrNbEncoder, AmrAnd3gpMuxersWriteWhatFfprobeReads)
{
    qtest::ScratchDir dir;
    for (const char* name : {"tone.amr", "tone.3gp"}) {
        const std::string path = dir.file(name);
        auto encoder = OpenAmr(10200);
        AVFormatContext* raw = nullptr;
        ASSERT_GE(avformat_alloc_output_context2(&raw, nullptr, nullptr, path.c_str()), 0);
        AVFormatOutputPtr out{raw};
        AVStream* stream = avformat_new_stream(out.get(), nullptr);
        ASSERT_NE(stream, nullptr);
        ASSERT_GE(avcodec_parameters_from_context(stream->codecpar, encoder->Context()), 0);
        stream->time_base = encoder->Context()->time_base;
        ASSERT_GE(avio_open(&out->pb, path.c_str(), AVIO_FLAG_WRITE), 0);
        ASSERT_EQ(avformat_write_header(out.get(), nullptr), 0) << name;
        for (auto& packet : EncodeAll(*encoder, Tone(8000))) {
            av_packet_rescale_ts(packet.get(), encoder->Context()->time_base, stream->time_base);
            packet->stream_index = 0;
            ASSERT_EQ(av_interleaved_write_frame(out.get(), packet.get()), 0) << name;
        }
        ASSERT_EQ(av_write_trailer(out.get()), 0);
        out.reset();

        auto probed = qtest::ProbeStream(path, "a:0");
        EXPECT_EQ(probed["codec_name"], "amr_nb") << name;
        EXPECT_EQ(probed["sample_rate"], "8000") << name;
        EXPECT_EQ(probed["channels"], "1") << name;
        const double seconds = std::stod(qtest::ProbeFormat(path)["duration"]);
        EXPECT_NEAR(seconds, 1.0, 0.05) << name;
    }
}

}  // namespace
