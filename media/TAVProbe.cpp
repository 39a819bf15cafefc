#include "media/TAVProbe.h"

#include "media/CodecLock.h"
#include "media/FormatInput.h"
#include "media/MediaText.h"
#include "media/PictureOrientation.h"
#include "media/ProbedFormats.h"
#include "media/TFFmpegLoader.h"
#include "media/TextFormat.h"

extern "C" {
#include <libavutil/mathematics.h>
#include <libavutil/parseutils.h>
}

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <stdexcept>
#include <vector>

namespace {

int32_t ClampToInt32(int64_t value)
{
    if (value > INT32_MAX)
        return INT32_MAX;
    if (value < INT32_MIN)
        return INT32_MIN;
    return static_cast<int32_t>(value);
}

int64_t MicrosecondsOrMinusOne(int64_t value, AVRational timeBase)
{
    return value == AV_NOPTS_VALUE ? -1 : av_rescale_q(value, timeBase, AV_TIME_BASE_Q);
}

// "<seconds>.<microseconds>", with the sign in front for times before zero.
std::string SecondsText(int64_t us)
{
    const char* sign = us < 0 ? "-" : "";
    const int64_t magnitude = us < 0 ? -us : us;
    return FormatText("%s%lld.%.6lld", sign, static_cast<long long>(magnitude / 1000000),
                      static_cast<long long>(magnitude % 1000000));
}

// ", 29.97 fps", ", 25 tbr", ", 90k tbn"
std::string RateItem(AVRational rate, const char* unit)
{
    if (rate.num == 0 || rate.den == 0)
        return {};
    const double x = av_q2d(rate);
    const long long v = std::llround(x * 100);
    if (v % 100 != 0)
        return FormatText(", %3.2f %s", x, unit);
    if (v % 100000 != 0)
        return FormatText(", %1.0f %s", x, unit);
    return FormatText(", %1.0fk %s", x / 1000, unit);
}

// Tag frame names shown by their meaning.
std::string TranslatedKey(const std::string& key)
{
    static const std::pair<const char*, const char*> table[] = {
        {"TALB", "album"},     {"TAL", "album"},      {"TCOM", "composer"},  {"TCON", "genre"},
        {"TCO", "genre"},      {"TCOP", "copyright"}, {"TDRL", "date"},      {"TENC", "encoder"},
        {"TEN", "encoder"},    {"TIT2", "title"},     {"TT2", "title"},      {"TLAN", "language"},
        {"TPE1", "artist"},    {"TP1", "artist"},     {"TPOS", "disc"},      {"TPUB", "publisher"},
        {"TRCK", "track"},     {"TRK", "track"},      {"TSOA", "albumsort"}, {"TSOP", "authorsort"},
        {"TSOT", "titlesort"}, {"TYER", "year"}};
    for (const auto& [from, to] : table) {
        if (key == from)
            return to;
    }
    return key;
}

void AddMetadataBlock(std::vector<std::string>& lines, const AVDictionary* metadata, const std::string& prefix)
{
    if (!metadata)
        return;
    const int count = av_dict_count(metadata);
    const AVDictionaryEntry* first = av_dict_get(metadata, "", nullptr, AV_DICT_IGNORE_SUFFIX);
    if (count == 0 || (count == 1 && first && std::string(first->key) == "language"))
        return;
    lines.push_back(prefix + "Metadata:");
    for (const AVDictionaryEntry* entry = first; entry;
         entry = av_dict_get(metadata, "", entry, AV_DICT_IGNORE_SUFFIX)) {
        if (std::string(entry->key) == "language")
            continue;
        lines.push_back(FormatText("%s  %-16s: %s", prefix.c_str(), TranslatedKey(entry->key).c_str(),
                                   entry->value ? entry->value : ""));
    }
}

// "yyyy-mm-dd hh:nn:ss" of a UTC time stamp shifted by the zone's standard offset.
std::string LocalStandardTimeText(int64_t timestamp)
{
    tzset();
    const time_t local = static_cast<time_t>(timestamp - timezone);
    struct tm parts {};
    gmtime_r(&local, &parts);
    char text[64];
    strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &parts);
    return text;
}

