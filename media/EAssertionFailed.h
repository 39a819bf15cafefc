#pragma once
// Programming errors inside the media components (an empty library set, a
// second logger, a missing log entry point) throw this instead of stopping the
// process; the module names where the misuse was caught, e.g. "FFmpegLoader".
#include <stdexcept>
#include <string>

class EAssertionFailed : public std::logic_error {
public:
    EAssertionFailed(const std::string& module, const std::string& message)
        : std::logic_error(message + " (" + module + ")"), module_(module), message_(message)
    {}
    const std::string& Module() const { return module_; }
    const std::string& Message() const { return message_; }

private:
    std::string module_;
    std::string message_;
};

// Throws EAssertionFailed when `condition` is false.
inline void MediaAssert(bool condition, const char* module, const std::string& message)
{
    if (!condition)
        throw EAssertionFailed(module, message);
}
