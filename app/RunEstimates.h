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
// The media a run of `output` converts from a source of `sourceDurationUs`
// (the clip's part of it); -1 when unknown.
int64_t ConvertedDurationUs(const TOutputOptions& output, int64_t sourceDurationUs);

// "12.3 MB" style, from the size helper the probe uses; empty for -1.
std::string ByteCountText(int64_t bytes);
// "1:02:03" or "02:03"; empty for a negative count.
std::string RemainingText(double seconds);
// "2.4x" (media seconds per second of work).
std::string SpeedText(double speed);

// One row as the whole list's remaining time sees it.
struct RowPace {
    enum class State { Waiting, Running, Done };
    State state = State::Waiting;
    int64_t leftUs = -1;  // media still to convert; -1 unknown
    double speed = 0;  // media seconds per second of work since the row began converting; 0 not known yet
    double leftSeconds = -1;  // a running row's own remaining time; -1 not known yet
    double sampleSpeed = 0;  // media seconds per second of work of the row's size sample; 0 none
    int target = 0;  // rows of one target are expected to compare alike with their samples
};

// Seconds until every row is done, `filesAtOnce` rows converting side by side
// and each waiting row taking the first place that frees; `tailShare` is the
// work after a row's last report as a share of its working time. A waiting
// row's speed is its sample's speed, scaled as the rows of its target that
// have run compare with their samples (else as any rows that have run do);
// without a sample, the speed of the rows of its target that have run, else
// the list's average so far. -1 while a row of unknown length or speed is to do.
double ListRemainingSeconds(const std::vector<RowPace>& rows, int filesAtOnce, double tailShare);

class RunEstimates {
public:
    using Clock = std::chrono::steady_clock;

    // What the run knows of a row before it starts.
    struct RowPlan {
        int64_t totalUs = -1;  // media to convert; -1 unknown
        int target = 0;  // the row's output format
        double sampleSpeed = 0;  // of its size sample; 0 none
    };
    // A run of `rows` starts, `filesAtOnce` of them converting side by side.
    void Start(const std::vector<RowPlan>& rows, int filesAtOnce);
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
    // The whole list: percent done (0..100) and seconds left (-1 when
    // unknown), the rows' own estimates taken at `now`.
    int ListPercent() const;
    double ListRemainingSeconds(Clock::time_point now) const;

private:
    struct Row {
        RowPlan plan;
        int64_t doneUs = 0;
        bool ended = false;
        bool started = false;
        Clock::time_point firstReport{};
        int64_t firstDoneUs = 0;
        Clock::time_point lastReport{};
    };
    std::vector<Row> rows_;
    int filesAtOnce_ = 1;
    double tailShare_ = 0;  // the work after the last report over the working time, of the rows that ended
    int tailsSeen_ = 0;
};
