#include "engine/OutputCheck.h"

#include "media/CodecLock.h"
#include "media/FFHandles.h"
#include "media/MediaFileName.h"
#include "media/MediaText.h"
#include "media/TextFormat.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <mutex>

namespace {

double Seconds(int64_t us) { return static_cast<double>(us) / AV_TIME_BASE; }

bool IsPicture(AVMediaType type) { return type == AVMEDIA_TYPE_VIDEO || type == AVMEDIA_TYPE_AUDIO; }

// What reading one stream of the output found.
struct TStreamFindings {
    AVCodecContextPtr decoder;
    int64_t packets = 0;
    int64_t frames = 0;
    int decodeErrors = 0;
    int64_t firstUs = INT64_MAX;
    int64_t endUs = INT64_MIN;
};

void Receive(TStreamFindings& s, AVFrame* frame)
{
    for (;;) {
        const int ret = avcodec_receive_frame(s.decoder.get(), frame);
        if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF)
            return;
        if (ret < 0) {
            ++s.decodeErrors;
            return;
        }
        ++s.frames;
        if (frame->decode_error_flags || (frame->flags & AV_FRAME_FLAG_CORRUPT))
            ++s.decodeErrors;
        av_frame_unref(frame);
    }
}

void Decode(TStreamFindings& s, const AVPacket* packet, AVFrame* frame)
{
    if (!s.decoder)
        return;
    const int ret = avcodec_send_packet(s.decoder.get(), packet);
    if (ret < 0 && ret != AVERROR(EAGAIN) && ret != AVERROR_EOF)
        ++s.decodeErrors;
    Receive(s, frame);
}

// `keyOnly`: a video decoder decodes the key pictures only (every packet is
// still read and counted), which proves the stream plays at a small part of
// the cost of decoding it all.
AVCodecContextPtr OpenDecoder(const AVStream* stream, bool keyOnly)
{
    // the library writes animated WebP but cannot read its frames back
    if (stream->codecpar->codec_id == AV_CODEC_ID_WEBP)
        return nullptr;
    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    if (!codec)
        return nullptr;
    AVCodecContextPtr decoder{avcodec_alloc_context3(codec)};
    if (!decoder || avcodec_parameters_to_context(decoder.get(), stream->codecpar) < 0)
        return nullptr;
    decoder->pkt_timebase = stream->time_base;
    if (keyOnly && stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO)
        decoder->skip_frame = AVDISCARD_NONKEY;
    std::lock_guard guard(CodecLock());
    if (avcodec_open2(decoder.get(), codec, nullptr) < 0)
        return nullptr;
    return decoder;
}

const char* TypeWord(AVMediaType type)
{
    switch (type) {
    case AVMEDIA_TYPE_VIDEO:
        return "视频";
    case AVMEDIA_TYPE_AUDIO:
        return "音频";
    case AVMEDIA_TYPE_SUBTITLE:
        return "字幕";
    default:
        return "数据";
    }
}

OutputVerdict Failed(const std::string& message)
{
    OutputVerdict verdict;
    verdict.outcome = TTaskOutcome::Failed;
    verdict.message = message;
    return verdict;
}

}  // namespace

int64_t DurationToleranceUs(int64_t expectedUs) { return std::max<int64_t>(AV_TIME_BASE / 2, expectedUs / 50); }

namespace {

OutputVerdict CheckOutputFile(const OutputExpectation& expected, bool keyOnly);

}  // namespace

OutputVerdict CheckOutput(const OutputExpectation& expected) { return CheckOutputFile(expected, true); }

