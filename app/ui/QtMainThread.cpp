#include "app/ui/QtMainThread.h"

#include <QCoreApplication>
#include <QThread>

QtMainThread::QtMainThread() = default;

bool QtMainThread::isMainThread() const { return QThread::currentThread() == QCoreApplication::instance()->thread(); }

void QtMainThread::runAndWait(const std::function<void()>& work)
{
    if (isMainThread()) {
        work();
        return;
    }
    auto job = std::make_shared<Job>();
    job->work = work;
    {
        std::lock_guard<std::mutex> guard(lock_);
        queue_.push_back(job);
    }
    // The event loop runs the queue soon; a main thread that is waiting for
    // this worker runs it from processPending() instead.
    QMetaObject::invokeMethod(
        this, [this] { RunQueued(); }, Qt::QueuedConnection);
    std::unique_lock<std::mutex> guard(lock_);
    finished_.wait(guard, [&] { return job->finished; });
}

void QtMainThread::RunQueued()
{
    for (;;) {
        std::shared_ptr<Job> job;
        {
            std::lock_guard<std::mutex> guard(lock_);
            if (queue_.empty())
                return;
            job = queue_.front();
            queue_.pop_front();
        }
        job->work();
        {
            std::lock_guard<std::mutex> guard(lock_);
            job->finished = true;
        }
        finished_.notify_all();
    }
}

void QtMainThread::processPending()
{
    RunQueued();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}
