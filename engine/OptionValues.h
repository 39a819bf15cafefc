#pragma once
// Readers for option values and small text helpers shared by the option
// parser, targets and presets.
#include <cstdint>
#include <string>
#include <vector>

// Any value other than "0" (an empty one included) is on.
bool ReadBoolValue(const std::string& value);
// Decimal integers; unreadable text raises FFmpegException with the
// conversion error ("'x' is not a valid integer value").
int ReadIntValue(const std::string& value);
int64_t ReadInt64Value(const std::string& value);
// Decimal numbers; unreadable text raises "'x' is not a valid floating point value".
double ReadFloatValue(const std::string& value);

std::string LowerText(const std::string& text);
// Line ends (CR LF, CR, LF) turned into LF; with `crlfMarker` also every
// literal "<CRLF>".
std::string NormaliseLineEnds(const std::string& text, bool crlfMarker);
// Splits at LF; a final LF does not start another line.
std::vector<std::string> SplitLines(const std::string& text);
