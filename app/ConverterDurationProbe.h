#pragma once
// The option window's duration probe: a converter component of its own adds
// the source as a task, reads the opened input's length and clears the task.
#include "engine/TMediaConverter.h"
#include "formats/IDurationProbe.h"

class ConverterDurationProbe final : public IDurationProbe {
public:
    int64_t DurationUs(const std::string& file, const std::string& forcedFormat) override;

private:
    TMediaConverter converter_;  // MediaConverter1 of the option window
};
