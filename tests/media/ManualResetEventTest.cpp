#include "media/ManualResetEvent.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

TEST(ManualResetEvent, StaysAsLastSetOrReset)
{
    struct Case {
        const char* name;
        bool initiallySet;
        std::vector<char> steps;  // 'S' Set, 'R' Reset
        bool expected;
    };
    const Case cases[] = {
        {"created set", true, {}, true},
        {"created clear", false, {}, false},
        {"set twice", false, {'S', 'S'}, true},
        {"reset after set", true, {'S', 'R'}, false},
        {"set after reset", true, {'R', 'S'}, true},
    };
    for (const Case& c : cases) {
        ManualResetEvent event(c.initiallySet);
        for (const char step : c.steps)
            step == 'S' ? event.Set() : event.Reset();
        EXPECT_EQ(event.IsSet(), c.expected) << c.name;
        // a set event does not wait; a clear one waits out its time
        EXPECT_EQ(event.WaitFor(c.expected ? 60'000 : 1), c.expected) << c.name;
        // waiting does not consume the state
        EXPECT_EQ(event.IsSet(), c.expected) << c.name;
    }
}

TEST(ManualResetEvent, OneSetReleasesEveryWaiter)
{
    ManualResetEvent event(false);
    std::atomic<int> released{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 4; ++i)
        waiters.emplace_back([&] {
            if (event.WaitFor(60'000))
                ++released;
        });
    event.Set();
    for (std::thread& waiter : waiters)
        waiter.join();
    EXPECT_EQ(released.load(), 4);
    event.Reset();
    EXPECT_FALSE(event.WaitFor(1));
}

}  // namespace
