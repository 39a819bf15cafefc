// Opening an input: forced format and decoders, program selection, stream
// information, the start-time seek, and what each stream leaves in the
// pending state for the outputs that follow.
#include "engine/TCustomFFmpeg.h"
#include "media/CodecLock.h"
#include "media/FormatInput.h"
#include "media/MediaFileName.h"
#include "media/MediaText.h"
#include "media/PictureOrientation.h"
#include "media/PipeReader.h"
#include "media/ProbedFormats.h"
#include "media/TextFormat.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

#include <memory>
#include <mutex>
#include <utility>

namespace {

// The open options a demuxer may take from the pending state (unused keys
// are ignored by the library).
AVDictionaryPtr OpenOptions(const PendingOptions& p)
{
    AVDictionary* dict = nullptr;
    if (p.audioSampleRate > 0)
        av_dict_set_int(&dict, "sample_rate", p.audioSampleRate, 0);
    if (p.audioChannels > 0)
        av_dict_set_int(&dict, "channels", p.audioChannels, 0);
    if (p.frameRate.num > 0 && p.frameRate.den > 0)
        av_dict_set(&dict, "framerate", FormatText("%d/%d", p.frameRate.num, p.frameRate.den).c_str(), 0);
    if (p.frameWidth > 0 && p.frameHeight > 0)
        av_dict_set(&dict, "video_size", FormatText("%dx%d", p.frameWidth, p.frameHeight).c_str(), 0);
    if (p.pixelFormat != AV_PIX_FMT_NONE)
        if (const char* name = av_get_pix_fmt_name(p.pixelFormat))
            av_dict_set(&dict, "pixel_format", name, 0);
    if (p.grabChannel != 0)
        av_dict_set_int(&dict, "channel", p.grabChannel, 0);
    if (!p.grabStandard.empty())
        av_dict_set(&dict, "standard", p.grabStandard.c_str(), 0);
    if (p.loopInput)
        av_dict_set(&dict, "loop", "1", 0);  // the image demuxer's loop
    return AVDictionaryPtr{dict};
}

// Keeps only the streams of the program with `programId`.
bool SelectProgram(AVFormatContext* ic, int programId)
{
    for (unsigned i = 0; i < ic->nb_streams; ++i)
        ic->streams[i]->discard = AVDISCARD_ALL;
    bool found = false;
    for (unsigned p = 0; p < ic->nb_programs; ++p) {
        AVProgram* program = ic->programs[p];
        if (program->id != programId) {
            program->discard = AVDISCARD_ALL;
            continue;
        }
        found = true;
        for (unsigned k = 0; k < program->nb_stream_indexes; ++k)
            ic->streams[program->stream_index[k]]->discard = AVDISCARD_DEFAULT;
    }
    return found;
}

// The library's interrupt callback: a read that waits for data (a network
// input, a stream that stalls) gives up once the run is asked to stop, so a
// stop never waits for data that may never come.
int StopRequestedCallback(void* task) { return static_cast<const TCustomFFmpeg*>(task)->StopRequested() ? 1 : 0; }

}  // namespace

