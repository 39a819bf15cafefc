#pragma once
// One file's progress as a line of text: name, percentage, output time and
// speed (output time per second of wall time).
#include <cstdint>
#include <string>

struct ProgressSample {
    std::string name;  // what the line is about (the source's file name)
    int64_t outputUs = 0;  // output time written so far
    int64_t totalUs = -1;  // expected output time; -1 when unknown
    double elapsedSeconds = 0;  // wall time since the file started
};

// "a.mp4   45%  00:00:13.50  2.31x"; without a known total the percentage
// reads "  ?%", and before any wall time has passed the speed reads "-".
std::string FormatProgressLine(const ProgressSample& sample);
// µs as "HH:MM:SS.hh" (negative values as zero).
std::string FormatOutputTime(int64_t us);
// 0..100, or -1 when the total is unknown.
int ProgressPercent(int64_t outputUs, int64_t totalUs);
