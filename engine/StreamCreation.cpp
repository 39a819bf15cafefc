// Creating the video, audio and subtitle streams of an output from the
// pending option state, for AddOutputFile and for newvideo, newaudio and
// newsubtitle. Each stream gets its encoder (configured, not opened) or is
// marked as a stream copy; the pending values it consumes are reset.
#include "engine/OutputTags.h"
#include "engine/TCustomFFmpeg.h"
#include "media/TextFormat.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/pixdesc.h>
}

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

// The pending fields that every kind of output stream reads, of one type.
struct TPendingStreamFields {
    bool& disable;
    std::string& codecName;
    bool& streamCopy;
    std::vector<BitstreamFilterSpec>& bitstreamFilters;
    uint32_t codecTag;
    std::string& language;
    int replayMask;
    int headers;  // bit 0 global header, bit 1 local header; 0 = as the container asks
};

TPendingStreamFields PendingStreamFields(PendingOptions& p, AVMediaType type)
{
    switch (type) {
    case AVMEDIA_TYPE_VIDEO:
        return {p.videoDisable,  p.videoCodecName, p.videoStreamCopy, p.videoBitstreamFilters,
                p.videoCodecTag, p.videoLanguage,  rmVideoEncoder,    p.videoGlobalHeader};
    case AVMEDIA_TYPE_AUDIO:
        return {p.audioDisable,  p.audioCodecName, p.audioStreamCopy, p.audioBitstreamFilters,
                p.audioCodecTag, p.audioLanguage,  rmAudioEncoder,    0};
    default:
        return {p.subtitleDisable,  p.subtitleCodecName, p.subtitleStreamCopy, p.subtitleBitstreamFilters,
                p.subtitleCodecTag, p.subtitleLanguage,  rmSubtitleEncoder,    0};
    }
}

bool ListHas(const AVPixelFormat* list, AVPixelFormat format)
{
    for (; list && *list != AV_PIX_FMT_NONE; ++list)
        if (*list == format)
            return true;
    return false;
}

bool ListHas(const AVSampleFormat* list, AVSampleFormat format)
{
    for (; list && *list != AV_SAMPLE_FMT_NONE; ++list)
        if (*list == format)
            return true;
    return false;
}

// The MJPEG encoder lists the limited-range YUV formats as well but refuses
// to open with them unless the strictness allows unofficial streams; the
// full-range twin keeps the picture's layout and lets the scaler convert the range.
AVPixelFormat FullRangeJpegFormat(AVPixelFormat format)
{
    switch (format) {
    case AV_PIX_FMT_YUV420P:
        return AV_PIX_FMT_YUVJ420P;
    case AV_PIX_FMT_YUV422P:
        return AV_PIX_FMT_YUVJ422P;
    case AV_PIX_FMT_YUV444P:
        return AV_PIX_FMT_YUVJ444P;
    default:
        return format;
    }
}

// Encoders that refuse at open a picture whose sides are not multiples of
// this number; 1 for those that take any size.
int SideMultipleOf(AVCodecID id)
{
    switch (id) {
    case AV_CODEC_ID_RV10:
        return 16;
    case AV_CODEC_ID_RV20:
        return 4;
    // 4:2:0 in whole chroma samples
    case AV_CODEC_ID_H264:
    case AV_CODEC_ID_WMV1:
    case AV_CODEC_ID_WMV2:
        return 2;
    default:
        return 1;
    }
}

// The largest multiple of `multiple` not above `side` (a picture is never
// enlarged for it, as odd sizes are cropped to even ones elsewhere), never
// below `multiple`.
int FittingMultiple(int side, int multiple) { return std::max(multiple, side / multiple * multiple); }

// The listed rate nearest to `rate` (the first of two equally near).
int NearestSampleRate(const int* rates, int rate)
{
    int best = rates[0];
    for (const int* r = rates; *r; ++r)
        if (std::abs(*r - rate) < std::abs(best - rate))
            best = *r;
    return best;
}