void TCustomFFmpeg::OpenInputFile(const std::string& fileName)
{
    if (media_.InputCount() >= capacity_)
        throw FFmpegException::Format("%s: too many input files (at most %d)", fileName.c_str(), capacity_);
    PendingOptions& p = pending_;

    // 1. forced format
    const AVInputFormat* forcedFormat = nullptr;
    if (!p.forcedFormat.empty()) {
        const std::string name = p.forcedFormat;
        p.forcedFormat.clear();
        forcedFormat = av_find_input_format(name.c_str());
        if (!forcedFormat)
            throw FFmpegException::Format("Unknown input format: \"%s\"", name.c_str());
    }

    // 2.-4. context, open options, replayed decoding options
    AVFormatContextPtr unopened{avformat_alloc_context()};
    if (!unopened)
        throw FFmpegException("avformat_alloc_context failed");
    AVFormatContext* ic = unopened.get();
    AVDictionaryPtr openOptions = OpenOptions(p);
    ReplayGenericOptions(ic, rmInputFormat);

    // 5. forced decoders; a failure consumes the names
    auto dropCodecNames = [&p] {
        p.videoCodecName.clear();
        p.audioCodecName.clear();
        p.subtitleCodecName.clear();
    };
    TCodecChoice videoDecoder, audioDecoder, subtitleDecoder;
    const int strictness = CodecStrictness();
    std::string decoderError;
    if (!SelectCodec(p.videoCodecName, AVMEDIA_TYPE_VIDEO, false, strictness, videoDecoder, decoderError, this) ||
        !SelectCodec(p.audioCodecName, AVMEDIA_TYPE_AUDIO, false, strictness, audioDecoder, decoderError, this) ||
        !SelectCodec(p.subtitleCodecName, AVMEDIA_TYPE_SUBTITLE, false, strictness, subtitleDecoder, decoderError,
                     this)) {
        dropCodecNames();
        throw FFmpegException(decoderError);
    }
    ic->video_codec_id = videoDecoder.id;
    ic->video_codec = videoDecoder.codec;
    ic->audio_codec_id = audioDecoder.id;
    ic->audio_codec = audioDecoder.codec;
    ic->subtitle_codec_id = subtitleDecoder.id;
    ic->subtitle_codec = subtitleDecoder.codec;

    // 6. non-blocking reads, interrupted by a stop; the deprecated pgmyuv format
    ic->flags |= AVFMT_FLAG_NONBLOCK;
    ic->interrupt_callback = AVIOInterruptCB{&StopRequestedCallback, this};
    if (p.pgmyuvInput) {
        ic->video_codec_id = AV_CODEC_ID_PGMYUV;
        ic->video_codec = avcodec_find_decoder(AV_CODEC_ID_PGMYUV);
        p.pgmyuvInput = false;
    }

    // 7. open (a failed open frees the context itself). A named pipe or a
    // device is read through our own reader, which a stop interrupts while
    // it waits for data; a demuxer that opens its own device is left alone.
    const std::string url = MediaFileName(fileName);
    LimitProbedFormats(ic, forcedFormat, url.c_str());
    std::unique_ptr<PipeReader> reader;  // declared before `input`: outlives the context
    if ((!forcedFormat || !(forcedFormat->flags & AVFMT_NOFILE)) && PipeReader::Wanted(fileName)) {
        int error = 0;
        reader = PipeReader::Open(
            fileName, [this] { return StopRequested(); }, error);
        if (!reader)
            throw FFmpegException(ErrorText(fileName, error));
        ic->pb = reader->Context();
        ic->flags |= AVFMT_FLAG_CUSTOM_IO;
    }
    int ret = 0;
    AVFormatInputPtr input = OpenFormatInput(unopened, url.c_str(), forcedFormat, openOptions, ret);
    if (!input)
        throw FFmpegException(ErrorText(fileName, ret));

    // 8. program selection
    if (p.programId != 0) {
        const bool found = SelectProgram(ic, p.programId);
        p.programId = 0;
        if (!found)
            throw FFmpegException("Specified program id not found");
    }

    // 10. stream information; the codec lock guards the decoders it opens
    {
        std::lock_guard guard(CodecLock());
        ret = avformat_find_stream_info(ic, nullptr);
    }
    if (ret < 0 && p.verbosity >= 0) {
        const std::string error = FormatText("%s: could not find codec parameters", fileName.c_str());
        Log(llVerbose, error);
        throw FFmpegException(error);
    }

    // 11. seek to the start time
    int64_t seekTarget = p.startTimeUs;
    if (ic->start_time != AV_NOPTS_VALUE)
        seekTarget += ic->start_time;
    if (p.startTimeUs != 0) {
        ret = av_seek_frame(ic, -1, seekTarget, AVSEEK_FLAG_BACKWARD);
        if (ret < 0 && p.verbosity > 0)
            LogFmt(llVerbose, "%s: could not seek to position %0.3f", fileName.c_str(),
                   static_cast<double>(seekTarget) / AV_TIME_BASE);
    }
    const int64_t startTimeUs = p.startTimeUs;
    p.startTimeUs = 0;

    // 12. the streams
    std::vector<InputStreamSetup> streams(ic->nb_streams);
    const int inputIndex = media_.InputCount();
    for (unsigned i = 0; i < ic->nb_streams; ++i)
        SetUpInputStream(ic, static_cast<int>(i), videoDecoder, audioDecoder, subtitleDecoder, streams[i]);

    // 13. total duration
    if (ic->duration != AV_NOPTS_VALUE && ic->duration > totalDurationUs_)
        totalDurationUs_ = ic->duration;

    // 14. timestamp offset
    const int64_t tsOffsetUs = p.copyTs ? p.inputTsOffsetUs : p.inputTsOffsetUs - seekTarget;

    // 15. format dump through the library log
    if (p.verbosity >= 0)
        av_dump_format(ic, inputIndex, MediaFileName(fileName).c_str(), 0);

    // 16. consumed
    media_.AddInput(std::move(input), tsOffsetUs, std::move(streams), startTimeUs, std::move(reader));
    p.grabStandard.clear();
    dropCodecNames();
}

