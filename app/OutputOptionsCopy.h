#pragma once
// The settings of the file being added, turned into the converter's output
// options as the add operations hand them over.
#include "engine/ConverterRecords.h"
#include "formats/OutputSettings.h"

// Copies the set fields of `settings` into `options` and applies the mpeg4
// tag rule; fields that are not set leave `options` as it was.
void CopyOutputSettings(const OutputSettings& settings, TOutputOptions& options);
