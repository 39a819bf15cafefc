#pragma once
// Where the conversion list asks for sample-based size estimates of its rows.
#include "engine/ConverterRecords.h"

#include <cstdint>
#include <vector>

// The estimate of one request: bytes, or -1 when the sample could not tell,
// and the media seconds per second of work its pieces converted at (0 unknown).
struct SampledSize {
    uint64_t Key = 0;
    int64_t Bytes = -1;
    double Speed = 0;
};

class ISizeSampler {
public:
    virtual ~ISizeSampler() = default;
    // Estimates the output of `input` converted with `output`; the result
    // comes back under `key` through TakeResults.
    virtual void Request(uint64_t key, const TInputOptions& input, const TOutputOptions& output) = 0;
    // The request of `key` is dropped, and its work stopped if it is under way.
    virtual void Cancel(uint64_t key) = 0;
    // The results that arrived since the last call.
    virtual std::vector<SampledSize> TakeResults() = 0;
};
