#pragma once
// Collects what reaches the logger (component and library lines) while a
// test runs, on the test's own thread.
#include "media/TFFLogger.h"

#include <mutex>
#include <string>
#include <utility>
#include <vector>

class OptionTestLog {
public:
    explicit OptionTestLog(TLogLevel level = llDebug)
    {
        TFFLogger& logger = GetFFLogger();
        logger.SetTriggerEventInMainThread(false);
        logger.SetLogLevel(level);
        logger.InstallCallback();
        logger.SetOnLog([this](const void*, uint32_t, TLogLevel lineLevel, const std::string& text) {
            std::lock_guard guard(lock_);
            lines_.emplace_back(lineLevel, text);
        });
    }
    ~OptionTestLog() { GetFFLogger().SetOnLog(nullptr); }

    // True when a line at `level` contains `text`.
    bool Has(TLogLevel level, const std::string& text) const
    {
        std::lock_guard guard(lock_);
        for (const auto& [lineLevel, line] : lines_)
            if (lineLevel == level && line.find(text) != std::string::npos)
                return true;
        return false;
    }
    // Lines at any level containing `text`.
    int Count(const std::string& text) const
    {
        std::lock_guard guard(lock_);
        int count = 0;
        for (const auto& entry : lines_)
            if (entry.second.find(text) != std::string::npos)
                ++count;
        return count;
    }

private:
    mutable std::mutex lock_;  // guards lines_
    std::vector<std::pair<TLogLevel, std::string>> lines_;
};