int LeadingNumber(const std::string& text) { return text.empty() ? 0 : std::atoi(text.c_str()); }

void CheckLibraries()
{
    const TFFmpegLoader& loader = GetFFmpegLoader();
    if (!loader.Loaded({libAVCodec}))
        throw std::runtime_error("LibAVCodec not loaded.");
    if (!loader.Loaded({libAVFormat}))
        throw std::runtime_error("LibAVFormat not loaded.");
    if (!loader.Loaded({libAVUtil}))
        throw std::runtime_error("LibAVUtil not loaded.");
    if (!loader.Loaded({libSwScale}))
        throw std::runtime_error("LibSwScale not loaded.");
}

// A stream whose time base has denominator 0 cannot be rescaled.
void RepairTimeBase(AVStream* stream)
{
    if (stream->time_base.den == 0)
        stream->time_base.den = stream->time_base.num != 0 ? stream->time_base.num : 1;
}

}  // namespace

TCustomAVProbe::TCustomAVProbe() = default;

TCustomAVProbe::~TCustomAVProbe() { TCustomAVProbe::Close(); }

void TCustomAVProbe::ReportError(int avLevel, const std::string& text)
{
    GetFFLogger().Log(this, ToLogLevel(avLevel), text);
    lastErrMsg_ = text;
}

bool TCustomAVProbe::RequireFile()
{
    if (context_)
        return true;
    ReportError(AV_LOG_WARNING, "file not loaded.");
    return false;
}

bool TCustomAVProbe::LoadFile(const std::string& fileName, const std::string& formatName)
{
    CheckLibraries();
    Close();

    const AVInputFormat* inputFormat = nullptr;
    if (!formatName.empty()) {
        inputFormat = av_find_input_format(formatName.c_str());
        if (!inputFormat) {
            lastErrMsg_ = "Unknown input format: " + formatName;
            return false;
        }
    }

    AVFormatContextPtr unopened{avformat_alloc_context()};
    if (!unopened) {
        ReportError(AV_LOG_ERROR, ErrorText(fileName, AVERROR(ENOMEM)));
        return false;
    }
    unopened->flags |= AVFMT_FLAG_NONBLOCK;
    const std::string url = MediaFileName(fileName);
    LimitProbedFormats(unopened.get(), inputFormat, url.c_str());
    AVDictionaryPtr noOptions;
    int openResult = 0;
    owned_ = OpenFormatInput(unopened, url.c_str(), inputFormat, noOptions, openResult);
    if (!owned_) {
        ReportError(AV_LOG_ERROR, ErrorText(fileName, openResult));
        Close();
        return false;
    }
    context_ = owned_.get();

    int infoResult;
    {
        std::lock_guard guard(CodecLock());
        infoResult = avformat_find_stream_info(context_, nullptr);
    }
    if (infoResult < 0) {
        lastErrMsg_ = fileName + ": could not find codec parameters";
        Close();
        return false;
    }
    RefreshInfo();
    inputFormatName_ = formatName;
    return true;
}

void TCustomAVProbe::Attach(AVFormatContext* context)
{
    CheckLibraries();
    Close();
    context_ = context;
    RefreshInfo();
}

void TCustomAVProbe::Close()
{
    inputFormatName_.clear();
    context_ = nullptr;
    owned_.reset();
    RefreshInfo();
}

