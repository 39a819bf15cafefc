#include "app/SizeSampler.h"

#include "app/SizeSample.h"
#include "engine/ThreadPriority.h"
#include "media/TFFLogger.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <vector>

namespace fs = std::filesystem;

namespace {
std::string MakeScratchFolder()
{
    std::error_code ec;
    const fs::path base = fs::temp_directory_path(ec);
    std::string pattern = ((ec ? fs::path("/tmp") : base) / "quorvex-sizes-XXXXXX").string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    return mkdtemp(name.data()) ? std::string(name.data()) : std::string();
}
}  // namespace

SizeSampler::SizeSampler(std::function<void()> ready)
    : ready_(std::move(ready)), scratch_(MakeScratchFolder()), worker_([this] { Work(); })
{}

SizeSampler::~SizeSampler()
{
    {
        std::lock_guard guard(lock_);
        quit_ = true;
        queue_.clear();
        if (current_)
            current_->Stop();
        changed_.notify_all();
    }
    worker_.join();
    std::error_code ec;
    if (!scratch_.empty())
        fs::remove_all(scratch_, ec);
}

void SizeSampler::Request(uint64_t key, const TInputOptions& input, const TOutputOptions& output)
{
    std::lock_guard guard(lock_);
    queue_.push_back({key, input, output});
    changed_.notify_all();
}

void SizeSampler::Cancel(uint64_t key)
{
    std::lock_guard guard(lock_);
    std::erase_if(queue_, [key](const Job& job) { return job.key == key; });
    if (currentKey_ == key && current_)
        current_->Stop();
    changed_.notify_all();
}

std::vector<SampledSize> SizeSampler::TakeResults()
{
    std::lock_guard guard(lock_);
    std::vector<SampledSize> taken;
    taken.swap(results_);
    return taken;
}

uint64_t SizeSampler::Sampling() const
{
    std::lock_guard guard(lock_);
    return currentKey_;
}

bool SizeSampler::WaitIdle(int timeoutMs) const
{
    std::unique_lock guard(lock_);
    return changed_.wait_for(guard, std::chrono::milliseconds(timeoutMs),
                             [this] { return queue_.empty() && currentKey_ == 0; });
}

bool SizeSampler::WaitSampling(uint64_t key, int timeoutMs) const
{
    std::unique_lock guard(lock_);
    return changed_.wait_for(guard, std::chrono::milliseconds(timeoutMs), [&] { return currentKey_ == key; });
}

void SizeSampler::Work()
{
    ApplyThreadPriority(tpLowest);  // the codecs' own threads inherit it
    const QuietLogThread quiet;
    std::unique_lock guard(lock_);
    for (;;) {
        changed_.wait(guard, [this] { return quit_ || !queue_.empty(); });
        if (quit_)
            return;
        Job job = std::move(queue_.front());
        queue_.pop_front();
        current_ = std::make_shared<SizeSample>(job.input, job.output, scratch_);
        currentKey_ = job.key;
        changed_.notify_all();
        const std::shared_ptr<SizeSample> sample = current_;
        guard.unlock();
        const int64_t bytes = scratch_.empty() ? -1 : sample->Run();
        // a stopped piece may leave what a stopped run keeps for its next
        // run (its segments): nothing of a sample outlives it
        std::error_code ec;
        std::vector<fs::path> left;
        for (const auto& entry : fs::directory_iterator(scratch_, ec))
            left.push_back(entry.path());
        for (const fs::path& path : left)
            fs::remove_all(path, ec);
        guard.lock();
        const bool wanted = !sample->Stopped() && !quit_;
        if (wanted) {
            results_.push_back({job.key, bytes, sample->SampledSpeed()});
            if (ready_) {
                guard.unlock();
                ready_();
                guard.lock();
            }
        }
        // idle only once the result has been announced
        current_.reset();
        currentKey_ = 0;
        changed_.notify_all();
    }
}
