#include "media/TextFormat.h"

#include <cstdio>

std::string FormatTextV(const char* format, va_list args)
{
    va_list sizing;
    va_copy(sizing, args);
    const int length = std::vsnprintf(nullptr, 0, format, sizing);
    va_end(sizing);
    if (length <= 0)
        return {};
    std::string text(static_cast<size_t>(length), '\0');
    va_list writing;
    va_copy(writing, args);
    std::vsnprintf(text.data(), text.size() + 1, format, writing);
    va_end(writing);
    return text;
}

std::string FormatText(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string text = FormatTextV(format, args);
    va_end(args);
    return text;
}

std::string TrimText(std::string_view text)
{
    const auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return std::string(text);
}
