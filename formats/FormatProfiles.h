#pragma once
// The option lists each format offers, as data: extension, OutputExt label,
// extras and, for each of the ten lists, its entries and default entry.
#include <array>
#include <string>
#include <vector>

#include "formats/OptionList.h"

using OptionItems = std::vector<std::string>;

struct OptionChoice {
    const OptionItems* items = nullptr;
    int defaultIndex = 0;
};

enum class ProfileExtra { None, MovContainer, DiscDvd, DiscSvcd, DiscVcd, AudioOnly };

struct FormatProfile {
    int firstNumber;
    int lastNumber;
    std::string extension;  // replaces the source's extension in the output name
    std::string outputExt;  // the label written to OutputExt
    ProfileExtra extra;
    std::array<OptionChoice, kOptionListCount> lists;  // indexed by OptionList
    // Today's formats: an encoder the installed libraries lack is not offered,
    // and the format not at all when it has no encoder left.
    bool encodersChecked = false;
};

// Every profile, in format-number order.
const std::vector<FormatProfile>& FormatProfiles();
// The profile of a format number, or nullptr for a number outside the table.
const FormatProfile* FindProfile(int number);

// Lists the refills after an encoder change bring in.
namespace ProfileLists {
const OptionItems& VideoBitratesWide();    // B1
const OptionItems& VideoBitratesMjpeg();   // B6
const OptionItems& FrameSizesH263();       // the four sizes H.263 takes
const OptionItems& FrameSizesPhone();      // S5
const OptionItems& AudioBitratesAac8k();   // K5
const OptionItems& AudioBitratesAac3g2();  // K6
const OptionItems& AudioBitratesSymbian(); // K7
const OptionItems& AudioBitratesPhone();   // K8
const OptionItems& AudioBitratesAmr();     // K9
const OptionItems& SampleRateAmr();        // H10
const OptionItems& SampleRatesPhone();     // H11
const OptionItems& ChannelsStereo();       // C1
const OptionItems& ChannelsMono();         // C2
const OptionItems& Volumes();              // the volume list of every profile
}  // namespace ProfileLists

// The choice of `items` whose default is the first entry equal to `caption`
// (the first entry when none is).
OptionChoice ChoiceOf(const OptionItems& items, const std::string& caption);
