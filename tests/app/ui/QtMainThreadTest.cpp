#include "MainWindowFixture.h"
#include "app/ui/QtMainThread.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace {

TEST(QtMainThread, RunsAtOnceOnTheMainThread)
{
    QtMainThread mainThread;
    EXPECT_TRUE(mainThread.isMainThread());
    int runs = 0;
    mainThread.runAndWait([&] { ++runs; });
    EXPECT_EQ(runs, 1);
}

TEST(QtMainThread, WorkerWaitsWhileTheMainThreadServesItFromProcessPending)
{
    QtMainThread mainThread;
    QThread* ranOn = nullptr;
    std::atomic<bool> workerDone{false};
    bool workerSawMain = true;
    std::thread worker([&] {
        workerSawMain = mainThread.isMainThread();
        mainThread.runAndWait([&] { ranOn = QThread::currentThread(); });
        workerDone = true;
    });
    // the main thread waits for the worker, serving hand-overs as it waits
    QElapsedTimer clock;
    clock.start();
    while (!workerDone && clock.elapsed() < 5000)
        mainThread.processPending();
    worker.join();
    EXPECT_FALSE(workerSawMain);
    EXPECT_TRUE(workerDone);
    EXPECT_EQ(ranOn, QCoreApplication::instance()->thread());
}

TEST(QtMainThread, EventLoopRunsHandOversInTheOrderTheyCame)
{
    QtMainThread mainThread;
    std::vector<int> order;
    QEventLoop loop;
    std::thread worker([&] {
        for (int i = 0; i < 3; ++i)
            mainThread.runAndWait([&order, i] { order.push_back(i); });
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    loop.exec();
    worker.join();
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
}

}  // namespace

QUORVEX_QT_TEST_MAIN()
