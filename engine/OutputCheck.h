#pragma once
// The check of a finished output against what its run was asked for: the
// file opens with the media libraries, every stream the run wrote is there
// with packets, the audio and video decode, and the length is the expected
// one within max(0.5 s, 2 %). Together with the input errors the run met it
// decides whether the result is whole, incomplete or failed.
#include "engine/TaskOutcome.h"

extern "C" {
#include <libavutil/avutil.h>
}

#include <cstdint>
#include <string>
#include <vector>

// What the run wrote into one output.
struct OutputExpectation {
    std::string fileName;  // the file to read
    std::string formatName;  // the muxer that wrote it
    std::vector<AVMediaType> streamTypes;  // per output stream
    std::vector<int64_t> packetsWritten;  // per output stream
    int64_t expectedDurationUs = -1;  // the clip's or the source's length; -1 when unknown
    // per output stream: the length of the source stream feeding it (within
    // the clip), -1 when unknown or not to be compared (a cover picture)
    std::vector<int64_t> streamExpectedUs;
    int inputErrors = 0;  // read and decode errors of the inputs during the run
};

struct OutputVerdict {
    TTaskOutcome outcome = TTaskOutcome::Whole;
    std::string message;  // empty when whole
    int64_t writtenDurationUs = -1;  // the length found in the file; -1 when none
};

// The tolerance on a length: max(0.5 s, 2 %).
int64_t DurationToleranceUs(int64_t expectedUs);

// Reads the whole file once: every packet, decoding the audio and the video's
// key pictures (all of the video when the decoder marks none as key).
OutputVerdict CheckOutput(const OutputExpectation& expected);