void TCustomFFmpeg::SetUpInputStream(AVFormatContext* ic, int index, const TCodecChoice& videoDecoder,
                                     const TCodecChoice& audioDecoder, const TCodecChoice& subtitleDecoder,
                                     InputStreamSetup& setup)
{
    PendingOptions& p = pending_;
    AVStream* st = ic->streams[index];
    AVCodecParameters* par = st->codecpar;
    setup.stream = st;
    if (par->codec_type < AVMEDIA_TYPE_UNKNOWN || par->codec_type >= AVMEDIA_TYPE_NB)
        throw FFmpegException("invalid codec_type");

    auto makeDecoder = [&](const TCodecChoice& forced, int replayMask) {
        setup.forcedDecoder = forced;
        const AVCodec* codec = forced.codec ? forced.codec : avcodec_find_decoder(par->codec_id);
        setup.decoder.reset(avcodec_alloc_context3(codec));
        if (!setup.decoder)
            throw FFmpegException("avcodec_alloc_context failed");
        avcodec_parameters_to_context(setup.decoder.get(), par);
        setup.decoder->pkt_timebase = st->time_base;
        setup.decoder->thread_count = p.threadCount;
        if (replayMask)
            ReplayGenericOptions(setup.decoder.get(), replayMask);
    };
    auto discard = [&] {
        st->discard = AVDISCARD_ALL;
        setup.discarded = true;
    };

    switch (par->codec_type) {
    case AVMEDIA_TYPE_VIDEO: {
        makeDecoder(videoDecoder, rmVideoDecoder);
        p.frameWidth = par->width;
        p.frameHeight = par->height;
        const AVRational sar = st->sample_aspect_ratio.num ? st->sample_aspect_ratio : par->sample_aspect_ratio;
        double aspect = par->height > 0 ? av_q2d(sar) * par->width / par->height : 0.0;
        if (par->width * par->height == 0 && aspect == 0)
            aspect = 4.0 / 3.0;
        p.frameAspectRatio = static_cast<float>(aspect);
        // outputs take the upright picture's size and shape
        if (StreamOrientation(st).SwapsSides()) {
            std::swap(p.frameWidth, p.frameHeight);
            if (aspect > 0)
                p.frameAspectRatio = static_cast<float>(1.0 / aspect);
        }
        if (par->format == AV_PIX_FMT_NONE) {
            par->format = AV_PIX_FMT_YUV420P;
            setup.decoder->pix_fmt = AV_PIX_FMT_YUV420P;
        }
        p.pixelFormat = static_cast<AVPixelFormat>(par->format);
        if (const int lowres = setup.decoder->lowres) {
            p.frameHeight >>= lowres;
            p.frameWidth >>= lowres;
        }
        // the codec's own rate (the average) against the container's real rate
        const AVRational codecRate = st->avg_frame_rate;
        const AVRational realRate = st->r_frame_rate;
        if (codecRate.num > 0 && codecRate.den > 0 && realRate.num > 0 && realRate.den > 0 &&
            av_cmp_q(codecRate, realRate) != 0 && p.verbosity >= 0)
            LogFmt(llInfo,
                   "Seems stream %d codec frame rate differs from container frame rate: %2.2f (%d/%d) -> %2.2f (%d/%d)",
                   index, av_q2d(codecRate), codecRate.num, codecRate.den, av_q2d(realRate), realRate.num,
                   realRate.den);
        p.frameRate = realRate;
        if (p.videoDisable)
            discard();
        else if (p.videoDiscard)
            st->discard = static_cast<AVDiscard>(p.videoDiscard);
        break;
    }
    case AVMEDIA_TYPE_AUDIO:
        makeDecoder(audioDecoder, rmAudioDecoder);
        p.audioChannelLayout =
            par->ch_layout.order == AV_CHANNEL_ORDER_NATIVE ? static_cast<int64_t>(par->ch_layout.u.mask) : 0;
        p.audioSampleRate = par->sample_rate;
        p.audioChannels = par->ch_layout.nb_channels;
        p.sampleFormat = static_cast<AVSampleFormat>(par->format);
        if (p.audioDisable)
            discard();
        break;
    case AVMEDIA_TYPE_SUBTITLE:
        makeDecoder(subtitleDecoder, 0);
        if (p.subtitleDisable)
            discard();
        break;
    default:
        // data, attachments and unknown streams have no decoder
        break;
    }
}

int TCustomFFmpeg::CodecStrictness() const
{
    const AVCodecContext* video = generic_.CodecContext(AVMEDIA_TYPE_VIDEO);
    return video ? video->strict_std_compliance : FF_COMPLIANCE_NORMAL;
}
