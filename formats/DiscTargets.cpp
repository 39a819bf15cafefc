#include "formats/DiscTargets.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdlib>

namespace {

constexpr int kAc3Kbps[] = {192, 224, 256, 320, 384, 448};
constexpr int kLayer2Kbps[] = {64, 96, 128, 160, 192, 224, 256, 320, 384};
constexpr int kVcdKbps[] = {224};

const std::array<DiscSpec, 3> kDiscs = {{
    {"dvd", {"720*576", "25.00"}, {"720*480", "29.97"}, "ac3", 48000, kAc3Kbps, 448, 448, 2},
    {"svcd", {"480*576", "25.00"}, {"480*480", "29.97"}, "", 44100, kLayer2Kbps, 224, 192, 2},
    {"vcd", {"352*288", "25.00"}, {"352*240", "29.97"}, "", 44100, kVcdKbps, 224, 224, 2},
}};

int NumberOr(const std::string& text, int fallback)
{
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() ? value : fallback;
}

}  // namespace

const DiscSpec* FindDiscTarget(const std::string& type)
{
    for (const DiscSpec& disc : kDiscs)
        if (type == disc.type)
            return &disc;
    return nullptr;
}

const DiscPicture& DiscPictureOf(const DiscSpec& disc, const std::string& norm)
{
    return norm == "NTSC" ? disc.ntsc : disc.pal;
}

void FitDiscAudio(OutputSettings& settings)
{
    const DiscSpec* disc = FindDiscTarget(settings.TargetType);
    if (!disc)
        return;
    settings.AudioCodec = disc->audioCodec;
    settings.AudioSampleRate = std::to_string(disc->sampleRate);

    const int channels = std::clamp(NumberOr(settings.AudioChannels, disc->maxChannels), 1, disc->maxChannels);
    settings.AudioChannels = std::to_string(channels);

    const int asked = settings.AudioBitrate > 0 ? settings.AudioBitrate / 1000 : disc->defaultBitrateKbps;
    const int ceiling = channels == 1 ? disc->monoMaxBitrateKbps : disc->bitratesKbps.back();
    int best = disc->bitratesKbps.front();
    for (const int kbps : disc->bitratesKbps)
        if (kbps <= ceiling && std::abs(kbps - asked) < std::abs(best - asked))
            best = kbps;
    settings.AudioBitrate = best * 1000;
}
