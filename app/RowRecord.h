#pragma once
// One slot of the table behind the conversion list: the converter records of
// a row, frozen when the file was added, and the slot's bookkeeping state.
#include "engine/ConverterRecords.h"

#include <string>

inline constexpr int kRowSlotCount = 501;  // slots 0..500
inline constexpr const char* kSlotFree = "kong";
inline constexpr const char* kSlotFull = "Full";
inline constexpr const char* kSlotDeleted = "DELETED";

struct RowRecord {
    TInputOptions Input;
    TOutputOptions Output;
    std::string SlotState = kSlotFree;  // never handed to the converter
};
