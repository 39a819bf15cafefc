#pragma once
// The names the command line gives the option window's ten lists.
#include "formats/OptionList.h"

#include <optional>
#include <string>

inline constexpr const char* kCliListNames[kOptionListCount] = {
    "video-encoder", "video-bitrate", "frame-size", "frame-rate", "audio-encoder",
    "audio-bitrate", "sample-rate",   "channels",   "scaling",    "volume",
};

// A list by its name, its number 1..10 or its control's objectName.
std::optional<OptionList> ListByName(const std::string& name);
