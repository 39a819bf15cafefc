#include "ConverterRun.h"

#include "media/MainThreadCalls.h"
#include "support/TestMedia.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace robust {

void RunEvents::Attach(TCustomMediaConverter& converter)
{
    converter.SetOnTerminate([this](TCustomMediaConverter*, const TTerminateInfo& info) {
        std::lock_guard guard(lock_);
        terminations_.push_back(info);
    });
    converter.SetOnProgress([this](TCustomMediaConverter*, PProgressInfo) { ++progressCount_; });
}

std::vector<TTerminateInfo> RunEvents::Terminations() const
{
    std::lock_guard guard(lock_);
    return terminations_;
}

bool RunEvents::AllEnded() const
{
    std::lock_guard guard(lock_);
    return !terminations_.empty() && terminations_.back().TaskIndex == -1;
}

bool PumpUntil(const std::function<bool()>& done, int timeoutMs) { return WaitWhileProcessing(done, timeoutMs); }

TTerminateInfo TaskTermination(const RunEvents& events)
{
    const std::vector<TTerminateInfo> all = events.Terminations();
    EXPECT_EQ(all.size(), 2u) << "one termination for the task and the final one";
    for (const TTerminateInfo& info : all)
        if (info.TaskIndex == 0)
            return info;
    ADD_FAILURE() << "task 0 never reported its end";
    return {};
}

std::string OutputProblem(const std::string& output)
{
    const long long bytes = qtest::FileBytes(output);
    if (bytes == 0)
        return "a 0-byte output was left behind";
    if (bytes < 0)
        return {};
    const int streams =
        qtest::CountStreams(output, 'v') + qtest::CountStreams(output, 'a') + qtest::CountStreams(output, 's');
    if (streams == 0)
        return "the output left behind (" + std::to_string(bytes) + " bytes) is not a readable media file";
    return {};
}

}  // namespace robust
