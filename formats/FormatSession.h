#pragma once
#include <string>

#include "formats/EncoderOffer.h"
#include "formats/OutputSettings.h"

// The chooser's outcome as the main window reads it after the modal call.
inline constexpr const char* kChooserGoOn = "1";
inline constexpr const char* kChooserCancelled = "2";

// What the main window shares with the format chooser and the option window.
// The main window owns one; both windows keep a reference for their lifetime.
struct FormatSession {
    int FormatNumber = 0;  // the chosen target format (see FormatCatalogue)
    std::string ChooserResult = kChooserGoOn;  // "2" = cancelled
    std::string OutputFolder;  // the text of the main window's output folder box
    OutputSettings Settings;
    // Asked when the chooser and the option window are filled: today's
    // formats offer only encoders present here (empty: all are present).
    EncoderPresence EncoderPresent;

    bool Cancelled() const { return ChooserResult == kChooserCancelled; }
};
