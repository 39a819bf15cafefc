// quorvex-estimates: how far the conversion list's estimates are from what
// a run then does, for bench/estimates.sh.
//   quorvex-estimates [-j K] FORMAT OUTPUT-FOLDER FILE...
// Each file gets the option window's defaults of FORMAT, the bit-rate
// estimate and the sample estimate of its size, then all of them convert as
// the list converts them (K at a time) while the list's run estimates are fed
// with the progress reports. One tab-separated line per file:
//   file FILE OUTPUT BITRATE-BYTES SAMPLE-BYTES SAMPLE-SECONDS REAL-BYTES LEFT-AT-50% REAL-LEFT-AT-50%
//        SAMPLE-SPEED RUN-SPEED
// then one for the whole list:
//   list LEFT-AT-50% REAL-LEFT-AT-50%
// (sizes in bytes, times in seconds, speeds in media seconds per second of
// work, -1 where unknown).
#include "app/OutputOptionsCopy.h"
#include "app/RunEstimates.h"
#include "app/SizeSample.h"
#include "engine/CodecSelection.h"
#include "engine/TMediaConverter.h"
#include "formats/FormatSession.h"
#include "formats/IFormatsDialogs.h"
#include "formats/OptionWindowModel.h"
#include "media/QueueMainThread.h"
#include "media/TFFLogger.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

class QuietFormatsDialogs : public IFormatsDialogs {
public:
    void ShowInformation(const std::string&, const std::string&) override {}
    void OpenWithDefaultApplication(const std::string&) override {}
};

using Clock = RunEstimates::Clock;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

struct Row {
    std::string file;
    TInputOptions input;
    TOutputOptions output;
    int64_t durationUs = -1;
    int64_t bitRateBytes = -1;
    int64_t sampleBytes = -1;
    double sampleSeconds = -1;
    double sampleSpeed = 0;
    std::string written;
    double leftAtHalf = -1;  // what the row said at 50 %
    Clock::time_point half{};
    Clock::time_point end{};
    bool halfSeen = false;
};

