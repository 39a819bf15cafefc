#pragma once
// Clips and small helpers for the input/output set-up tests: the clips are
// generated once per test program into one scratch folder.
#include "engine/TCustomFFmpeg.h"
#include "support/TestMedia.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/samplefmt.h>
}

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace setuptest {

class SetupClips {
public:
    static SetupClips& Get()
    {
        static SetupClips clips;
        return clips;
    }
    const qtest::ScratchDir& dir() const { return dir_; }
    // H.264 + AAC, 320x240, 25 fps, 2 s
    std::string Mp4() { return qtest::MakeMp4Clip(dir_.path()); }
    // 16-bit stereo 44.1 kHz WAV, 2 s
    std::string Wav() { return qtest::MakeWavClip(dir_.path()); }
    // MPEG-4 video only, 160x120, 25 fps, 1 s
    std::string VideoOnly()
    {
        return Once("video_only.avi", "-f lavfi -i testsrc=size=160x120:rate=25:duration=1 -c:v mpeg4");
    }
    // 32 s of tiny video with a key frame every second, in MP4 (starts at 0)
    // and MPEG-TS (starts after the muxer's delay)
    std::string LongMp4() { return Once("long.mp4", kLong); }
    std::string LongTs() { return Once("long.ts", kLong); }
    // 2 s at 25 fps with frames 3-5 dropped: average rate 47/2, real rate 25/1
    std::string VariableRate()
    {
        return Once("vfr.mp4", "-f lavfi -i testsrc=size=64x48:rate=25:duration=2 "
                               "-vf \"select='not(eq(n\\,3))*not(eq(n\\,4))*not(eq(n\\,5))'\" -vsync vfr -c:v mpeg4");
    }
    // MPEG-4 video with a SubRip subtitle stream, in Matroska
    std::string WithSubtitles()
    {
        const std::string srt = dir_.file("subs.srt");
        if (qtest::FileBytes(srt) <= 0) {
            FILE* f = std::fopen(srt.c_str(), "w");
            std::fputs("1\n00:00:00,000 --> 00:00:01,000\nHello\n\n2\n00:00:01,000 --> 00:00:02,000\nWorld\n", f);
            std::fclose(f);
        }
        return Once("subs.mkv", "-f lavfi -i testsrc=size=160x120:rate=25:duration=2 -i " + qtest::ShellQuote(srt) +
                                    " -c:v mpeg4 -c:s srt");
    }

    // Matroska with one DVD (picture) subtitle stream and nothing else; the
    // packets are placeholders, which the demuxer does not look into.
    std::string PictureSubtitles()
    {
        const std::string path = dir_.file("picture_subs.mkv");
        if (qtest::FileBytes(path) > 0)
            return path;
        AVFormatContext* raw = nullptr;
        EXPECT_GE(avformat_alloc_output_context2(&raw, nullptr, "matroska", path.c_str()), 0);
        AVFormatOutputPtr oc{raw};
        AVStream* st = avformat_new_stream(oc.get(), nullptr);
        st->codecpar->codec_type = AVMEDIA_TYPE_SUBTITLE;
        st->codecpar->codec_id = AV_CODEC_ID_DVD_SUBTITLE;
        st->time_base = AVRational{1, 1000};
        EXPECT_GE(avio_open(&oc->pb, path.c_str(), AVIO_FLAG_WRITE), 0);
        EXPECT_EQ(avformat_write_header(oc.get(), nullptr), 0);
        AVPacketPtr packet{av_packet_alloc()};
        EXPECT_EQ(av_new_packet(packet.get(), 16), 0);
        std::fill_n(packet->data, 16, uint8_t{0});
        for (int i = 0; i < 2; ++i) {
            packet->pts = packet->dts = i * 1000;
            packet->duration = 500;
            packet->stream_index = 0;
            EXPECT_EQ(av_write_frame(oc.get(), packet.get()), 0);
        }
        EXPECT_EQ(av_write_trailer(oc.get()), 0);
        return path;
    }

private:
    static constexpr const char* kLong = "-f lavfi -i testsrc=size=64x48:rate=5:duration=32 -g 5 -c:v mpeg4";
    std::string Once(const std::string& name, const std::string& args)
    {
        const std::string path = dir_.file(name);
        if (qtest::FileBytes(path) <= 0)
            qtest::MakeMedia(path, args);
        return path;
    }
    qtest::ScratchDir dir_;
};

// A reset task with `options` applied in order.
inline std::unique_ptr<TCustomFFmpeg> NewTask(const std::vector<std::pair<std::string, std::string>>& options = {})
{
    auto task = std::make_unique<TCustomFFmpeg>(20);
    task->Reset();
    for (const auto& [name, value] : options)
        task->SetOption(name, value);
    return task;
}

inline void Apply(TCustomFFmpeg& task, const std::vector<std::pair<std::string, std::string>>& options)
{
    for (const auto& [name, value] : options)
        task.SetOption(name, value);
}

inline const OutputFileSetup& OutputSetup(const TCustomFFmpeg& task, int index)
{
    return task.Media().outputSetups.at(index);
}

// Opens every encoder of output `index`, gives the streams their parameters,
// writes the header, half a second of silence through each audio encoder
// (video streams get no pictures) and the trailer, so that ffprobe can read
// what the muxer was told. Fails the test on any error.
inline bool WriteSilentOutput(const TCustomFFmpeg& task, int index)
{
    AVFormatContext* oc = task.Media().outputs.at(index).get();
    const auto& streams = task.Media().outputSetups.at(index).streams;
    for (const OutputStreamSetup& s : streams) {
        if (!s.encoder)
            continue;
        const int opened = s.encoder->Open(nullptr);
        EXPECT_EQ(opened, 0) << "encoder " << s.encoder->Choice().name;
        if (opened < 0)
            return false;
        avcodec_parameters_from_context(s.stream->codecpar, s.encoder->Context());
    }
    // set-up leaves the file to the run, which writes a part file; here it is written in place
    if (!(oc->oformat->flags & AVFMT_NOFILE) && !oc->pb) {
        const int opened = avio_open(&oc->pb, oc->url, AVIO_FLAG_WRITE);
        EXPECT_GE(opened, 0) << oc->url;
        if (opened < 0)
            return false;
    }
    AVDictionary* options = nullptr;
    av_dict_copy(&options, task.Media().outputSetups.at(index).muxerOptions.get(), 0);
    const int header = avformat_write_header(oc, &options);
    av_dict_free(&options);
    EXPECT_GE(header, 0) << oc->url;
    if (header < 0)
        return false;

    for (const OutputStreamSetup& s : streams) {
        if (!s.encoder || s.type != AVMEDIA_TYPE_AUDIO)
            continue;
        AVCodecContext* ctx = s.encoder->Context();
        const int frameSamples = ctx->frame_size > 0 ? ctx->frame_size : 1024;
        AVPacketPtr packet{av_packet_alloc()};
        auto drain = [&] {
            while (s.encoder->ReceivePacket(packet.get()) == 0) {
                av_packet_rescale_ts(packet.get(), ctx->time_base, s.stream->time_base);
                packet->stream_index = s.stream->index;
                EXPECT_EQ(av_interleaved_write_frame(oc, packet.get()), 0);
            }
        };
        for (int64_t done = 0; done < ctx->sample_rate / 2; done += frameSamples) {
            AVFramePtr frame{av_frame_alloc()};
            frame->format = ctx->sample_fmt;
            frame->nb_samples = frameSamples;
            frame->sample_rate = ctx->sample_rate;
            av_channel_layout_copy(&frame->ch_layout, &ctx->ch_layout);
            EXPECT_EQ(av_frame_get_buffer(frame.get(), 0), 0);
            av_samples_set_silence(frame->extended_data, 0, frameSamples, ctx->ch_layout.nb_channels, ctx->sample_fmt);
            frame->pts = done;
            EXPECT_EQ(s.encoder->SendFrame(frame.get()), 0);
            drain();
        }
        s.encoder->SendFrame(nullptr);
        drain();
    }
    EXPECT_EQ(av_write_trailer(oc), 0);
    avio_flush(oc->pb);
    return true;
}

}  // namespace setuptest
