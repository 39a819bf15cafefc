#include "app/RunEstimates.h"

#include "app/ListRow.h"

#include "media/MediaText.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {
// what a container adds to the streams' own bytes (headers, index, packet framing)
constexpr double kContainerShare = 1.02;
// a row's reports reached its end from this share of its duration on
constexpr int64_t kReachedEndPercent = 95;
// a row that worked less than this tells nothing about the work after its last report
constexpr double kShortestWorkSeconds = 1.0;

double Seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }
}  // namespace

int64_t ConvertedDurationUs(const TOutputOptions& output, int64_t sourceDurationUs)
{
    int64_t durationUs = sourceDurationUs;
    if (output.StartTime != kNoTimeUs && output.StartTime > 0 && durationUs > 0)
        durationUs = std::max<int64_t>(durationUs - output.StartTime, 0);
    if (output.Duration != kNoTimeUs && output.Duration > 0)
        durationUs = durationUs > 0 ? std::min(durationUs, output.Duration) : output.Duration;
    return durationUs > 0 ? durationUs : -1;
}

int64_t ExpectedOutputBytes(const TOutputOptions& output, int64_t sourceDurationUs, bool sourceHasVideo,
                            bool sourceHasAudio)
{
    const int64_t durationUs = ConvertedDurationUs(output, sourceDurationUs);
    if (durationUs <= 0)
        return -1;
    int64_t bitsPerSecond = 0;
    if (sourceHasVideo && !output.DisableVideo) {
        if (output.VideoBitrate <= 0)
            return -1;
        bitsPerSecond += output.VideoBitrate;
    }
    if (sourceHasAudio && !output.DisableAudio) {
        if (output.AudioBitrate <= 0)
            return -1;
        bitsPerSecond += output.AudioBitrate;
    }
    if (bitsPerSecond == 0)
        return -1;
    return static_cast<int64_t>(static_cast<double>(bitsPerSecond) * (durationUs / 1e6) / 8.0 * kContainerShare);
}

std::string ByteCountText(int64_t bytes) { return bytes < 0 ? std::string() : SizeText(bytes); }

std::string ListRow::SizeText() const
{
    if (OutputBytes >= 0)
        return ByteCountText(OutputBytes);
    if (ExpectedBytes >= 0)
        return "约 " + ByteCountText(ExpectedBytes);
    return Sampling ? "估算中..." : std::string();
}

std::string ListRow::SizeNote() const
{
    if (OutputBytes >= 0)
        return "实际大小";
    if (Sampled)
        return "按试转换的几个片段估计的大小";
    if (Sampling)
        return ExpectedBytes >= 0 ? "按码率估计的大小，正在试转换片段以估计得更准" : "正在试转换几个片段以估计大小";
    return ExpectedBytes >= 0 ? "按码率估计的大小" : std::string();
}

std::string RemainingText(double seconds)
{
    if (seconds < 0)
        return {};
    const long total = std::lround(seconds);
    char text[32];
    if (total >= 3600)
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", total / 3600, total / 60 % 60, total % 60);
    else
        std::snprintf(text, sizeof text, "%02ld:%02ld", total / 60, total % 60);
    return text;
}

std::string SpeedText(double speed)
{
    if (speed <= 0)
        return {};
    char text[32];
    std::snprintf(text, sizeof text, speed < 10 ? "%.1fx" : "%.0fx", speed);
    return text;
}

namespace {
// The speed a row that has not shown its own is expected to convert at; 0 when nothing tells.
double ExpectedSpeed(const std::vector<RowPace>& rows, const RowPace& row)
{
    double sameRatio = 0, anyRatio = 0, sameSpeed = 0, anySpeed = 0;
    int sameRatios = 0, anyRatios = 0, sameSpeeds = 0, anySpeeds = 0;
    for (const RowPace& other : rows) {
        if (other.speed <= 0)
            continue;
        const bool same = other.target == row.target;
        anySpeed += other.speed, ++anySpeeds;
        if (same)
            sameSpeed += other.speed, ++sameSpeeds;
        if (other.sampleSpeed <= 0)
            continue;
        const double ratio = other.speed / other.sampleSpeed;
        anyRatio += ratio, ++anyRatios;
        if (same)
            sameRatio += ratio, ++sameRatios;
    }
    // the sample knows this row's own content; the rows that ran know how a run compares with a sample
    if (row.sampleSpeed > 0) {
        if (sameRatios > 0)
            return row.sampleSpeed * sameRatio / sameRatios;
        if (anyRatios > 0)
            return row.sampleSpeed * anyRatio / anyRatios;
        return row.sampleSpeed;
    }
    if (sameSpeeds > 0)
        return sameSpeed / sameSpeeds;
    return anySpeeds > 0 ? anySpeed / anySpeeds : 0;
}
}  // namespace

