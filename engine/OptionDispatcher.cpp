// SetOption: every option name the task knows, compared in a fixed order,
// each with exactly one action. Names it does not know go to the generic
// option setter.
#include "engine/OptionValues.h"
#include "engine/TCustomFFmpeg.h"
#include "media/MediaText.h"
#include "media/TextFormat.h"

extern "C" {
#include <libavcodec/bsf.h>
#include <libavutil/parseutils.h>
#include <libavutil/pixdesc.h>
}

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <ctime>
#include <functional>
#include <utility>
#include <vector>

namespace {

using THandler = std::function<void(TCustomFFmpeg& task, const std::string& name, const std::string& value)>;

// Base-0 integer prefix (decimal, 0x hex, leading-0 octal) from `p`; `p` moves past it.
int ReadBase0(const char*& p)
{
    char* end = nullptr;
    const long result = std::strtol(p, &end, 0);
    p = end;
    return static_cast<int>(result);
}

void SkipOne(const char*& p)
{
    if (*p)
        ++p;
}

int64_t ParseTimeValue(const std::string& name, const std::string& value, bool isDuration)
{
    int64_t us = 0;
    if (av_parse_time(&us, value.c_str(), isDuration ? 1 : 0) < 0)
        throw FFmpegException::Format("Invalid %s specification for %s: %s", isDuration ? "duration" : "date",
                                      name.c_str(), value.c_str());
    return us;
}

uint32_t ReadCodecTag(const std::string& value, const char* kind)
{
    if (value.size() != 4)
        throw FFmpegException::Format("%s tag parameter must be 4 chars", kind);
    const auto byte = [&value](size_t i) { return static_cast<uint32_t>(static_cast<unsigned char>(value[i])); };
    return byte(0) | (byte(1) << 8) | (byte(2) << 16) | (byte(3) << 24);
}

std::vector<uint16_t> ReadMatrix(const std::string& value)
{
    std::vector<uint16_t> matrix(64, 0);
    const char* p = value.c_str();
    for (int i = 0; i < 64; ++i) {
        matrix[static_cast<size_t>(i)] = static_cast<uint16_t>(std::strtol(p, nullptr, 10));
        if (i == 63)
            break;
        const char* comma = std::strchr(p, ',');
        if (!comma)
            throw FFmpegException::Format("Syntax error in matrix \"%s\" at coeff %d", value.c_str(), i);
        p = comma + 1;
    }
    return matrix;
}

// Bitstream filters that the library now knows under another name.
std::string CurrentBsfName(const std::string& name)
{
    if (name == "mjpega_dump_header")
        return "mjpegadump";
    if (name == "imx_dump_header")
        return "imxdump";
    if (name == "mp3_header_decompress")
        return "mp3decomp";
    return name;
}

void AppendBitstreamFilter(std::vector<BitstreamFilterSpec>& chain, const std::string& value)
{
    if (value.empty() || value[0] == '=')
        return;
    const size_t equals = value.find('=');
    BitstreamFilterSpec spec;
    spec.name = CurrentBsfName(equals == std::string::npos ? value : value.substr(0, equals));
    if (equals != std::string::npos)
        spec.args = value.substr(equals + 1);
    if (!av_bsf_get_by_name(spec.name.c_str()))
        throw FFmpegException::Format("Unknown bitstream filter %s", TrimText(value).c_str());
    chain.push_back(spec);
}

// Integer read as a whole; unreadable text gives `fallback`.
int IntOrDefault(const std::string& text, int fallback)
{
    try {
        return ReadIntValue(text);
    } catch (const FFmpegException&) {
        return fallback;
    }
}

}  // namespace

void TCustomFFmpeg::SetFrameRate(const std::string& value)
{
    AVRational rate{0, 0};
    if (av_parse_video_rate(&rate, value.c_str()) < 0 || rate.num <= 0 || rate.den <= 0)
        throw FFmpegException("Incorrect frame rate");
    pending_.frameRate = rate;
}

