#pragma once
// One file added to the converter as a task with one output, as the list's
// add operations and the command line add them: the clip of the settings on
// the input and the output, the settings on the output, and the task taken
// back when the clip or the output is refused.
#include "engine/TMediaConverter.h"
#include "formats/OutputSettings.h"

#include <string>

// The clip of `settings` (CutStart and CutLength, milliseconds) in task terms.
struct TaskClip {
    bool clipped = false;
    int64_t startUs = kNoTimeUs;  // where the input starts
    int64_t durationUs = kNoTimeUs;  // how long the output lasts
    std::string refusal;  // why the clip cannot be cut; empty when it can
};

// The length is clamped to what a source `sourceDurationUs` long has after
// the start (not clamped when the length is unknown: kNoTimeUs or below 0); a
// clip that stops at or before its start, or starts at or past the end, is refused.
TaskClip ClipOfSettings(const OutputSettings& settings, int64_t sourceDurationUs);
// The input starts at the clip and the output lasts it; without a clip the
// output starts at 0.
void PutClip(const TaskClip& clip, TInputOptions& input, TOutputOptions& output);

struct AddedTask {
    int task = -1;  // the converter's task; -1 when none was kept
    bool opened = false;  // the source opened: a refusal came from the clip or the output
    std::string error;
};

// Adds the source `input.FileName` with the clip of `settings`, and the output
// `output.FileName` with the settings' options and the clip clamped to the
// source's length. `input` and `output` come back as the task has them.
AddedTask AddConversionTask(TMediaConverter& converter, const OutputSettings& settings, TInputOptions& input,
                            TOutputOptions& output);
