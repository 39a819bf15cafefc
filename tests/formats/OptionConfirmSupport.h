#pragma once
// The option window shown for one format, some entries picked, confirmed.
#include <string>
#include <utility>
#include <vector>

#include "formats/OptionWindowModel.h"

using Picks = std::vector<std::pair<OptionList, std::string>>;

struct Confirmed {
    OutputSettings settings;
    std::vector<std::string> shownCaptions;  // selected caption per list after confirmation
};

// Fails the current test when a picked caption is not in its list or the
// confirmation is refused.
Confirmed ConfirmWith(int number, const Picks& picks, const std::string& source = "/in/source.avi");