void TCustomFFmpeg::SetFrameSize(const std::string& value)
{
    int width = 0;
    int height = 0;
    const bool numeric = !value.empty() && (std::isdigit(static_cast<unsigned char>(value[0])) || value[0] == '-' ||
                                            value[0] == '+' || value[0] == ' ');
    if (!numeric) {
        if (av_parse_video_size(&width, &height, value.c_str()) < 0)
            throw FFmpegException("Incorrect frame size");
    } else {
        // width, one separator of any kind, height; the rest is description
        const char* p = value.c_str();
        char* end = nullptr;
        width = static_cast<int>(std::strtol(p, &end, 10));
        p = end;
        SkipOne(p);
        height = static_cast<int>(std::strtol(p, &end, 10));
    }
    if (width <= 0 || height <= 0)
        throw FFmpegException("Incorrect frame size");
    pending_.frameWidth = width;
    pending_.frameHeight = height;
}

void TCustomFFmpeg::SetAspect(const std::string& value)
{
    double ratio = 0;
    const size_t colon = value.find(':');
    if (colon != std::string::npos) {
        const int x = IntOrDefault(value.substr(0, colon), 0);
        const int y = IntOrDefault(value.substr(colon + 1), 0);
        ratio = y <= 0 ? 0.0 : static_cast<double>(x) / y;
    } else {
        try {
            ratio = ReadFloatValue(value);
        } catch (const FFmpegException&) {
            ratio = 0;
        }
    }
    if (ratio == 0)
        throw FFmpegException("Incorrect aspect ratio specification.");
    pending_.frameAspectRatio = static_cast<float>(ratio);
}

void TCustomFFmpeg::SetPixelFormat(const std::string& value)
{
    if (value == "list") {
        char line[256];
        Log(llInfo, TrimText(av_get_pix_fmt_string(line, sizeof line, AV_PIX_FMT_NONE)));
        for (int format = 0; format < AV_PIX_FMT_NB; ++format)
            if (av_pix_fmt_desc_get(static_cast<AVPixelFormat>(format)))
                Log(llInfo, TrimText(av_get_pix_fmt_string(line, sizeof line, static_cast<AVPixelFormat>(format))));
        return;
    }
    const AVPixelFormat format = av_get_pix_fmt(value.c_str());
    if (format == AV_PIX_FMT_NONE)
        throw FFmpegException::Format("Unknown pixel format requested: %s", value.c_str());
    pending_.pixelFormat = format;
}

void TCustomFFmpeg::SetCodecName(AVMediaType type, const std::string& value)
{
    std::string* name = &pending_.videoCodecName;
    bool* copy = &pending_.videoStreamCopy;
    if (type == AVMEDIA_TYPE_AUDIO) {
        name = &pending_.audioCodecName;
        copy = &pending_.audioStreamCopy;
    } else if (type == AVMEDIA_TYPE_SUBTITLE) {
        name = &pending_.subtitleCodecName;
        copy = &pending_.subtitleStreamCopy;
    }
    name->clear();
    if (value == "copy")
        *copy = true;
    else
        *name = value;
}

void TCustomFFmpeg::SetBitRate(const std::string& name, const std::string& value)
{
    if (!SetGenericOption(name, value))
        return;
    const AVMediaType type = !name.empty() && name[0] == 'a' ? AVMEDIA_TYPE_AUDIO : AVMEDIA_TYPE_VIDEO;
    const AVCodecContext* ctx = generic_.CodecContext(type);
    // 0 is no mistake: it takes the bit-rate target away (VP9's constant quality)
    if (ctx && ctx->bit_rate > 0 && ctx->bit_rate < 1000)
        Log(llWarning, "WARNING: The bitrate parameter is set too low. It takes bits/s as argument, not kbits/s");
}

