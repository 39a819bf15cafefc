// The target preset: a whole output configured for VCD, SVCD, DVD or DV,
// with the TV norm given or detected from the frame rate.
#include "engine/OptionValues.h"
#include "engine/TCustomFFmpeg.h"

#include <algorithm>
#include <cmath>

namespace {

enum TNorm { nmPAL = 0, nmNTSC = 1, nmFILM = 2, nmUndecided = 3 };

// Rate x 1000, rounded: 25 fps is PAL, 29.97 and 23.976 fps are NTSC.
TNorm NormOfRate(AVRational rate)
{
    if (rate.num <= 0 || rate.den <= 0)
        return nmUndecided;
    const long long milli = std::llround(rate.num * 1000.0 / rate.den);
    if (milli == 25000)
        return nmPAL;
    if (milli == 29970 || milli == 23976)
        return nmNTSC;
    return nmUndecided;
}

const char* const kFrameRateOfNorm[] = {"25", "30000/1001", "24000/1001"};

}  // namespace

int TCustomFFmpeg::DetectNorm(const std::string& norm, const std::string& defaultNorm)
{
    if (norm == "pal")
        return nmPAL;
    if (norm == "ntsc")
        return nmNTSC;
    if (norm == "film")
        return nmFILM;

    if (pending_.frameRate.den == 0)
        throw FFmpegException("frame_rate is invalid.");
    TNorm detected = NormOfRate(pending_.frameRate);
    for (const AVFormatInputPtr& input : media_.inputs) {
        if (detected != nmUndecided || !input)
            break;
        for (unsigned i = 0; i < input->nb_streams && detected == nmUndecided; ++i) {
            const AVStream* st = input->streams[i];
            if (st->codecpar->codec_type != AVMEDIA_TYPE_VIDEO)
                continue;
            detected = NormOfRate(st->r_frame_rate.num > 0 ? st->r_frame_rate : st->avg_frame_rate);
        }
    }
    if (detected == nmUndecided)
        detected = defaultNorm == "film" ? nmFILM : defaultNorm == "ntsc" ? nmNTSC : nmPAL;
    if (pending_.verbosity > 0)
        LogFmt(llVerbose, "Assuming %s for target.", detected == nmPAL ? "PAL" : "NTSC");
    return detected;
}

void TCustomFFmpeg::SetTarget(const std::string& type, const std::string& norm, const std::string& defaultNorm)
{
    if (type != "vcd" && type != "svcd" && type != "dvd" && type != "dv" && type != "dv50")
        throw FFmpegException("Unknown target type");
    const int detected = DetectNorm(norm, defaultNorm);
    const bool pal = detected == nmPAL;
    const std::string rate = kFrameRateOfNorm[detected];
    const std::string gop = pal ? "15" : "18";
    const auto generic = [this](const char* name, const std::string& value) { SetGenericOption(name, value); };
    const auto assumeAspect = [this](const char* aspect) {
        if (pending_.frameAspectRatio != 0)
            return;
        SetAspect(aspect);
        LogFmt(llInfo, "Assuming %s for aspect ratio", aspect);
    };

    if (type == "vcd") {
        SetOption("vcodec", "mpeg1video");
        SetOption("acodec", "mp2");
        SetOption("f", "vcd");
        SetOption("s", pal ? "352x288" : "352x240");
        SetOption("r", rate);
        generic("g", gop);
        generic("b", "1150000");
        generic("maxrate", "1150000");
        generic("minrate", "1150000");
        generic("bufsize", "327680");  // 40 KiB, the VCD decoder buffer
        generic("ab", "224000");
        pending_.audioSampleRate = 44100;
        if (pending_.audioChannels > 2)
            LogFmt(llInfo, "Mixing %d audio channels down to 2 for %s", pending_.audioChannels, type.c_str());
        pending_.audioChannels = 2;
        generic("packetsize", "2324");
        generic("muxrate", "1411200");
        // the VCD buffer model wants a fixed 0.44 s mux preload
        pending_.muxPreloadSeconds = 0.44f;
        assumeAspect("4:3");
    } else if (type == "svcd") {
        SetOption("vcodec", "mpeg2video");
        SetOption("acodec", "mp2");
        SetOption("f", "svcd");
        SetOption("s", pal ? "480x576" : "480x480");
        SetOption("r", rate);
        generic("g", gop);
        generic("b", "2040000");
        generic("maxrate", "2516000");
        generic("minrate", "0");
        generic("bufsize", "1835008");
        // the scan offset flag became an option of the MPEG-2 encoder
        generic("scan_offset", "1");
        generic("ab", "224000");
        pending_.audioSampleRate = 44100;
        generic("packetsize", "2324");
        // layer II carries one or two channels: mono becomes stereo, surround is mixed down
        if (pending_.audioChannels > 2)
            LogFmt(llInfo, "Mixing %d audio channels down to 2 for %s", pending_.audioChannels, type.c_str());
        pending_.audioChannels = 2;
        assumeAspect("4:3");
    } else if (type == "dvd") {
        SetOption("vcodec", "mpeg2video");
        SetOption("acodec", "ac3");
        SetOption("f", "dvd");
        SetOption("s", pal ? "720x576" : "720x480");
        SetOption("r", rate);
        generic("g", gop);
        generic("b", "6000000");
        generic("maxrate", "9000000");
        generic("minrate", "0");
        generic("bufsize", "1835008");
        generic("packetsize", "2048");
        generic("muxrate", "10080000");
        generic("ab", "448000");
        pending_.audioSampleRate = 48000;
        // AC-3 carries up to 5.1: mono becomes stereo, more than six channels are mixed down
        if (pending_.audioChannels > 6)
            LogFmt(llInfo, "Mixing %d audio channels down to 6 for %s", pending_.audioChannels, type.c_str());
        pending_.audioChannels = std::clamp(pending_.audioChannels, 2, 6);
        assumeAspect("16:9");
    } else {
        SetOption("f", "dv");
        SetOption("s", pal ? "720x576" : "720x480");
        SetOption("pix_fmt", type == "dv50" ? "yuv422p" : pal ? "yuv420p" : "yuv411p");
        SetOption("r", rate);
        pending_.audioSampleRate = 48000;
        pending_.audioChannels = 2;
    }
}

void TCustomFFmpeg::SetTargetFromRecord(int targetType, int targetNorm, int targetDefaultNorm)
{
    static const char* const types[] = {"vcd", "svcd", "dvd"};
    if (targetType < 1 || targetType > 3)
        return;
    const std::string norm = targetNorm == 1 ? "pal" : targetNorm == 2 ? "ntsc" : "auto";
    SetTarget(types[targetType - 1], norm, targetDefaultNorm == 1 ? "pal" : "ntsc");
}
