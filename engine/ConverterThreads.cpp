#include "engine/ConverterThreads.h"

#include "engine/TFFmpeg.h"

namespace {

// Joins `thread`, or lets it go when the owner is freed on that very thread.
void JoinOrRelease(std::thread& thread)
{
    if (!thread.joinable())
        return;
    if (thread.get_id() == std::this_thread::get_id())
        thread.detach();
    else
        thread.join();
}

}  // namespace

namespace FFmpegTask {

TConvertThread::TConvertThread(TFFmpeg& task, TThreadPriority priority)
    : thread_([&task, priority] {
          ApplyThreadPriority(priority);
          task.Run();
          task.RunFinishedEvent().Set();
      })
{}

TConvertThread::~TConvertThread() { JoinOrRelease(thread_); }

TDoTerminateThread::TDoTerminateThread(TFFmpeg& task)
    : thread_([&task] {
          task.DeliverTermination();
          task.TerminationDeliveredEvent().Set();
      })
{}

TDoTerminateThread::~TDoTerminateThread() { JoinOrRelease(thread_); }

}  // namespace FFmpegTask

namespace MediaConverter {

void TDoTerminateThread::Start(TTerminateInfo info, std::function<void(const TTerminateInfo&)> deliver,
                               std::function<void()> done)
{
    std::thread([info = std::move(info), deliver = std::move(deliver), done = std::move(done)] {
        deliver(info);
        done();
    }).detach();
}

}  // namespace MediaConverter
