#pragma once
// The engine's error: a rejected option or a failed set-up step. It carries
// the message text exactly as the user will see it in LastErrMsg or in the
// termination record.
#include "media/TextFormat.h"

#include <cstdarg>
#include <stdexcept>
#include <string>

class FFmpegException : public std::runtime_error {
public:
    explicit FFmpegException(const std::string& message) : std::runtime_error(message) {}

    // printf-style construction: throw FFmpegException::Format("Unknown bitstream filter %s", name);
    static FFmpegException Format(const char* format, ...) __attribute__((format(printf, 1, 2)))
    {
        va_list args;
        va_start(args, format);
        std::string text = FormatTextV(format, args);
        va_end(args);
        return FFmpegException(text);
    }
};
