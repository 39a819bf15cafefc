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
    int FormatNumber = 0;  // the format chosen at the add
    std::string RunOutputFile;  // the name the last run wrote, empty before a run
    std::string SlotState = kSlotFree;  // never handed to the converter
};
