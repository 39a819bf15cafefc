#pragma once
// The conversion list's size estimates, sampled one request after another on
// a worker thread of its own at low priority, so the window never waits. The
// pieces go to a scratch folder of the sampler's own, never next to the
// outputs, and nothing the samples log reaches the program's log.
#include "app/ISizeSampler.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

class SizeSample;

class SizeSampler final : public ISizeSampler {
public:
    // `ready` runs on the worker thread each time a result waits in
    // TakeResults; it must hand over without waiting (post to an event loop).
    explicit SizeSampler(std::function<void()> ready);
    // Stops the sample under way, drops the rest and removes the scratch folder.
    ~SizeSampler() override;
    SizeSampler(const SizeSampler&) = delete;
    SizeSampler& operator=(const SizeSampler&) = delete;

    void Request(uint64_t key, const TInputOptions& input, const TOutputOptions& output) override;
    void Cancel(uint64_t key) override;
    std::vector<SampledSize> TakeResults() override;

    // The key being sampled now, 0 when none.
    uint64_t Sampling() const;
    // Waits until nothing is queued or being sampled; false after `timeoutMs`.
    bool WaitIdle(int timeoutMs) const;
    // Waits until `key` is being sampled; false after `timeoutMs` (tests).
    bool WaitSampling(uint64_t key, int timeoutMs) const;
    const std::string& ScratchFolder() const { return scratch_; }

private:
    struct Job {
        uint64_t key = 0;
        TInputOptions input;
        TOutputOptions output;
    };
    void Work();

    std::function<void()> ready_;
    std::string scratch_;
    mutable std::mutex lock_;  // guards queue_, results_, current_, currentKey_, quit_
    mutable std::condition_variable changed_;  // a request, a cancel, a start or an end of a sample, quitting
    std::deque<Job> queue_;
    std::vector<SampledSize> results_;
    std::shared_ptr<SizeSample> current_;
    uint64_t currentKey_ = 0;
    bool quit_ = false;
    std::thread worker_;  // last: it starts once the fields above exist
};
