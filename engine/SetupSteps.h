#pragma once
// Small pieces shared by input opening, output set-up and stream creation.
#include <cstdarg>
#include <cstdio>
#include <string>

// printf into a std::string.
inline std::string FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));
inline std::string FormatText(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string text(length > 0 ? static_cast<size_t>(length) : 0, '\0');
    if (length > 0)
        std::vsnprintf(text.data(), text.size() + 1, format, args);
    va_end(args);
    return text;
}
