#pragma once
// Keeps a fuzz run to its time budget. libFuzzer looks at -max_total_time
// only between inputs, so one slow input that stays under -timeout (which
// would make it a hang) can keep a run going long after its budget. Each
// target starts this watchdog from LLVMFuzzerInitialize and names every input
// it starts; a few seconds after the budget the watchdog saves the input
// still running as "<artifact prefix>over-budget" and interrupts the run the
// way Ctrl+C does: libFuzzer prints its final statistics and exits with its
// "interrupted" status (72), so the slow input counts as a finding.
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace fuzzing {

class Budget {
public:
    // Reads -max_total_time and -artifact_prefix from the fuzzer's arguments;
    // without a total time (a single input being replayed) nothing is watched.
    static void Start(int* argc, char*** argv)
    {
        long seconds = 0;
        std::string prefix = "./";
        for (int i = 1; argc && argv && i < *argc; ++i) {
            const std::string_view arg = (*argv)[i];
            if (arg.rfind("-max_total_time=", 0) == 0)
                seconds = std::strtol((*argv)[i] + 16, nullptr, 10);
            else if (arg.rfind("-artifact_prefix=", 0) == 0)
                prefix = std::string(arg.substr(17));
        }
        if (seconds <= 0)
            return;
        std::thread([seconds, prefix] {
            std::this_thread::sleep_for(std::chrono::seconds(seconds + kGraceSeconds));
            const long running = Instance().SaveRunning(prefix + "over-budget");
            std::fprintf(stderr,
                         "==%d== time budget of %ld s over by %ld s: the input running for %ld s is in %sover-budget\n",
                         static_cast<int>(getpid()), seconds, kGraceSeconds, running, prefix.c_str());
            kill(getpid(), SIGINT);
        }).detach();
    }

    // Called at the start of every input.
    static void Running(const uint8_t* data, size_t size)
    {
        Budget& budget = Instance();
        std::lock_guard lock(budget.mutex_);
        budget.running_.assign(data, data + size);
        budget.started_ = std::chrono::steady_clock::now();
    }

private:
    static constexpr long kGraceSeconds = 8;

    static Budget& Instance()
    {
        static Budget* budget = new Budget;  // lives until _Exit; the watchdog may still use it
        return *budget;
    }

    // Saves the running input; gives the seconds it has been running.
    long SaveRunning(const std::string& path)
    {
        std::lock_guard lock(mutex_);
        if (FILE* file = std::fopen(path.c_str(), "wb")) {
            if (!running_.empty())
                std::fwrite(running_.data(), 1, running_.size(), file);
            std::fclose(file);
        }
        return static_cast<long>(
            std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - started_).count());
    }

    std::mutex mutex_;  // guards running_ and started_
    std::vector<uint8_t> running_;
    std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
};

}  // namespace fuzzing
