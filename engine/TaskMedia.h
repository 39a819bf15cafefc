#pragma once
// The opened inputs and prepared outputs of a transcoder task: what input
// opening and output set-up leave behind for the run.
// (Owned by the input/output set-up code; others read it.)
#include "media/FFHandles.h"

#include <cstdint>
#include <vector>

struct TaskMedia {
    std::vector<AVFormatInputPtr> inputs;     // opened inputs, in order
    std::vector<int64_t> inputTsOffsetsUs;    // one per input
    std::vector<AVFormatOutputPtr> outputs;   // prepared outputs, in order

    int InputCount() const { return static_cast<int>(inputs.size()); }
    int OutputCount() const { return static_cast<int>(outputs.size()); }
    void Clear()
    {
        inputs.clear();
        inputTsOffsetsUs.clear();
        outputs.clear();
    }
};