void TCustomFFmpeg::SetOption(const std::string& name, const std::string& value)
{
    static const std::vector<std::pair<std::string, THandler>> table = [] {
        using P = PendingOptions;
        // handlers that only store the value in one pending field
        const auto intField = [](int P::*field) -> THandler {
            return [field](TCustomFFmpeg& t, const std::string&, const std::string& v) {
                t.pending_.*field = ReadIntValue(v);
            };
        };
        const auto int64Field = [](int64_t P::*field) -> THandler {
            return [field](TCustomFFmpeg& t, const std::string&, const std::string& v) {
                t.pending_.*field = ReadInt64Value(v);
            };
        };
        const auto floatField = [](float P::*field) -> THandler {
            return [field](TCustomFFmpeg& t, const std::string&, const std::string& v) {
                t.pending_.*field = static_cast<float>(ReadFloatValue(v));
            };
        };
        const auto boolField = [](bool P::*field) -> THandler {
            return [field](TCustomFFmpeg& t, const std::string&, const std::string& v) {
                t.pending_.*field = ReadBoolValue(v);
            };
        };
        const auto alwaysOn = [](bool P::*field) -> THandler {
            return [field](TCustomFFmpeg& t, const std::string&, const std::string&) { t.pending_.*field = true; };
        };
        const auto textField = [](std::string P::*field) -> THandler {
            return [field](TCustomFFmpeg& t, const std::string&, const std::string& v) { t.pending_.*field = v; };
        };
        const auto durationField = [](int64_t P::*field) -> THandler {
            return [field](TCustomFFmpeg& t, const std::string& n, const std::string& v) {
                t.pending_.*field = ParseTimeValue(n, v, true);
            };
        };
        const auto matrixField = [](std::vector<uint16_t> P::*field) -> THandler {
            return [field](TCustomFFmpeg& t, const std::string&, const std::string& v) {
                t.pending_.*field = ReadMatrix(v);
            };
        };
        const auto tagField = [](uint32_t P::*field, const char* kind) -> THandler {
            return [field, kind](TCustomFFmpeg& t, const std::string&, const std::string& v) {
                t.pending_.*field = ReadCodecTag(v, kind);
            };
        };
        const auto bsfChain = [](std::vector<BitstreamFilterSpec> P::*chain) -> THandler {
            return [chain](TCustomFFmpeg& t, const std::string&, const std::string& v) {
                AppendBitstreamFilter(t.pending_.*chain, v);
            };
        };
        const auto codecName = [](AVMediaType type) -> THandler {
            return [type](TCustomFFmpeg& t, const std::string&, const std::string& v) { t.SetCodecName(type, v); };
        };
        const auto doNothing = [](TCustomFFmpeg& t, const std::string& n, const std::string&) {
            t.LogFmt(llInfo, "Do nothing: option - %s", n.c_str());
        };
        const auto crop = [](TCustomFFmpeg& t, const std::string& n, const std::string& v) {
            const int amount = ReadIntValue(v);
            if (amount <= 0)
                return;
            PendingOptions& p = t.pending_;
            const bool vertical = n == "croptop" || n == "cropbottom";
            if (amount >= (vertical ? p.frameHeight : p.frameWidth))
                throw FFmpegException(std::string(vertical ? "Vertical" : "Horizontal") +
                                      " crop dimensions are outside the range of the original image.\n"
                                      "Remember to crop first and scale second.");
            const char* which = n == "croptop"      ? "Top"
                                : n == "cropbottom" ? "Bottom"
                                : n == "cropleft"   ? "Left"
                                                    : "Right";
            t.LogFmt(llWarning, "Crop%s is deprecated in favor of the crop avfilter", which);
            if (n == "croptop")
                p.cropTop = amount;
            else if (n == "cropbottom")
                p.cropBottom = amount;
            else if (n == "cropleft")
                p.cropLeft = amount;
            else
                p.cropRight = amount;
            (vertical ? p.frameHeight : p.frameWidth) -= amount;
        };
        const auto pad = [](TCustomFFmpeg&, const std::string&, const std::string&) {
            throw FFmpegException("Please use vfilters=pad");
        };
        const auto bitRate = [](TCustomFFmpeg& t, const std::string& n, const std::string& v) { t.SetBitRate(n, v); };
        const auto preset = [](TCustomFFmpeg& t, const std::string& n, const std::string& v) { t.ApplyPreset(n, v); };
        const auto muxTime = [](TCustomFFmpeg& t, const std::string& n, const std::string& v) {
            (n == "muxdelay" ? t.pending_.muxMaxDelaySeconds : t.pending_.muxPreloadSeconds) =
                static_cast<float>(ReadFloatValue(v));
        };
        const auto newStream = [](TCustomFFmpeg& t, const std::string& n, const std::string&) {
            if (t.media_.OutputCount() == 0)
                throw FFmpegException("At least one output file must be specified");
            if (n == "newvideo")
                t.NewVideoStream();
            else if (n == "newaudio")
                t.NewAudioStream();
            else
                t.NewSubtitleStream();
        };

        return std::vector<std::pair<std::string, THandler>>{
            {"L", doNothing},
            {"h", doNothing},
            {"version", doNothing},
            {"formats", doNothing},
            {"codecs", doNothing},
            {"bsfs", doNothing},
            {"protocols", doNothing},
            {"filters", doNothing},
            {"loglevel",
             [](TCustomFFmpeg&, const std::string&, const std::string& v) {
                 try {
                     GetFFLogger().SetLogLevelStr(v);
                 } catch (const std::invalid_argument& e) {
                     throw FFmpegException(e.what());
                 }
             }},
            {"f",
             [](TCustomFFmpeg& t, const std::string&, const std::string& v) {
                 if (v == "pgmyuv") {
                     t.pending_.forcedFormat = "image2";
                     t.pending_.pgmyuvInput = true;
                     t.Log(llInfo, "pgmyuv format is deprecated, use image2");
                 } else {
                     t.pending_.forcedFormat = v;
                 }
             }},
            {"i", doNothing},
            {"y", doNothing},
            {"map",
             [](TCustomFFmpeg& t, const std::string&, const std::string& v) {
                 if (t.tables_.streamMaps.size() >= t.tables_.MaxStreamMaps())
                     throw FFmpegException::Format("Too many stream maps (at most %zu)", t.tables_.MaxStreamMaps());
                 StreamMap map;
                 const char* p = v.c_str();
                 map.fileIndex = ReadBase0(p);
                 SkipOne(p);
                 map.streamIndex = ReadBase0(p);
                 if (*p) {
                     SkipOne(p);
                     map.syncFileIndex = ReadBase0(p);
                     SkipOne(p);
                     map.syncStreamIndex = ReadBase0(p);
                 } else {
                     map.syncFileIndex = map.fileIndex;
                     map.syncStreamIndex = map.streamIndex;
                 }
                 t.tables_.streamMaps.push_back(map);
             }},
            {"map_meta_data",
             [](TCustomFFmpeg& t, const std::string&, const std::string& v) {
                 if (t.tables_.metaDataMaps.size() >= t.tables_.MaxMetaDataMaps())
                     throw FFmpegException::Format("Too many meta-data maps (at most %zu)",
                                                   t.tables_.MaxMetaDataMaps());
                 MetaDataMap map;
                 const char* p = v.c_str();
                 map.outFileIndex = ReadBase0(p);
                 SkipOne(p);
                 map.inFileIndex = ReadBase0(p);
                 t.tables_.metaDataMaps.push_back(map);
             }},
            {"t",
             [](TCustomFFmpeg& t, const std::string& n, const std::string& v) {
                 t.pending_.recordingTimeUs = ParseTimeValue(n, v, true);
                 t.totalDurationUs_ = t.pending_.recordingTimeUs;
             }},
            {"fs", int64Field(&P::fileSizeLimitBytes)},
            {"ss", durationField(&P::startTimeUs)},
            {"itsoffset", durationField(&P::inputTsOffsetUs)},
            {"itsscale",
             [](TCustomFFmpeg& t, const std::string&, const std::string& v) {
                 const char* p = v.c_str();
                 const int stream = ReadBase0(p);
                 SkipOne(p);
                 const double scale = std::strtod(p, nullptr);
                 if (stream >= MAX_STREAMS)
                     throw FFmpegException::Format("stream index over MAX_STREAMS(%d)", MAX_STREAMS);
                 if (stream < 0)
                     throw FFmpegException::Format("Invalid stream index %d", stream);
                 const int input = t.media_.InputCount();
                 if (input < t.capacity_)  // no further input can be opened otherwise
                     t.tables_.TsScale(input, stream) = scale;
             }},
            {"timestamp",
             [](TCustomFFmpeg& t, const std::string& n, const std::string& v) {
                 t.pending_.recordingTimestampSeconds =
                     static_cast<int64_t>(std::llround(static_cast<double>(ParseTimeValue(n, v, false)) / 1000000.0));
             }},
            {"metadata",
             [](TCustomFFmpeg& t, const std::string&, const std::string& v) {
                 const size_t equals = v.find('=');
                 if (equals == std::string::npos)
                     throw FFmpegException("Missing =");
                 t.pending_.metadata.emplace_back(v.substr(0, equals), v.substr(equals + 1));
             }},
            {"dframes", intField(&P::maxFramesData)},
            {"benchmark", doNothing},
            {"timelimit",
             [](TCustomFFmpeg& t, const std::string&, const std::string&) {
                 t.Log(llWarning, "Warning: -timelimit not implemented on Windows");
             }},
            {"dump", boolField(&P::dumpPackets)},
            {"hex", boolField(&P::hexDump)},
            {"re", boolField(&P::rateEmulation)},
            {"loop_input", boolField(&P::loopInput)},
            {"loop_output", intField(&P::loopOutput)},
            {"v", intField(&P::verbosity)},
            {"target",
             [](TCustomFFmpeg& t, const std::string&, const std::string& v) {
                 std::string type = TrimText(v);
                 std::string norm;
                 for (const char* prefix : {"pal-", "ntsc-", "film-"}) {
                     const std::string p = prefix;
                     if (type.compare(0, p.size(), p) == 0) {
                         norm = p.substr(0, p.size() - 1);
                         type = type.substr(p.size());
                         break;
                     }
                 }
                 t.SetTarget(type, norm, "ntsc");
             }},
            {"threads", [](TCustomFFmpeg&, const std::string& n,
                           const std::string&) { throw FFmpegException("TODO: option - " + n); }},
            {"vsync", intField(&P::videoSyncMethod)},
            {"async", intField(&P::audioSyncMethod)},
            {"adrift_threshold", floatField(&P::audioDriftThresholdSeconds)},
            {"vglobal", intField(&P::videoGlobalHeader)},
            {"copyts", alwaysOn(&P::copyTs)},
            {"shortest", boolField(&P::shortest)},
            {"dts_delta_threshold", floatField(&P::dtsDeltaThresholdSeconds)},
            {"programid", intField(&P::programId)},
            {"xerror", alwaysOn(&P::exitOnError)},
            {"copyinkf", intField(&P::copyInitialNonKeyFrames)},
            {"b", bitRate},
            {"vb", bitRate},
            {"vframes", intField(&P::maxFramesVideo)},
            {"r", [](TCustomFFmpeg& t, const std::string&, const std::string& v) { t.SetFrameRate(v); }},
            {"s", [](TCustomFFmpeg& t, const std::string&, const std::string& v) { t.SetFrameSize(v); }},
            {"aspect", [](TCustomFFmpeg& t, const std::string&, const std::string& v) { t.SetAspect(v); }},
            {"pix_fmt", [](TCustomFFmpeg& t, const std::string&, const std::string& v) { t.SetPixelFormat(v); }},
            {"croptop", crop},
            {"cropbottom", crop},
            {"cropleft", crop},
            {"cropright", crop},
            {"padtop", pad},
            {"padbottom", pad},
            {"padleft", pad},
            {"padright", pad},
            {"padcolor", pad},
            {"intra", boolField(&P::intraOnly)},
            {"vn", boolField(&P::videoDisable)},
            {"vdt", intField(&P::videoDiscard)},
            {"qscale",
             [](TCustomFFmpeg& t, const std::string&, const std::string& v) {
                 const double q = ReadFloatValue(v);
                 if (!(q > 0.0 && q <= 255.0))
                     throw FFmpegException("qscale must be > 0.0 and <= 255");
                 t.pending_.videoQScale = static_cast<float>(q);
             }},
            {"rc_override", textField(&P::rcOverride)},
            {"vcodec", codecName(AVMEDIA_TYPE_VIDEO)},
            {"me_threshold", intField(&P::meThreshold)},
            {"sameq", boolField(&P::sameQuant)},
            {"pass",
             [](TCustomFFmpeg& t, const std::string&, const std::string& v) {
                 const int pass = ReadIntValue(v);
                 if (pass != 1 && pass != 2)
                     throw FFmpegException("pass number can be only 1 or 2");
                 t.pending_.pass = pass;
             }},
            {"passlogfile", textField(&P::passLogFile)},
            {"deinterlace", boolField(&P::deinterlace)},
            {"psnr", boolField(&P::psnr)},
            {"vstats",
             [](TCustomFFmpeg& t, const std::string&, const std::string&) {
                 const std::time_t now = std::time(nullptr);
                 std::tm local{};
                 localtime_r(&now, &local);
                 char clock[16];
                 std::strftime(clock, sizeof clock, "%H%M%S", &local);
                 t.pending_.vstatsFileName = ProgramFolder() + "vstats_" + clock + ".log";
             }},
            {"vstats_file", textField(&P::vstatsFileName)},
            {"vhook", [](TCustomFFmpeg& t, const std::string&, const std::string& v) { t.AddVideoHook(v); }},
            {"vfilters", textField(&P::videoFilters)},
            {"vf", textField(&P::videoFilters)},
            {"intra_matrix", matrixField(&P::intraMatrix)},
            {"inter_matrix", matrixField(&P::interMatrix)},
            {"top", intField(&P::topFieldFirst)},
            {"dc", intField(&P::intraDcPrecision)},
            {"vtag", tagField(&P::videoCodecTag, "video")},
            {"newvideo", newStream},
            {"vlang", textField(&P::videoLanguage)},
            {"qphist", boolField(&P::qpHistogram)},
            {"force_fps", boolField(&P::forceFps)},
            {"streamid",
             [](TCustomFFmpeg& t, const std::string& n, const std::string& v) {
                 const size_t colon = v.find(':');
                 if (colon == std::string::npos || colon == 0 || colon + 1 == v.size())
                     throw FFmpegException::Format(
                         "Invalid value \"%s\" for option \"%s\", required syntax is \"index:value\"", v.c_str(),
                         n.c_str());
                 const int index = ReadIntValue(v.substr(0, colon));
                 const int id = ReadIntValue(v.substr(colon + 1));
                 if (index < 0 || index >= MAX_STREAMS)
                     throw FFmpegException::Format("Invalid stream index %d in option \"%s\" (0 to %d)", index,
                                                   n.c_str(), MAX_STREAMS - 1);
                 t.pending_.streamIdMap[static_cast<size_t>(index)] = id;
             }},
            {"ab", bitRate},
            {"aframes", intField(&P::maxFramesAudio)},
            {"aq", floatField(&P::audioQScale)},
            {"ar",
             [](TCustomFFmpeg& t, const std::string&, const std::string& v) { t.SetSampleRate(ReadIntValue(v)); }},
            {"ac", [](TCustomFFmpeg& t, const std::string&, const std::string& v) { t.SetChannels(ReadIntValue(v)); }},
            {"an", boolField(&P::audioDisable)},
            {"acodec", codecName(AVMEDIA_TYPE_AUDIO)},
            {"atag", tagField(&P::audioCodecTag, "audio")},
            {"vol", intField(&P::audioVolume)},
            {"newaudio", newStream},
            {"alang", textField(&P::audioLanguage)},
            {"sample_fmt",
             [](TCustomFFmpeg& t, const std::string&, const std::string& v) {
                 if (v == "list") {
                     char line[128];
                     t.Log(llInfo, TrimText(av_get_sample_fmt_string(line, sizeof line, AV_SAMPLE_FMT_NONE)));
                     for (int format = 0; format < AV_SAMPLE_FMT_NB; ++format)
                         t.Log(llInfo, TrimText(av_get_sample_fmt_string(line, sizeof line,
                                                                         static_cast<AVSampleFormat>(format))));
                     return;
                 }
                 t.pending_.sampleFormat = av_get_sample_fmt(v.c_str());
             }},
            {"sn", boolField(&P::subtitleDisable)},
            {"scodec", codecName(AVMEDIA_TYPE_SUBTITLE)},
            {"newsubtitle", newStream},
            {"slang", textField(&P::subtitleLanguage)},
            {"stag", tagField(&P::subtitleCodecTag, "subtitle")},
            {"vc", intField(&P::grabChannel)},
            {"tvstd", textField(&P::grabStandard)},
            {"isync", boolField(&P::inputSync)},
            {"muxdelay", muxTime},
            {"muxpreload", muxTime},
            {"absf", bsfChain(&P::audioBitstreamFilters)},
            {"vbsf", bsfChain(&P::videoBitstreamFilters)},
            {"sbsf", bsfChain(&P::subtitleBitstreamFilters)},
            {"apre", preset},
            {"vpre", preset},
            {"spre", preset},
            {"fpre", preset},
        };
    }();

    for (const auto& [entryName, handler] : table) {
        if (entryName == name) {
            handler(*this, name, value);
            return;
        }
    }
    SetGenericOption(name, value);
}