int Usage()
{
    std::fprintf(stderr, "usage: quorvex-estimates [-j K] FORMAT OUTPUT-FOLDER FILE...\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    int arg = 1;
    int simultaneous = 1;
    if (arg + 1 < argc && std::string(argv[arg]) == "-j") {
        simultaneous = std::atoi(argv[arg + 1]);
        arg += 2;
    }
    if (argc - arg < 3 || simultaneous < 1)
        return Usage();
    const int format = std::atoi(argv[arg]);
    const std::string folder = argv[arg + 1];
    std::error_code ec;
    fs::create_directories(folder, ec);

    TMediaConverter converter;
    if (!converter.LoadAVLib("LibAV")) {
        std::fprintf(stderr, "quorvex-estimates: %s\n", converter.LastErrMsg().c_str());
        return 1;
    }
    const QuietLogThread quiet;
    FormatSession session;
    session.FormatNumber = format;
    session.EncoderPresent = EncoderPresent;
    session.OutputFolder = folder;
    std::vector<Row> rows;
    for (int i = arg + 2; i < argc; ++i) {
        Row row;
        row.file = argv[i];
        QuietFormatsDialogs dialogs;
        OptionWindowModel model(session, dialogs);
        session.Settings.Reset();
        session.Settings.SourceFile = row.file;
        model.ResetClipCheck(true);
        model.Shown();
        if (model.Confirm() != ConfirmOutcome::Closed) {
            std::fprintf(stderr, "quorvex-estimates: format %d refuses %s\n", format, row.file.c_str());
            return 1;
        }
        row.input.FileName = row.file;
        row.output.FileName = session.Settings.OutputFile;
        CopyOutputSettings(session.Settings, row.output);
        row.output.StartTime = 0;
        TAVProbe& probe = converter.Probe();
        TFileStreamInfo facts;
        if (probe.LoadFile(row.file) && probe.GetFileStreamInfo(facts))
            row.durationUs = facts.Duration;
        row.bitRateBytes = ExpectedOutputBytes(row.output, row.durationUs, probe.FirstVideoStream() >= 0,
                                               probe.FirstAudioStream() >= 0);
        const fs::path scratch = fs::path(folder) / "samples";
        fs::create_directories(scratch, ec);
        SizeSample sample(row.input, row.output, scratch.string());
        const Clock::time_point start = Clock::now();
        row.sampleBytes = sample.Run();
        row.sampleSeconds = Seconds(Clock::now() - start);
        row.sampleSpeed = sample.SampledSpeed();
        fs::remove_all(scratch, ec);
        rows.push_back(row);
    }

    // the run, as the list's run control does it
    for (Row& row : rows) {
        const int task = converter.AddTask(row.file, &row.input);
        if (task < 0 || !converter.SetOutputFile(task, row.output.FileName, &row.output)) {
            std::fprintf(stderr, "quorvex-estimates: %s: %s\n", row.file.c_str(), converter.LastErrMsg().c_str());
            return 1;
        }
    }
    QueueMainThread mainThread;
    SetMainThread(&mainThread);
    converter.SetTriggerEventInMainThread(true);
    RunEstimates estimates;
    bool allEnded = false;
    double listLeftAtHalf = -1;
    Clock::time_point listHalf{};
    bool listHalfSeen = false;
    const int count = static_cast<int>(rows.size());
    std::mutex lock;  // guards rows, estimates and the flags: terminations come on threads of their own
    converter.SetOnProgress([&](TCustomMediaConverter*, PProgressInfo info) {
        std::lock_guard guard(lock);
        const int index = info->TaskIndex;
        if (index < 0 || index >= count)
            return;
        const Clock::time_point now = Clock::now();
        estimates.Report(index, info->CurrentDuration, info->TotalDuration, now);
        Row& row = rows[static_cast<size_t>(index)];
        if (!row.halfSeen && info->TotalDuration > 0 && info->CurrentDuration * 2 >= info->TotalDuration) {
            row.halfSeen = true;
            row.half = now;
            row.leftAtHalf = estimates.RemainingSeconds(index);
        }
        if (!listHalfSeen && estimates.ListPercent() >= 50) {
            listHalfSeen = true;
            listHalf = now;
            listLeftAtHalf = estimates.ListRemainingSeconds(now);
        }
    });
    converter.SetOnTerminate([&](TCustomMediaConverter*, const TTerminateInfo& info) {
        std::lock_guard guard(lock);
        if (info.TaskIndex < 0) {
            allEnded = true;
            return;
        }
        if (info.TaskIndex >= count)
            return;
        Row& row = rows[static_cast<size_t>(info.TaskIndex)];
        row.end = Clock::now();
        if (!info.OutputFiles.empty())
            row.written = info.OutputFiles.front();
        estimates.Ended(info.TaskIndex, row.end);
    });
    std::vector<RunEstimates::RowPlan> plans;
    for (const Row& row : rows)
        plans.push_back({ConvertedDurationUs(row.output, row.durationUs), format, row.sampleSpeed});
    estimates.Start(plans, simultaneous);
    converter.StartTask(simultaneous);
    while (!mainThread.pumpUntil(
        [&] {
            std::lock_guard guard(lock);
            return allEnded;
        },
        1000)) {}
    const Clock::time_point listEnd = Clock::now();
    converter.SetOnProgress(nullptr);
    converter.SetOnTerminate(nullptr);
    SetMainThread(nullptr);

    int status = 0;
    for (const Row& row : rows) {
        const auto real = row.written.empty() ? static_cast<uintmax_t>(0) : fs::file_size(row.written, ec);
        if (row.written.empty() || ec)
            status = 1;
        const double runSpeed = estimates.Speed(static_cast<int>(&row - rows.data()));
        std::printf("file\t%s\t%s\t%lld\t%lld\t%.2f\t%lld\t%.2f\t%.2f\t%.2f\t%.2f\n", row.file.c_str(),
                    row.written.c_str(), static_cast<long long>(row.bitRateBytes),
                    static_cast<long long>(row.sampleBytes), row.sampleSeconds,
                    row.written.empty() || ec ? -1LL : static_cast<long long>(real),
                    row.halfSeen ? row.leftAtHalf : -1.0, row.halfSeen ? Seconds(row.end - row.half) : -1.0,
                    row.sampleSpeed > 0 ? row.sampleSpeed : -1.0, runSpeed > 0 ? runSpeed : -1.0);
    }
    std::printf("list\t%.2f\t%.2f\n", listHalfSeen ? listLeftAtHalf : -1.0,
                listHalfSeen ? Seconds(listEnd - listHalf) : -1.0);
    return status;
}
