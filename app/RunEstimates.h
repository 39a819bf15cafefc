#pragma once
// What the conversion list tells about sizes and times: each row's expected
// output size from its bit rates and duration, and while a run goes on each
// row's speed and remaining time and the whole list's progress. Toolkit-free;
// the times come from the caller, so tests can drive them.
#include "engine/ConverterRecords.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

// Bytes an output of `output` will have for a source of `sourceDurationUs`:
// (video + audio bit rate) x the part converted, plus the container's share.
// -1 when a stream's bit rate is not given (a quality setting) or the duration
// is unknown.
int64_t ExpectedOutputBytes(const TOutputOptions& output, int64_t sourceDurationUs, bool sourceHasVideo,
                            bool sourceHasAudio);

// "12.3 MB" style, from the size helper the probe uses; empty for -1.
std::string ByteCountText(int64_t bytes);
// "1:02:03" or "02:03"; empty for a negative count.
std::string RemainingText(double seconds);
// "2.4x" (media seconds per second of work).
std::string SpeedText(double speed);

class RunEstimates {
public:
    using Clock = std::chrono::steady_clock;

    // A run of `rowCount` rows starts; `totalUs[row]` is each row's media
    // duration to convert (-1 when unknown).
    void Start(const std::vector<int64_t>& totalUs, Clock::time_point now);
    // A progress report of `row`: `doneUs` of `totalUs` converted. A report
    // below the first one (the first told a stream that ran ahead) becomes
    // the row's starting point.
    void Report(int row, int64_t doneUs, int64_t totalUs, Clock::time_point now);
    // `row` ended (finished, failed or stopped): its whole duration counts as
    // done. A row that ran to its end tells how long the work after its last
    // report took (the encoders' flush, the check of the written file) as a
    // share of its working time; later rows, in this run and the next ones,
    // count that share into their remaining time.
    void Ended(int row, Clock::time_point now);

    // Media seconds per second of work of `row`; 0 before two reports.
    double Speed(int row) const;
    // Seconds `row` still needs; -1 when unknown.
    double RemainingSeconds(int row) const;
    // The whole list: percent done (0..100) and seconds left (-1 when unknown).
    int ListPercent() const;
    double ListRemainingSeconds(Clock::time_point now) const;

private:
    struct Row {
        int64_t totalUs = -1;
        int64_t doneUs = 0;
        bool ended = false;
        bool started = false;
        Clock::time_point firstReport{};
        int64_t firstDoneUs = 0;
        Clock::time_point lastReport{};
    };
    std::vector<Row> rows_;
    Clock::time_point start_{};
    double tailShare_ = 0;  // the work after the last report over the working time, of the rows that ended
    int tailsSeen_ = 0;
};
