#pragma once
// What the packaged encoders and muxers accept, applied to translated settings
// so that every choice the lists offer gives a file that plays. The lists keep
// showing the user's choice; only the values handed on are adjusted.
#include "formats/OutputSettings.h"

void ApplyEncoderLimits(OutputSettings& settings);
