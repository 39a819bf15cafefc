#pragma once
// The clip fields of the option window: hours, minutes and seconds as text.
#include <array>
#include <cstdint>
#include <string>

using TimeFields = std::array<std::string, 3>;  // hours, minutes, seconds

// Whole seconds as "HH", "MM", "SS", each padded to two digits (123 hours stay "123").
TimeFields FieldsFromSeconds(int64_t seconds);
// The fields as milliseconds; empty fields count as "00". Minutes and seconds
// are not limited to 59.
int64_t MillisecondsFromFields(const TimeFields& fields);
// The key filter: Backspace (8), Enter (13) and the digits pass.
bool IsTimeFieldKey(char32_t key);
