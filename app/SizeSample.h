#pragma once
// One sample-based estimate of a row's output size: short pieces of the
// source converted with the row's own settings, through the engine, on the
// calling thread. Each spot is converted twice from the same point, for one
// and for two seconds: the second second is what a second of this source
// costs under these settings (the container's index included), the first one
// also carries what an output costs once (headers, the first key frame, the
// encoder's start). Under a bit-rate target the picture can use, the rate
// control is still settling after two seconds: the surplus over the target
// is taken to shrink from second to second as it did from the first to the
// second. A short source is converted whole and measured exactly.
#include "engine/ConverterRecords.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

class TMediaConverter;

class SizeSample {
public:
    // `scratchFolder` receives the pieces (removed again); it must exist.
    SizeSample(TInputOptions input, TOutputOptions output, std::string scratchFolder);

    // The expected bytes of the whole output; -1 when a piece failed, the
    // source cannot be opened or the sample was stopped.
    int64_t Run();
    // Any thread: the piece being converted ends soon and Run returns -1;
    // a piece that was about to start may still run to its end.
    void Stop();
    bool Stopped() const { return stopped_; }

    // The media seconds converted for the last Run (pieces added up).
    double SampledSeconds() const { return sampledUs_ / 1e6; }
    // Media seconds per second of work a run of these settings converts
    // at, from the last Run: what the second second of each spot took (the
    // pieces' one-time parts, opening, the encoder's start, the check, cancel
    // out), the whole conversion for a short source; 0 when unknown.
    double SampledSpeed() const { return speed_; }

private:
    struct Piece {
        int64_t bytes = -1;  // -1 on failure
        double seconds = 0;  // of work
    };
    // One piece of `lengthUs` (the row's own length when negative) from
    // `startUs` of the source.
    Piece ConvertPiece(TMediaConverter& converter, int64_t startUs, int64_t lengthUs);

    TInputOptions input_;
    TOutputOptions output_;
    std::string scratchFolder_;
    int64_t sampledUs_ = 0;
    double speed_ = 0;
    std::atomic<bool> stopped_{false};
    std::mutex lock_;  // guards converter_ and the set-up of its tasks against Stop
    TMediaConverter* converter_ = nullptr;
};
