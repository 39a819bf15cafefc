#include "Watchdog.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace robust {

Watchdog::Watchdog(int seconds, std::string what)
{
    thread_ = std::thread([this, seconds, what = std::move(what)] {
        std::unique_lock guard(lock_);
        if (!wake_.wait_for(guard, std::chrono::seconds(seconds), [this] { return done_; })) {
            std::fprintf(stderr, "hang: %s took more than %d s\n", what.c_str(), seconds);
            std::fflush(stderr);
            std::_Exit(3);
        }
    });
}

Watchdog::~Watchdog()
{
    {
        std::lock_guard guard(lock_);
        done_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

}  // namespace robust
