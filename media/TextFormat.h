#pragma once
// Plain text helpers: printf into a std::string sized to the whole text, and
// blanks off the ends.
#include <cstdarg>
#include <string>
#include <string_view>

std::string FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));
// The same for a caller that holds the arguments; `args` is left unread.
std::string FormatTextV(const char* format, va_list args) __attribute__((format(printf, 1, 0)));

// `text` without the blanks and control characters (every byte up to ' ') at both ends.
std::string TrimText(std::string_view text);
