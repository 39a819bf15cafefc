#include "formats/ClipTimes.h"

namespace {

std::string TwoDigits(int64_t value)
{
    std::string text = std::to_string(value);
    return text.size() < 2 ? "0" + text : text;
}

int64_t FieldValue(const std::string& text)
{
    int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            break;
        value = value * 10 + (c - '0');
        if (value > 1'000'000'000)  // far beyond any source; keeps the sum in range
            break;
    }
    return value;
}

}  // namespace

TimeFields FieldsFromSeconds(int64_t seconds)
{
    const int64_t hours = seconds / 3600;
    const int64_t minutes = (seconds - 3600 * hours) / 60;
    const int64_t rest = seconds - 3600 * hours - 60 * minutes;
    return {TwoDigits(hours), TwoDigits(minutes), TwoDigits(rest)};
}

int64_t MillisecondsFromFields(const TimeFields& fields)
{
    return (FieldValue(fields[0]) * 3600 + FieldValue(fields[1]) * 60 + FieldValue(fields[2])) * 1000;
}

bool IsTimeFieldKey(char32_t key) { return key == 8 || key == 13 || (key >= U'0' && key <= U'9'); }