void TCustomAVProbe::RefreshInfo()
{
    fileSize_ = -1;
    streamCount_ = programCount_ = -1;
    audioStreamCount_ = videoStreamCount_ = subtitleStreamCount_ = -1;
    firstAudioStream_ = firstVideoStream_ = firstSubtitleStream_ = -1;
    if (!context_)
        return;

    const int64_t contextSize = context_->pb ? avio_size(context_->pb) : 0;
    if (contextSize > 0) {
        fileSize_ = contextSize;
    } else {
        const std::string name = WideFileName(context_->url ? context_->url : "");
        const int64_t onDisk = name.empty() ? -1 : FileSize64(name);
        fileSize_ = onDisk >= 0 ? onDisk : contextSize;
    }

    streamCount_ = static_cast<int>(context_->nb_streams);
    programCount_ = static_cast<int>(context_->nb_programs);
    audioStreamCount_ = videoStreamCount_ = subtitleStreamCount_ = 0;
    for (int i = 0; i < streamCount_; ++i) {
        switch (context_->streams[i]->codecpar->codec_type) {
        case AVMEDIA_TYPE_AUDIO:
            if (audioStreamCount_++ == 0)
                firstAudioStream_ = i;
            break;
        case AVMEDIA_TYPE_VIDEO:
            if (videoStreamCount_++ == 0)
                firstVideoStream_ = i;
            break;
        case AVMEDIA_TYPE_SUBTITLE:
            if (subtitleStreamCount_++ == 0)
                firstSubtitleStream_ = i;
            break;
        default:
            break;
        }
    }
}

bool TCustomAVProbe::GetFileStreamInfo(TFileStreamInfo& info)
{
    info = TFileStreamInfo{};
    if (!RequireFile())
        return false;
    info.StartTime = context_->start_time == AV_NOPTS_VALUE ? -1 : context_->start_time;
    info.Duration = context_->duration == AV_NOPTS_VALUE ? -1 : context_->duration;
    info.BitRate = ClampToInt32(context_->bit_rate);

    const AVDictionary* metadata = context_->metadata;
    info.Timestamp = 0;
    const std::string created = MetadataValue(metadata, "creation_time");
    int64_t createdUs = 0;
    if (!created.empty() && av_parse_time(&createdUs, created.c_str(), 0) == 0)
        info.Timestamp = createdUs / 1000000;
    std::string date = MetadataValue(metadata, "date");
    if (date.empty())
        date = MetadataValue(metadata, "year");
    info.Year = LeadingNumber(date);
    info.Track = LeadingNumber(MetadataValue(metadata, "track"));

    info.Title = MetadataValue(metadata, "title");
    // Today's demuxers name the author "artist".
    info.Author = MetadataValue(metadata, "author", MetadataValue(metadata, "artist"));
    info.Copyright = MetadataValue(metadata, "copyright");
    info.Comment = MetadataValue(metadata, "comment");
    info.Album = MetadataValue(metadata, "album");
    info.Genre = MetadataValue(metadata, "genre");
    return true;
}

namespace {

// The facts every kind of stream has (its time base repaired first).
void FillCommonStreamInfo(AVStream* stream, TCommonStreamInfo& info)
{
    RepairTimeBase(stream);
    info.Language = MetadataValue(stream->metadata, "language");
    info.CodecName = CodecText(stream->codecpar, false);
    info.StartTime = stream->start_time;
    info.StartTimeUS = MicrosecondsOrMinusOne(stream->start_time, stream->time_base);
    info.Duration = stream->duration;
    info.DurationUS = MicrosecondsOrMinusOne(stream->duration, stream->time_base);
    info.BitRate = ClampToInt32(stream->codecpar->bit_rate);
}

}  // namespace

AVStream* TCustomAVProbe::StreamOfKind(int index, int firstOfKind, AVMediaType kind, const char* kindName)
{
    if (!RequireFile())
        return nullptr;
    if (index < 0)
        index = firstOfKind;
    if (index < 0) {
        ReportError(AV_LOG_ERROR, FormatText("no %s stream.", kindName));
        return nullptr;
    }
    if (index >= static_cast<int>(context_->nb_streams)) {
        ReportError(AV_LOG_ERROR, FormatText("stream index #%d is invalid.", index));
        return nullptr;
    }
    AVStream* stream = context_->streams[index];
    if (stream->codecpar->codec_type != kind) {
        ReportError(AV_LOG_ERROR, FormatText("stream #%d is not %s stream.", index, kindName));
        return nullptr;
    }
    return stream;
}

