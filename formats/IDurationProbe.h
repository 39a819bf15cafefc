#pragma once
// Reads the length of a source for the option window's clip fields. The
// program serves it with a converter component of the option window's own.
#include <cstdint>
#include <string>

class IDurationProbe {
public:
    virtual ~IDurationProbe() = default;
    // The duration of `file` in microseconds, or -1 when it cannot be opened
    // or its length is unknown. `forcedFormat` is an input format name or empty.
    virtual int64_t DurationUs(const std::string& file, const std::string& forcedFormat) = 0;
};
