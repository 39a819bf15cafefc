#pragma once
// printf into a std::string, sized to the whole text.
#include <cstdarg>
#include <string>

std::string FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));
// The same for a caller that holds the arguments; `args` is left unread.
std::string FormatTextV(const char* format, va_list args) __attribute__((format(printf, 1, 0)));