bool TCustomAVProbe::GetAudioStreamInfo(int streamIndex, TAudioStreamInfo& info)
{
    info = TAudioStreamInfo{};
    AVStream* stream = StreamOfKind(streamIndex, firstAudioStream_, AVMEDIA_TYPE_AUDIO, "audio");
    if (!stream)
        return false;
    FillCommonStreamInfo(stream, info);
    const AVCodecParameters* par = stream->codecpar;
    info.Channels = par->ch_layout.nb_channels;
    info.SampleRate = par->sample_rate;
    info.SampleFormat = par->format;
    return true;
}

bool TCustomAVProbe::GetVideoStreamInfo(int streamIndex, TVideoStreamInfo& info)
{
    info = TVideoStreamInfo{};
    AVStream* stream = StreamOfKind(streamIndex, firstVideoStream_, AVMEDIA_TYPE_VIDEO, "video");
    if (!stream)
        return false;
    FillCommonStreamInfo(stream, info);
    const AVCodecParameters* par = stream->codecpar;
    info.Height = par->height;
    info.Width = par->width;
    // An unset sample aspect ratio (0/1) means square pixels.
    AVRational sar = par->sample_aspect_ratio;
    if (sar.num == 0 || sar.den == 0)
        sar = AVRational{1, 1};
    info.DisplayAspectRatio = par->height > 0 ? static_cast<float>(av_q2d(sar) * par->width / par->height) : 0.0f;
    info.PixelFormat = par->format;
    info.FrameRateNum = stream->r_frame_rate.num;
    info.FrameRateDen = stream->r_frame_rate.den;
    const PictureOrientation orientation = StreamOrientation(stream);
    info.RotationClockwise = orientation.clockwiseDegrees;
    info.Mirrored = orientation.mirrored;
    return true;
}

std::string TCustomAVProbe::StreamLine(int index)
{
    AVStream* stream = context_->streams[index];
    std::string line = FormatText("Stream #%d", index);
    if (context_->iformat && (context_->iformat->flags & AVFMT_SHOW_IDS))
        line += FormatText("[0x%x]", stream->id);
    const std::string language = MetadataValue(stream->metadata, "language");
    if (!language.empty())
        line += "(" + language + ")";
    int64_t divisor = av_gcd(stream->time_base.num, stream->time_base.den);
    if (divisor == 0)
        divisor = 1;
    line += FormatText(", %lld/%lld", static_cast<long long>(stream->time_base.num / divisor),
                       static_cast<long long>(stream->time_base.den / divisor));

    AVCodecContextPtr codec{avcodec_alloc_context3(nullptr)};
    char description[256] = {};
    if (codec && avcodec_parameters_to_context(codec.get(), stream->codecpar) >= 0)
        avcodec_string(description, sizeof description, codec.get(), 0);
    line += std::string(": ") + description;

    const AVRational par = stream->sample_aspect_ratio;
    if (codec && par.num != 0 && av_cmp_q(par, codec->sample_aspect_ratio) != 0) {
        AVRational dar{};
        av_reduce(&dar.num, &dar.den, static_cast<int64_t>(stream->codecpar->width) * par.num,
                  static_cast<int64_t>(stream->codecpar->height) * par.den, 1024 * 1024);
        line = FormatText("%s, PAR %d:%d DAR %d:%d", line.c_str(), par.num, par.den, dar.num, dar.den);
    }

    if (stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
        line += RateItem(stream->avg_frame_rate, "fps");
        line += RateItem(stream->r_frame_rate, "tbr");
        line += RateItem(av_inv_q(stream->time_base), "tbn");
        if (codec)
            line += RateItem(av_inv_q(codec->time_base), "tbc");
        const std::string turned = OrientationText(StreamOrientation(stream));
        if (!turned.empty())
            line += ", " + turned;
    }

    const AVRational timeBase = stream->time_base.den != 0 ? stream->time_base : AVRational{1, 1};
    if (stream->start_time != AV_NOPTS_VALUE)
        line += ", StartTime: " + SecondsText(av_rescale_q(stream->start_time, timeBase, AV_TIME_BASE_Q));
    if (stream->duration == AV_NOPTS_VALUE)
        line += ", Duration: N/A";
    else
        line += ", Duration: " + DurationText(av_rescale_q(stream->duration, timeBase, AV_TIME_BASE_Q));
    return line;
}

