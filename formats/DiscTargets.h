#pragma once
// What each disc type takes: the picture of each TV norm and the audio its
// players decode (DVD-Video: AC-3 at 48 kHz; SVCD and VCD: MPEG-1 layer II at
// 44.1 kHz, VCD at a fixed 224 kbit/s in stereo). The disc profiles' lists
// offer these values, and the translation keeps a selection inside them.
#include <span>
#include <string>

#include "formats/OutputSettings.h"

struct DiscPicture {
    const char* frameSize;  // caption of the frame-size list
    const char* frameRate;  // caption of the frame-rate list
};

struct DiscSpec {
    const char* type;  // TargetType: "dvd", "svcd", "vcd"
    DiscPicture pal, ntsc;
    const char* audioCodec;  // AudioCodec: "ac3", or "" for the disc's own MP2
    int sampleRate;
    std::span<const int> bitratesKbps;  // the audio bit rates the disc allows
    int defaultBitrateKbps;
    int monoMaxBitrateKbps;  // layer II codes mono up to 192 kbit/s
    int maxChannels;
};

// The disc of a TargetType; nullptr for any other text.
const DiscSpec* FindDiscTarget(const std::string& type);
// The picture of a norm ("PAL", "NTSC"; anything else is PAL).
const DiscPicture& DiscPictureOf(const DiscSpec& disc, const std::string& norm);
// Keeps a disc target's audio settings inside what the disc takes: its
// encoder, rate, nearest allowed bit rate and at most its channels.
void FitDiscAudio(OutputSettings& settings);
