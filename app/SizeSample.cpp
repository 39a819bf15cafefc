#include "app/SizeSample.h"

#include "app/RunEstimates.h"
#include "engine/TMediaConverter.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <memory>
#include <mutex>
#include <vector>

namespace fs = std::filesystem;

namespace {
// a source up to this long is converted whole: the sample is the output itself
constexpr int64_t kWholeSourceUs = 8'000'000;
// the two lengths converted from each spot
constexpr int64_t kShortPieceUs = 1'000'000;
constexpr int64_t kLongPieceUs = 2'000'000;
// sources from this long get three spots, shorter ones two
constexpr int64_t kThreeSpotsUs = 60'000'000;

std::atomic<unsigned> g_sampleNumber{0};  // keeps the piece names of samples sharing a folder apart

struct Spot {
    int64_t shortBytes = -1;
    int64_t longBytes = -1;
    double shortSeconds = 0;
    double longSeconds = 0;
};
}  // namespace

SizeSample::SizeSample(TInputOptions input, TOutputOptions output, std::string scratchFolder)
    : input_(std::move(input)), output_(std::move(output)), scratchFolder_(std::move(scratchFolder))
{}

void SizeSample::Stop()
{
    stopped_ = true;
    std::lock_guard guard(lock_);
    if (converter_)
        converter_->StopTasks(false);
}

SizeSample::Piece SizeSample::ConvertPiece(TMediaConverter& converter, int64_t startUs, int64_t lengthUs)
{
    const auto began = std::chrono::steady_clock::now();
    const std::string name =
        scratchFolder_ + "/" + std::to_string(g_sampleNumber++) + "-" + fs::path(output_.FileName).filename().string();
    TInputOptions input = input_;
    if (startUs > 0)
        input.StartTime = startUs;
    TOutputOptions output = output_;
    output.FileName = name;
    output.ReplaceExisting = true;
    output.Join = false;
    output.CustomHook = false;
    if (lengthUs > 0)
        output.Duration = lengthUs;

    // The termination may come from a thread of the engine's own when
    // stopped, even after this piece has given up on it: it is kept in a
    // state the handler shares.
    struct Ended {
        std::mutex lock;
        TTerminateInfo info;
        bool seen = false;
    };
    const auto state = std::make_shared<Ended>();
    {
        std::lock_guard guard(lock_);
        if (stopped_)
            return {};
        converter.ClearTasks();
        converter.SetOnTerminate([state](TCustomMediaConverter*, const TTerminateInfo& info) {
            if (info.TaskIndex != 0)
                return;
            std::lock_guard endedGuard(state->lock);
            state->info = info;
            state->seen = true;
        });
        const int task = converter.AddTask(input.FileName, &input);
        if (task < 0 || !converter.SetOutputFile(task, name, &output))
            return {};
    }
    converter.StartTask(0);
    int64_t bytes = -1;
    {
        std::lock_guard guard(lock_);
        try {
            converter.ClearTasks();  // waits for any thread the engine still has for the task
        } catch (const EConverterError&) {
            // a stop that reached the task just before it started: its end
            // is still on its way; the converter goes with this sample
            if (!stopped_)
                throw;
        }
    }
    std::lock_guard endedGuard(state->lock);
    const TTerminateInfo& ended = state->info;
    const bool endedSeen = state->seen;
    const std::string written = endedSeen && !ended.OutputFiles.empty() ? ended.OutputFiles.front() : name;
    std::error_code ec;
    if (endedSeen && ended.Finished && !ended.Exception && !stopped_) {
        const auto size = fs::file_size(written, ec);
        if (!ec)
            bytes = static_cast<int64_t>(size);
    }
    fs::remove(written, ec);
    if (written != name)
        fs::remove(name, ec);
    if (bytes >= 0)
        sampledUs_ += lengthUs > 0 ? lengthUs : 0;
    return {bytes, std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count()};
}