namespace {

OutputVerdict CheckOutputFile(const OutputExpectation& expected, bool keyOnly)
{
    int64_t written = 0;
    for (int64_t count : expected.packetsWritten)
        written += count;
    if (written == 0)
        return Failed(
            expected.inputErrors > 0
                ? FormatText("转换失败：没有写入任何媒体数据（读取或解码源文件时出错 %d 次）", expected.inputErrors)
                : std::string("转换失败：没有写入任何媒体数据"));

    // the file is read by its content; the muxer's name helps where it names a demuxer too
    const AVInputFormat* format = av_find_input_format(expected.formatName.c_str());
    AVFormatContext* raw = nullptr;
    const std::string url = MediaFileName(expected.fileName);
    if (avformat_open_input(&raw, url.c_str(), format, nullptr) < 0) {
        raw = nullptr;
        if (!format || avformat_open_input(&raw, url.c_str(), nullptr, nullptr) < 0)
            return Failed("转换失败：输出文件无法打开");
    }
    AVFormatInputPtr input{raw};
    {
        std::lock_guard guard(CodecLock());
        avformat_find_stream_info(input.get(), nullptr);
    }

    std::vector<TStreamFindings> streams(input->nb_streams);
    for (unsigned i = 0; i < input->nb_streams; ++i)
        if (IsPicture(input->streams[i]->codecpar->codec_type))
            streams[i].decoder = OpenDecoder(input->streams[i], keyOnly);

    AVPacketPtr packet{av_packet_alloc()};
    AVFramePtr frame{av_frame_alloc()};
    if (!packet || !frame)
        throw std::bad_alloc();
    while (av_read_frame(input.get(), packet.get()) >= 0) {
        if (packet->stream_index >= 0 && static_cast<unsigned>(packet->stream_index) < streams.size()) {
            const AVStream* stream = input->streams[packet->stream_index];
            TStreamFindings& s = streams[static_cast<size_t>(packet->stream_index)];
            ++s.packets;
            const int64_t ts = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
            if (ts != AV_NOPTS_VALUE) {
                const int64_t startUs = av_rescale_q(ts, stream->time_base, AV_TIME_BASE_Q);
                const int64_t endUs =
                    av_rescale_q(ts + std::max<int64_t>(packet->duration, 0), stream->time_base, AV_TIME_BASE_Q);
                s.firstUs = std::min(s.firstUs, startUs);
                s.endUs = std::max(s.endUs, endUs);
            }
            Decode(s, packet.get(), frame.get());
        }
        av_packet_unref(packet.get());
    }
    for (TStreamFindings& s : streams)
        Decode(s, nullptr, frame.get());
    // a stream whose pictures the decoder never marks as key ones (a stream
    // starting at a recovery point) is decoded whole
    for (size_t i = 0; keyOnly && i < streams.size(); ++i)
        if (streams[i].decoder && input->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO &&
            streams[i].packets > 0 && streams[i].frames == 0)
            return CheckOutputFile(expected, false);

    OutputVerdict verdict;
    int64_t first = INT64_MAX, end = INT64_MIN;
    int64_t packets = 0, frames = 0;
    bool anyDecodable = false;
    int outputErrors = 0;
    std::string missing;
    int64_t shortWrittenUs = -1, shortExpectedUs = -1;  // the stream that falls shortest
    // The demuxer may order the streams otherwise (MPEG program streams list
    // them as their packets come) and add its own (DVD navigation packets):
    // the n-th written stream of a type is the n-th found of that type.
    const auto writtenOfType = [&](AVMediaType type, size_t rank) -> int {
        for (size_t k = 0; k < expected.streamTypes.size(); ++k)
            if (expected.streamTypes[k] == type && rank-- == 0)
                return static_cast<int>(k);
        return -1;
    };
    std::vector<size_t> rankOfType(AVMEDIA_TYPE_NB, 0);
    std::vector<size_t> foundOfType(AVMEDIA_TYPE_NB, 0);
    for (size_t i = 0; i < streams.size(); ++i) {
        const TStreamFindings& s = streams[i];
        const AVMediaType type = input->streams[i]->codecpar->codec_type;
        packets += s.packets;
        const int written = type >= 0 && type < AVMEDIA_TYPE_NB ? writtenOfType(type, rankOfType[type]++) : -1;
        if (written < 0)
            continue;  // not a stream the run wrote
        ++foundOfType[type];
        const size_t w = static_cast<size_t>(written);
        const bool wrote = w < expected.packetsWritten.size() && expected.packetsWritten[w] > 0;
        if (IsPicture(type) && !s.decoder) {
            if (wrote && s.packets == 0 && missing.empty())
                missing = FormatText("%s流没有数据", TypeWord(type));
        } else if (IsPicture(type)) {
            anyDecodable = true;
            frames += s.frames;
            outputErrors += s.decodeErrors;
            if (s.frames == 0 && missing.empty())
                missing = FormatText("%s流无法解码", TypeWord(type));
            if (s.firstUs != INT64_MAX) {
                first = std::min(first, s.firstUs);
                end = std::max(end, s.endUs);
                const int64_t wantedUs = w < expected.streamExpectedUs.size() ? expected.streamExpectedUs[w] : -1;
                const int64_t lengthUs = s.endUs - s.firstUs;
                if (wantedUs > 0 && lengthUs < wantedUs - DurationToleranceUs(wantedUs) &&
                    (shortExpectedUs < 0 || lengthUs * shortExpectedUs < shortWrittenUs * wantedUs)) {
                    shortWrittenUs = lengthUs;
                    shortExpectedUs = wantedUs;
                }
            }
        } else if (wrote && s.packets == 0 && missing.empty()) {
            missing = FormatText("%s流没有数据", TypeWord(type));
        }
    }
    for (size_t k = 0; k < expected.streamTypes.size() && missing.empty(); ++k) {
        const AVMediaType type = expected.streamTypes[k];
        size_t ofType = 0;
        for (size_t j = 0; j <= k; ++j)
            ofType += expected.streamTypes[j] == type;
        const bool wrote = k < expected.packetsWritten.size() && expected.packetsWritten[k] > 0;
        if (wrote && type >= 0 && type < AVMEDIA_TYPE_NB && foundOfType[type] < ofType)
            missing = FormatText("缺少%s流", TypeWord(type));
    }
    if (packets == 0)
        return Failed("转换失败：输出文件中没有可读的媒体数据");
    if (anyDecodable && frames == 0)
        return Failed("转换失败：输出文件无法解码");

    if (first != INT64_MAX && end > first)
        verdict.writtenDurationUs = end - first;
    else if (input->duration != AV_NOPTS_VALUE && input->duration > 0)
        verdict.writtenDurationUs = input->duration;

    const int64_t wanted = expected.expectedDurationUs;
    if (wanted > 0 && verdict.writtenDurationUs >= 0 &&
        verdict.writtenDurationUs < wanted - DurationToleranceUs(wanted)) {
        shortWrittenUs = verdict.writtenDurationUs;
        shortExpectedUs = wanted;
    }
    if (shortExpectedUs > 0) {
        verdict.outcome = TTaskOutcome::Incomplete;
        verdict.message = FormatText("源文件不完整：只转换了 %.1f 秒（共 %.1f 秒）", Seconds(shortWrittenUs),
                                     Seconds(shortExpectedUs));
    } else if (expected.inputErrors > 0) {
        verdict.outcome = TTaskOutcome::Incomplete;
        verdict.message = FormatText("源文件有损坏：读取或解码时出错 %d 次，转换结果可能不完整", expected.inputErrors);
    } else if (!missing.empty() || outputErrors > 0) {
        verdict.outcome = TTaskOutcome::Incomplete;
        verdict.message =
            "输出文件不完整：" + (missing.empty() ? FormatText("解码时出错 %d 次", outputErrors) : missing);
    }
    return verdict;
}

}  // namespace
