#include "engine/EncodeWorker.h"

#include <new>
#include <utility>

EncodeWorker::EncodeWorker(std::function<void(AVFrame*)> encode, size_t depth)
    : encode_(std::move(encode)), depth_(depth > 0 ? depth : 1)
{
    thread_ = std::thread([this] { Work(); });
}

EncodeWorker::~EncodeWorker() { Stop(true); }

void EncodeWorker::Push(const AVFrame* picture)
{
    AVFramePtr copy{av_frame_alloc()};
    if (!copy || av_frame_ref(copy.get(), picture) < 0)
        throw std::bad_alloc();
    std::unique_lock lock(lock_);
    changed_.wait(lock, [this] { return queue_.size() < depth_ || failure_; });
    RaiseFailure();
    queue_.push_back(std::move(copy));
    changed_.notify_all();
}

void EncodeWorker::WaitIdle()
{
    std::unique_lock lock(lock_);
    changed_.wait(lock, [this] { return queue_.empty() && !busy_; });
}

void EncodeWorker::Finish()
{
    Stop(false);
    std::lock_guard lock(lock_);
    RaiseFailure();
}

void EncodeWorker::Stop(bool drop)
{
    {
        std::lock_guard lock(lock_);
        if (drop)
            queue_.clear();
        ending_ = true;
        changed_.notify_all();
    }
    if (thread_.joinable())
        thread_.join();
}

void EncodeWorker::RaiseFailure()
{
    if (failure_)
        std::rethrow_exception(failure_);
}

void EncodeWorker::Work()
{
    std::unique_lock lock(lock_);
    for (;;) {
        changed_.wait(lock, [this] { return !queue_.empty() || ending_; });
        if (queue_.empty())
            return;
        AVFramePtr picture = std::move(queue_.front());
        queue_.pop_front();
        busy_ = true;
        changed_.notify_all();
        lock.unlock();
        std::exception_ptr failure;
        try {
            encode_(picture.get());
        } catch (...) {
            failure = std::current_exception();
        }
        picture.reset();
        lock.lock();
        busy_ = false;
        if (failure) {
            failure_ = failure;
            queue_.clear();
        }
        changed_.notify_all();
    }
}