int64_t SizeSample::Run()
{
    sampledUs_ = 0;
    speed_ = 0;
    TMediaConverter converter;
    {
        std::lock_guard guard(lock_);
        if (stopped_)
            return -1;
        converter_ = &converter;
    }
    const auto detach = [&] {
        std::lock_guard guard(lock_);
        converter_ = nullptr;
    };
    int64_t durationUs = -1;
    bool hasVideo = false, hasAudio = false;
    {
        std::lock_guard guard(lock_);
        TInputOptions whole = input_;
        whole.StartTime = kNoTimeUs;
        const int task = converter.AddTask(whole.FileName, &whole);
        const AVFormatContext* context = task >= 0 ? converter.GetInputContext(task, 0) : nullptr;
        if (context && context->duration != AV_NOPTS_VALUE)
            durationUs = context->duration;
        for (unsigned i = 0; context && i < context->nb_streams; ++i) {
            const AVStream* stream = context->streams[i];
            if (stream->codecpar->codec_type == AVMEDIA_TYPE_AUDIO)
                hasAudio = true;
            if (stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO &&
                !(stream->disposition & AV_DISPOSITION_ATTACHED_PIC))
                hasVideo = true;
        }
        converter.ClearTasks();
    }
    const int64_t beginUs = input_.StartTime != kNoTimeUs && input_.StartTime > 0 ? input_.StartTime : 0;
    int64_t spanUs = durationUs - beginUs;
    if (output_.Duration != kNoTimeUs && output_.Duration > 0)
        spanUs = std::min(spanUs, output_.Duration);
    if (durationUs <= 0 || spanUs <= 0) {
        detach();
        return -1;
    }
    if (spanUs <= kWholeSourceUs) {
        const Piece whole = ConvertPiece(converter, beginUs, -1);
        if (whole.bytes >= 0) {
            sampledUs_ = spanUs;
            if (whole.seconds > 0)
                speed_ = spanUs / 1e6 / whole.seconds;
        }
        detach();
        return whole.bytes;
    }
    const int spots = spanUs >= kThreeSpotsUs ? 3 : 2;
    std::vector<Spot> measured;
    for (int i = 0; i < spots; ++i) {
        const int64_t startUs = beginUs + (spanUs - kLongPieceUs) * (i + 1) / (spots + 1);
        Spot spot;
        const Piece shortPiece = ConvertPiece(converter, startUs, kShortPieceUs);
        spot.shortBytes = shortPiece.bytes;
        spot.shortSeconds = shortPiece.seconds;
        if (spot.shortBytes >= 0) {
            const Piece longPiece = ConvertPiece(converter, startUs, kLongPieceUs);
            spot.longBytes = longPiece.bytes;
            spot.longSeconds = longPiece.seconds;
        }
        if (spot.longBytes < 0) {
            detach();
            return -1;
        }
        measured.push_back(spot);
    }
    detach();
    const double seconds = spanUs / 1e6;
    // per spot: what the first second costs and what one more second costs
    double first = 0, next = 0, nextSeconds = 0, allSeconds = 0;
    for (const Spot& spot : measured) {
        first += static_cast<double>(spot.shortBytes) / (kShortPieceUs / 1e6);
        next += static_cast<double>(spot.longBytes - spot.shortBytes) / ((kLongPieceUs - kShortPieceUs) / 1e6);
        nextSeconds += spot.longSeconds - spot.shortSeconds;
        allSeconds += spot.shortSeconds + spot.longSeconds;
    }
    // a second second that measured no time (a quick target on a busy machine) leaves the pieces' whole time
    const double nextMedia = spots * (kLongPieceUs - kShortPieceUs) / 1e6;
    if (nextSeconds > 0)
        speed_ = nextMedia / nextSeconds;
    else if (allSeconds > 0)
        speed_ = sampledUs_ / 1e6 / allSeconds;
    first /= spots;
    next /= spots;
    // the output's one-time part (headers, first key frame, the encoder's start) and the steady rate
    double bytes = first + next * (seconds - 1.0);
    const int64_t target = ExpectedOutputBytes(output_, durationUs, hasVideo, hasAudio);
    const double targetRate = target > 0 ? target / seconds : 0;
    if (targetRate > 0 && next >= targetRate && first > next) {
        // A bit-rate target the picture can use: the rate control spends more
        // at first and settles towards the target; each second's surplus
        // shrinks by the factor the two first seconds show.
        const double shrink = (next - targetRate) / (first - targetRate);
        bytes = target + (first - targetRate) * (1 - std::pow(shrink, seconds)) / (1 - shrink);
    }
    if (bytes <= 0)
        bytes = static_cast<double>(measured.front().longBytes) / (kLongPieceUs / 1e6) * seconds;
    return static_cast<int64_t>(bytes);
}