// "start,end,q" entries separated by "/"; q >= 1 is a fixed quantiser,
// below 1 a quality factor of -q/100.
void ParseRcOverride(const std::string& text, AVCodecContext* ctx)
{
    std::vector<RcOverride> entries;
    size_t pos = 0;
    while (pos <= text.size()) {
        const size_t end = text.find('/', pos);
        const std::string entry = text.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
        RcOverride item{};
        int q = 0;
        if (std::sscanf(entry.c_str(), "%d,%d,%d", &item.start_frame, &item.end_frame, &q) != 3)
            throw FFmpegException("error parsing rc_override");
        if (q > 0) {
            item.qscale = q;
            item.quality_factor = 1.0f;
        } else {
            item.qscale = 0;
            item.quality_factor = -q / 100.0f;
        }
        entries.push_back(item);
        if (end == std::string::npos)
            break;
        pos = end + 1;
    }
    auto* table = static_cast<RcOverride*>(av_malloc_array(entries.size(), sizeof(RcOverride)));
    if (!table)
        throw std::bad_alloc();
    std::memcpy(table, entries.data(), entries.size() * sizeof(RcOverride));
    ctx->rc_override = table;  // freed with the context
    ctx->rc_override_count = static_cast<int>(entries.size());
}

// A quantiser matrix the context owns (it is freed with the context).
uint16_t* MatrixCopy(const std::vector<uint16_t>& matrix)
{
    if (matrix.empty())
        return nullptr;
    auto* copy = static_cast<uint16_t*>(av_malloc(64 * sizeof(uint16_t)));
    if (!copy)
        throw std::bad_alloc();
    std::memcpy(copy, matrix.data(), 64 * sizeof(uint16_t));
    return copy;
}

void SetLanguage(AVStream* st, std::string& language)
{
    if (language.empty())
        return;
    av_dict_set(&st->metadata, "language", language.c_str(), 0);
    language.clear();
}

}  // namespace

TCodecChoice TCustomFFmpeg::OutputEncoder(const AVFormatContext* oc, const std::string& name, AVMediaType type)
{
    TCodecChoice choice;
    std::string error;
    if (!SelectCodec(name, type, true, CodecStrictness(), choice, error, this))
        throw FFmpegException(error);
    if (choice.Chosen())
        return choice;
    const AVCodecID id = av_guess_codec(oc->oformat, nullptr, oc->url, nullptr, type);
    choice = EncoderForId(id);
    if (!choice.Chosen())
        throw FFmpegException::Format("Encoder (codec %s) not found for output stream", avcodec_get_name(id));
    return choice;
}

OutputStreamSetup& TCustomFFmpeg::AddOutputStream(int outputIndex, AVMediaType type,
                                                  std::vector<BitstreamFilterSpec>& pendingFilters)
{
    AVFormatContext* oc = media_.outputs.at(outputIndex).get();
    const unsigned index = oc->nb_streams;
    AVStream* st = avformat_new_stream(oc, nullptr);
    if (!st)
        throw FFmpegException("Could not alloc stream");
    st->id = index < MAX_STREAMS ? pending_.streamIdMap[index] : 0;
    st->codecpar->codec_type = type;

    auto& streams = media_.outputSetups.at(outputIndex).streams;
    streams.emplace_back();
    OutputStreamSetup& setup = streams.back();
    setup.stream = st;
    setup.type = type;
    setup.bitstreamFilters = std::move(pendingFilters);
    pendingFilters.clear();
    return setup;
}

OutputStreamSetup& TCustomFFmpeg::BeginOutputStream(int outputIndex, AVMediaType type, TCodecChoice& choice)
{
    const TPendingStreamFields fields = PendingStreamFields(pending_, type);
    AVFormatContext* oc = media_.outputs.at(outputIndex).get();
    // the encoder is chosen first, so that an unknown name adds no stream
    if (!fields.streamCopy)
        choice = OutputEncoder(oc, fields.codecName, type);

    OutputStreamSetup& setup = AddOutputStream(outputIndex, type, fields.bitstreamFilters);
    if (fields.streamCopy) {
        setup.streamCopy = true;
        setup.stream->codecpar->codec_tag = fields.codecTag;
        return setup;
    }
    setup.encoder = choice.CreateEncoder();
    AVCodecContext* ctx = setup.encoder->Context();
    ctx->codec_type = type;
    ctx->codec_id = choice.id;
    if (type != AVMEDIA_TYPE_SUBTITLE)
        ctx->thread_count = pending_.threadCount;
    ReplayGenericOptions(ctx, fields.replayMask);
    if (fields.codecTag)
        ctx->codec_tag = fields.codecTag;
    if ((fields.headers & 1) || (fields.headers == 0 && (oc->oformat->flags & AVFMT_GLOBALHEADER)))
        ctx->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (fields.headers & 2)
        ctx->flags2 |= AV_CODEC_FLAG2_LOCAL_HEADER;
    return setup;
}

void TCustomFFmpeg::EndOutputStream(AVStream* st, AVMediaType type)
{
    const TPendingStreamFields fields = PendingStreamFields(pending_, type);
    SetLanguage(st, fields.language);
    fields.disable = false;
    fields.codecName.clear();
    fields.streamCopy = false;
}