std::string TCustomAVProbe::GetInfoText()
{
    if (!RequireFile())
        return {};
    TFileStreamInfo file;
    GetFileStreamInfo(file);

    std::vector<std::string> lines;
    lines.push_back("File Name: " + FileName());
    lines.push_back("Format Name: " + FormatName());
    lines.push_back("Format Long Name: " + FormatLongName());
    lines.push_back("File Size: " + SizeText(fileSize_));
    lines.push_back(file.Duration < 0 ? std::string("Duration: N/A") : "Duration: " + DurationText(file.Duration));
    if (file.StartTime >= 0)
        lines.push_back("StartTime: " + SecondsText(file.StartTime));
    lines.push_back(file.BitRate < 1 ? std::string("Bit Rate: N/A")
                                     : FormatText("Bit Rate: %d kb/s", file.BitRate / 1000));
    if (file.Timestamp > 0)
        lines.push_back("Time Stamp: " + LocalStandardTimeText(file.Timestamp));
    AddMetadataBlock(lines, context_->metadata, "");

    std::vector<bool> shown(context_->nb_streams, false);
    for (unsigned p = 0; p < context_->nb_programs; ++p) {
        const AVProgram* program = context_->programs[p];
        // Today's demuxers name these "service_provider" and "service_name".
        const std::string provider = MetadataValue(program->metadata, "provider_name",
                                                   MetadataValue(program->metadata, "service_provider", "N/A"));
        const std::string name =
            MetadataValue(program->metadata, "name", MetadataValue(program->metadata, "service_name", "N/A"));
        lines.push_back(FormatText("Program %d %s@%s", program->id, provider.c_str(), name.c_str()));
        AddMetadataBlock(lines, program->metadata, "  ");
        for (unsigned k = 0; k < program->nb_stream_indexes; ++k) {
            const unsigned index = program->stream_index[k];
            if (index >= context_->nb_streams)
                continue;
            lines.push_back(StreamLine(static_cast<int>(index)));
            AddMetadataBlock(lines, context_->streams[index]->metadata, "  ");
            shown[index] = true;
        }
    }
    for (unsigned i = 0; i < context_->nb_streams; ++i) {
        if (shown[i])
            continue;
        lines.push_back(StreamLine(static_cast<int>(i)));
        AddMetadataBlock(lines, context_->streams[i]->metadata, "  ");
    }

    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    return text;
}

std::string TCustomAVProbe::FileName()
{
    if (!RequireFile())
        return {};
    return WideFileName(context_->url ? context_->url : "");
}

std::string TCustomAVProbe::FormatName()
{
    if (!RequireFile())
        return {};
    return context_->iformat && context_->iformat->name ? context_->iformat->name : "";
}

std::string TCustomAVProbe::FormatLongName()
{
    if (!RequireFile())
        return {};
    return context_->iformat && context_->iformat->long_name ? context_->iformat->long_name : "";
}

TAVProbe::TAVProbe() = default;

TAVProbe::~TAVProbe() { TAVProbe::Close(); }

void TAVProbe::Close() { TCustomAVProbe::Close(); }

void TAVProbe::RefreshInfo() { TCustomAVProbe::RefreshInfo(); }
