// One decoded subtitle to one subtitle output stream.
#include "engine/TranscodeRun.h"

#include "engine/TCustomFFmpeg.h"

namespace {
constexpr size_t kSubtitleBufferBytes = 1048576;
}

void TranscodeRun::SubtitleOut(RunOutputStream& ost, RunInputStream& /*ist*/, AVSubtitle* subtitle, int64_t ptsUs)
{
    if (ptsUs == AV_NOPTS_VALUE) {
        if (options_.exitOnError)
            throw FFmpegException("Subtitle packets must have a pts");
        task_.Log(llError, "Subtitle packets must have a pts");
        return;
    }
    AVCodecContext* enc = ost.enc;
    if (ost.subtitleBuffer.empty())
        ost.subtitleBuffer.resize(kSubtitleBufferBytes);

    // DVB subtitles are sent twice: once to show, once to clear
    const bool dvb = enc->codec_id == AV_CODEC_ID_DVB_SUBTITLE;
    const int passes = dvb ? 2 : 1;
    int64_t packetPts = ptsUs - options_.startTimeUs;
    AVSubtitle shown = *subtitle;
    shown.pts = packetPts + av_rescale_q(subtitle->start_display_time, AVRational{1, 1000}, AV_TIME_BASE_Q);
    shown.end_display_time -= shown.start_display_time;
    shown.start_display_time = 0;
    for (int i = 0; i < passes; ++i) {
        if (i == 1)
            shown.num_rects = 0;  // the clearing subtitle
        const int size = avcodec_encode_subtitle(enc, ost.subtitleBuffer.data(),
                                                 static_cast<int>(ost.subtitleBuffer.size()), &shown);
        if (size < 0)
            throw FFmpegException("Subtitle encoding failed");
        AVPacketPtr packet{av_packet_alloc()};
        if (!packet || av_new_packet(packet.get(), size) < 0)
            throw std::bad_alloc();
        std::copy(ost.subtitleBuffer.data(), ost.subtitleBuffer.data() + size, packet->data);
        packet->stream_index = ost.stream->index;
        packet->pts = av_rescale_q(shown.pts, AV_TIME_BASE_Q, ost.stream->time_base);
        if (dvb)
            packet->pts += static_cast<int64_t>(i == 0 ? shown.start_display_time : shown.end_display_time) * 90;
        packet->dts = packet->pts;
        packet->duration = av_rescale_q(shown.end_display_time, AVRational{1, 1000}, ost.stream->time_base);
        WritePacket(ost, packet.get());
    }
    ++ost.frameCount;
}