void TCustomFFmpeg::CreateVideoStream(int outputIndex)
{
    PendingOptions& p = pending_;
    TCodecChoice choice;
    OutputStreamSetup& setup = BeginOutputStream(outputIndex, AVMEDIA_TYPE_VIDEO, choice);
    AVStream* st = setup.stream;

    int width = p.frameWidth, height = p.frameHeight;
    if (!setup.streamCopy && width > 0 && height > 0) {
        const int multiple = SideMultipleOf(choice.id);
        const int fittedWidth = FittingMultiple(width, multiple), fittedHeight = FittingMultiple(height, multiple);
        if (fittedWidth != width || fittedHeight != height) {
            LogFmt(llInfo, "%s codes sizes in multiples of %d: %dx%d is written as %dx%d", avcodec_get_name(choice.id),
                   multiple, width, height, fittedWidth, fittedHeight);
            width = fittedWidth;
            height = fittedHeight;
        }
    }
    // sample aspect from the frame aspect (kept through the fitting above), in terms of at most 255
    const double sar = width * height != 0 ? p.frameAspectRatio * height / width : p.frameAspectRatio * 3.0 / 4.0;
    const AVRational sampleAspect = av_d2q(sar, 255);

    if (setup.streamCopy) {
        st->sample_aspect_ratio = sampleAspect;
        st->codecpar->sample_aspect_ratio = sampleAspect;
    } else {
        AVCodecContext* ctx = setup.encoder->Context();
        AVRational rate = p.frameRate.num > 0 && p.frameRate.den > 0 ? p.frameRate : AVRational{25, 1};
        if (choice.frameRates && !p.forceFps) {
            const AVRational nearest = choice.frameRates[av_find_nearest_q_idx(rate, choice.frameRates)];
            if (av_cmp_q(nearest, rate) != 0)
                LogFmt(llInfo, "Frame rate %d/%d is not one %s codes; writing %d/%d", rate.num, rate.den,
                       choice.name.c_str(), nearest.num, nearest.den);
            rate = nearest;
        }
        setup.frameRate = rate;
        ctx->framerate = rate;
        ctx->time_base = av_inv_q(rate);
        ctx->width = width;
        ctx->height = height;
        ctx->sample_aspect_ratio = sampleAspect;
        st->sample_aspect_ratio = sampleAspect;

        AVPixelFormat pixelFormat = p.pixelFormat;
        const bool mjpeg = choice.id == AV_CODEC_ID_MJPEG;
        if (mjpeg && ctx->strict_std_compliance > FF_COMPLIANCE_UNOFFICIAL)
            pixelFormat = FullRangeJpegFormat(pixelFormat);
        if (choice.pixelFormats && !ListHas(choice.pixelFormats, pixelFormat)) {
            const bool mjpegKeeps = mjpeg && ctx->strict_std_compliance < 0 &&
                                    (pixelFormat == AV_PIX_FMT_YUV420P || pixelFormat == AV_PIX_FMT_YUV422P);
            if (!mjpegKeeps)
                pixelFormat = choice.pixelFormats[0];
        }
        ctx->pix_fmt = pixelFormat != AV_PIX_FMT_NONE ? pixelFormat : AV_PIX_FMT_YUV420P;

        if (p.intraOnly)
            ctx->gop_size = 0;
        if (p.videoQScale != 0 || p.sameQuant) {
            ctx->flags |= AV_CODEC_FLAG_QSCALE;
            ctx->global_quality = static_cast<int>(std::lround(FF_QP2LAMBDA * p.videoQScale));
        }
        ctx->intra_matrix = MatrixCopy(p.intraMatrix);
        ctx->inter_matrix = MatrixCopy(p.interMatrix);
        if (!p.rcOverride.empty())
            ParseRcOverride(p.rcOverride, ctx);
        ctx->rc_initial_buffer_occupancy = ctx->rc_buffer_size * 3 / 4;
        ctx->intra_dc_precision = p.intraDcPrecision - 8;
        if (p.psnr)
            ctx->flags |= AV_CODEC_FLAG_PSNR;
        if (p.pass == 1)
            ctx->flags |= AV_CODEC_FLAG_PASS1;
        else if (p.pass == 2)
            ctx->flags |= AV_CODEC_FLAG_PASS2;
        st->time_base = ctx->time_base;
        avcodec_parameters_from_context(st->codecpar, ctx);
    }

    EndOutputStream(st, AVMEDIA_TYPE_VIDEO);
    p.pixelFormat = AV_PIX_FMT_NONE;
}