double ListRemainingSeconds(const std::vector<RowPace>& rows, int filesAtOnce, double tailShare)
{
    // each place converts one row at a time; the list is done when the last place is
    std::vector<double> places(static_cast<size_t>(std::max(filesAtOnce, 1)), 0.0);
    const auto earliest = [&places] { return std::min_element(places.begin(), places.end()); };
    std::vector<double> waiting;
    for (const RowPace& row : rows) {
        if (row.state == RowPace::State::Done)
            continue;
        if (row.state == RowPace::State::Running && row.leftSeconds >= 0) {
            *earliest() += row.leftSeconds;
            continue;
        }
        const double speed = ExpectedSpeed(rows, row);
        if (row.leftUs < 0 || speed <= 0)
            return -1;
        const double seconds = row.leftUs / 1e6 / speed * (1 + tailShare);
        // a running row holds its place; a waiting one comes after it
        if (row.state == RowPace::State::Running)
            *earliest() += seconds;
        else
            waiting.push_back(seconds);
    }
    for (const double seconds : waiting)
        *earliest() += seconds;
    return *std::max_element(places.begin(), places.end());
}

void RunEstimates::Start(const std::vector<RowPlan>& rows, int filesAtOnce)
{
    rows_.assign(rows.size(), Row{});
    for (size_t i = 0; i < rows.size(); ++i)
        rows_[i].plan = rows[i];
    filesAtOnce_ = std::max(filesAtOnce, 1);
}

void RunEstimates::Report(int row, int64_t doneUs, int64_t totalUs, Clock::time_point now)
{
    if (row < 0 || row >= static_cast<int>(rows_.size()))
        return;
    Row& r = rows_[static_cast<size_t>(row)];
    if (totalUs > 0)
        r.plan.totalUs = totalUs;
    if (!r.started || doneUs < r.firstDoneUs) {
        // the first report marks the start of this row's work; earlier time went to others
        r.started = true;
        r.firstReport = now;
        r.firstDoneUs = doneUs;
    }
    r.doneUs = std::max<int64_t>(doneUs, 0);
    r.lastReport = now;
}

void RunEstimates::Ended(int row, Clock::time_point now)
{
    if (row < 0 || row >= static_cast<int>(rows_.size()))
        return;
    Row& r = rows_[static_cast<size_t>(row)];
    if (r.ended)
        return;
    r.ended = true;
    // only a row whose reports reached its end tells what its last stretch costs
    const double working = Seconds(r.lastReport - r.firstReport);
    if (r.started && r.plan.totalUs > 0 && r.doneUs * 100 >= r.plan.totalUs * kReachedEndPercent &&
        working >= kShortestWorkSeconds) {
        const double share = Seconds(now - r.lastReport) / working;
        tailShare_ = (tailShare_ * tailsSeen_ + share) / (tailsSeen_ + 1);
        ++tailsSeen_;
    }
    if (r.plan.totalUs > 0)
        r.doneUs = r.plan.totalUs;
}

double RunEstimates::Speed(int row) const
{
    if (row < 0 || row >= static_cast<int>(rows_.size()))
        return 0;
    const Row& r = rows_[static_cast<size_t>(row)];
    const double wall = Seconds(r.lastReport - r.firstReport);
    if (!r.started || wall <= 0.2)
        return 0;
    return (r.doneUs - r.firstDoneUs) / 1e6 / wall;
}

double RunEstimates::RemainingSeconds(int row) const
{
    if (row < 0 || row >= static_cast<int>(rows_.size()))
        return -1;
    const Row& r = rows_[static_cast<size_t>(row)];
    if (r.ended)
        return 0;
    const double speed = Speed(row);
    if (r.plan.totalUs <= 0 || speed <= 0)
        return -1;
    const double working = (r.plan.totalUs - r.firstDoneUs) / 1e6 / speed;
    return std::max<int64_t>(r.plan.totalUs - r.doneUs, 0) / 1e6 / speed + tailShare_ * working;
}

int RunEstimates::ListPercent() const
{
    int64_t total = 0, done = 0;
    for (const Row& r : rows_) {
        if (r.plan.totalUs <= 0)
            continue;
        total += r.plan.totalUs;
        done += std::min(r.doneUs, r.plan.totalUs);
    }
    return total > 0 ? static_cast<int>(done * 100 / total) : 0;
}

double RunEstimates::ListRemainingSeconds(Clock::time_point now) const
{
    std::vector<RowPace> rows;
    for (size_t i = 0; i < rows_.size(); ++i) {
        const Row& r = rows_[i];
        RowPace row;
        row.state = r.ended ? RowPace::State::Done : r.started ? RowPace::State::Running : RowPace::State::Waiting;
        row.leftUs = r.plan.totalUs > 0 ? std::max<int64_t>(r.plan.totalUs - r.doneUs, 0) : -1;
        row.speed = Speed(static_cast<int>(i));
        row.sampleSpeed = r.plan.sampleSpeed;
        row.target = r.plan.target;
        const double left = RemainingSeconds(static_cast<int>(i));
        // the row's estimate holds at its last report; the time since went by
        if (row.state == RowPace::State::Running && left >= 0)
            row.leftSeconds = std::max(left - Seconds(now - r.lastReport), 0.0);
        rows.push_back(row);
    }
    return ::ListRemainingSeconds(rows, filesAtOnce_, tailShare_);
}
