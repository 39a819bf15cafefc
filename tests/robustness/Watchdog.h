#pragma once
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace robust {

// Ends the test program with a message when a step takes longer than its
// bound; a hung stop or wait would otherwise only show as a suite timeout.
class Watchdog {
public:
    Watchdog(int seconds, std::string what);
    ~Watchdog();
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    std::mutex lock_;  // guards done_
    std::condition_variable wake_;
    bool done_ = false;
    std::thread thread_;
};

}  // namespace robust
