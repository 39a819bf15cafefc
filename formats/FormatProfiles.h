#pragma once
// The option lists each format offers, as data: extension, OutputExt label,
// extras and, for each of the ten lists, its entries and default entry.
#include <array>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "formats/OptionList.h"
#include "formats/OutputSettings.h"

using OptionItems = std::vector<std::string>;

// A list whose captions stand for values: the captions the window shows and,
// beside each, the value confirmation writes for it.
template <typename Value> struct ValuedItems {
    ValuedItems(std::initializer_list<std::pair<const char*, Value>> entries)
    {
        for (const auto& [caption, value] : entries) {
            items.push_back(caption);
            values.push_back(value);
        }
    }
    OptionItems items;
    std::vector<Value> values;  // values[i] belongs to items[i]
};

// The value beside `caption` in the video bit-rate, audio bit-rate and frame
// rate lists of the profiles; nullopt for a caption none of them holds.
// Bit rates in bits per second (kBitrateNotSet for an entry that sets none:
// constant quality, "无", the automatic entry); frame rates as the rate
// option takes them ("" keeps the source's rate).
std::optional<int32_t> VideoBitrateOf(const std::string& caption);
std::optional<int32_t> AudioBitrateOf(const std::string& caption);
std::optional<std::string> FrameRateOf(const std::string& caption);

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
const OptionItems& VideoBitratesWide();
const OptionItems& VideoBitratesMjpeg();
const OptionItems& FrameSizesH263();  // the four sizes H.263 takes
const OptionItems& FrameSizesPhone();
const OptionItems& AudioBitratesAac8k();
const OptionItems& AudioBitratesAac3g2();
const OptionItems& AudioBitratesSymbian();
const OptionItems& AudioBitratesPhone();
const OptionItems& AudioBitratesAmr();
const OptionItems& SampleRateAmr();
const OptionItems& SampleRatesPhone();
const OptionItems& ChannelsStereo();  // stereo or mono
const OptionItems& ChannelsMono();
const OptionItems& Volumes();  // the volume list of every profile
}  // namespace ProfileLists

// The choice of `items` whose default is the first entry equal to `caption`
// (the first entry when none is).
OptionChoice ChoiceOf(const OptionItems& items, const std::string& caption);
