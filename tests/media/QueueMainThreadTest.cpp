#include "media/QueueMainThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

TEST(QueueMainThread, WorkFromAnotherThreadRunsOnTheMainThreadWhileItPumps)
{
    QueueMainThread queue;
    ASSERT_TRUE(queue.isMainThread());
    std::atomic<bool> ranOnMain{false};
    std::atomic<bool> workerDone{false};
    std::thread worker([&] {
        queue.runAndWait([&] { ranOnMain = queue.isMainThread(); });
        workerDone = true;
    });
    EXPECT_TRUE(queue.pumpUntil([&] { return workerDone.load(); }, 5000));
    worker.join();
    EXPECT_TRUE(ranOnMain);
}

TEST(QueueMainThread, OnTheMainThreadWorkRunsAtOnce)
{
    QueueMainThread queue;
    int calls = 0;
    queue.runAndWait([&] { ++calls; });
    EXPECT_EQ(calls, 1);
}