void TCustomFFmpeg::CreateAudioStream(int outputIndex)
{
    PendingOptions& p = pending_;
    TCodecChoice choice;
    OutputStreamSetup& setup = BeginOutputStream(outputIndex, AVMEDIA_TYPE_AUDIO, choice);
    AVStream* st = setup.stream;

    if (setup.streamCopy) {
        AVCodecParameters* par = st->codecpar;
        av_channel_layout_uninit(&par->ch_layout);
        av_channel_layout_default(&par->ch_layout, p.audioChannels);
        par->sample_rate = p.audioSampleRate;
    } else {
        AVCodecContext* ctx = setup.encoder->Context();
        if (p.audioQScale > -99999) {
            ctx->flags |= AV_CODEC_FLAG_QSCALE;
            ctx->global_quality = static_cast<int>(std::lround(FF_QP2LAMBDA * p.audioQScale));
        }

        // the layout only when it has as many channels as asked for
        av_channel_layout_uninit(&ctx->ch_layout);
        AVChannelLayout layout{};
        if (p.audioChannelLayout != 0 &&
            av_channel_layout_from_mask(&layout, static_cast<uint64_t>(p.audioChannelLayout)) == 0 &&
            layout.nb_channels == p.audioChannels)
            ctx->ch_layout = layout;
        else
            av_channel_layout_default(&ctx->ch_layout, p.audioChannels);

        AVSampleFormat sampleFormat = p.sampleFormat;
        if (choice.sampleFormats && !ListHas(choice.sampleFormats, sampleFormat))
            sampleFormat = choice.sampleFormats[0];
        ctx->sample_fmt = sampleFormat != AV_SAMPLE_FMT_NONE ? sampleFormat : AV_SAMPLE_FMT_S16;

        int sampleRate = p.audioSampleRate;
        if (choice.supportedSampleRates && choice.supportedSampleRates[0]) {
            const int nearest = NearestSampleRate(choice.supportedSampleRates, sampleRate);
            if (nearest != sampleRate)
                LogFmt(llWarning, "Requested sampling rate unsupported using closest supported (%d)", nearest);
            sampleRate = nearest;
        }
        ctx->sample_rate = sampleRate;
        ctx->time_base = AVRational{1, sampleRate};
        st->time_base = ctx->time_base;
        avcodec_parameters_from_context(st->codecpar, ctx);
    }

    EndOutputStream(st, AVMEDIA_TYPE_AUDIO);
}

void TCustomFFmpeg::CreateSubtitleStream(int outputIndex)
{
    TCodecChoice choice;
    OutputStreamSetup& setup = BeginOutputStream(outputIndex, AVMEDIA_TYPE_SUBTITLE, choice);
    AVStream* st = setup.stream;
    if (!setup.streamCopy)
        avcodec_parameters_from_context(st->codecpar, setup.encoder->Context());

    EndOutputStream(st, AVMEDIA_TYPE_SUBTITLE);
}

void TCustomFFmpeg::AddCoverPicture(int outputIndex)
{
    AVFormatContext* oc = media_.outputs.at(outputIndex).get();
    for (int i = 0; i < media_.InputCount(); ++i) {
        const AVFormatContext* ic = media_.inputs[i].get();
        const int cover = CoverPictureStream(ic);
        if (cover < 0 || !MuxerKeepsCover(oc->oformat, ic->streams[cover]->codecpar->codec_id))
            continue;
        std::vector<BitstreamFilterSpec> noFilters;
        OutputStreamSetup& setup = AddOutputStream(outputIndex, AVMEDIA_TYPE_VIDEO, noFilters);
        setup.streamCopy = true;
        setup.coverInput = i;
        setup.coverStream = cover;
        setup.stream->disposition = AV_DISPOSITION_ATTACHED_PIC;
        return;
    }
}

void TCustomFFmpeg::NewVideoStream()
{
    if (media_.OutputCount() == 0)
        throw FFmpegException("At least one output file must be specified");
    CreateVideoStream(media_.OutputCount() - 1);
}

void TCustomFFmpeg::NewAudioStream()
{
    if (media_.OutputCount() == 0)
        throw FFmpegException("At least one output file must be specified");
    CreateAudioStream(media_.OutputCount() - 1);
}

void TCustomFFmpeg::NewSubtitleStream()
{
    if (media_.OutputCount() == 0)
        throw FFmpegException("At least one output file must be specified");
    CreateSubtitleStream(media_.OutputCount() - 1);
}
