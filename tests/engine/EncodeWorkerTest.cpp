// The encoder's own thread: pictures encoded in order off the caller's
// thread, a short queue that holds the caller back, a pause that waits for
// the picture being encoded, and a failure that ends the encoding.
#include "engine/EncodeWorker.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <future>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

AVFramePtr Picture(int64_t pts)
{
    AVFramePtr frame{av_frame_alloc()};
    frame->format = AV_PIX_FMT_GRAY8;
    frame->width = 16;
    frame->height = 16;
    if (av_frame_get_buffer(frame.get(), 0) < 0)
        throw std::bad_alloc();
    frame->pts = pts;
    return frame;
}

// An encoder that waits at each picture until the test lets it go on.
class HeldEncoder {
public:
    void Encode(AVFrame* picture)
    {
        std::unique_lock lock(lock_);
        started_.push_back(picture->pts);
        changed_.notify_all();
        changed_.wait(lock, [&] { return allowed_ >= started_.size(); });
        if (picture->pts == failAt_)
            throw std::runtime_error("Video encoding failed");
        done_.push_back(picture->pts);
        threads_.push_back(std::this_thread::get_id());
        changed_.notify_all();
    }
    void Allow(size_t pictures)
    {
        std::lock_guard lock(lock_);
        allowed_ = pictures;
        changed_.notify_all();
    }
    void WaitStarted(size_t pictures)
    {
        std::unique_lock lock(lock_);
        changed_.wait(lock, [&] { return started_.size() >= pictures; });
    }
    std::vector<int64_t> Done()
    {
        std::lock_guard lock(lock_);
        return done_;
    }
    std::vector<std::thread::id> Threads()
    {
        std::lock_guard lock(lock_);
        return threads_;
    }
    int64_t failAt_ = -1;

private:
    std::mutex lock_;
    std::condition_variable changed_;
    std::vector<int64_t> started_, done_;
    std::vector<std::thread::id> threads_;
    size_t allowed_ = 0;
};

TEST(EncodeWorker, EncodesEveryPictureInOrderOffTheCallersThreadAndFinishWaitsForThem)
{
    HeldEncoder encoder;
    encoder.Allow(1000);
    EncodeWorker worker([&](AVFrame* p) { encoder.Encode(p); }, 2);
    for (int64_t pts = 0; pts < 50; ++pts)
        worker.Push(Picture(pts).get());
    worker.Finish();
    std::vector<int64_t> want(50);
    for (int64_t pts = 0; pts < 50; ++pts)
        want[static_cast<size_t>(pts)] = pts;
    EXPECT_EQ(encoder.Done(), want);
    for (std::thread::id id : encoder.Threads())
        EXPECT_NE(id, std::this_thread::get_id());
}

TEST(EncodeWorker, AFullQueueHoldsTheCallerAndAPauseWaitsForThePictureBeingEncoded)
{
    HeldEncoder encoder;
    EncodeWorker worker([&](AVFrame* p) { encoder.Encode(p); }, 2);
    worker.Push(Picture(0).get());
    encoder.WaitStarted(1);  // picture 0 is being encoded, held
    worker.Push(Picture(1).get());
    worker.Push(Picture(2).get());  // two waiting: the queue is full

    std::promise<void> fourthQueued;
    std::thread caller([&] {
        worker.Push(Picture(3).get());
        fourthQueued.set_value();
    });
    std::future<void> queued = fourthQueued.get_future();
    std::future<void> idle = std::async(std::launch::async, [&] { worker.WaitIdle(); });
    // nothing moves while the encoder holds picture 0
    EXPECT_EQ(queued.wait_for(std::chrono::milliseconds(200)), std::future_status::timeout);
    EXPECT_EQ(idle.wait_for(std::chrono::milliseconds(0)), std::future_status::timeout);

    encoder.Allow(1);  // picture 0 done: room for picture 3
    queued.wait();
    caller.join();
    EXPECT_EQ(idle.wait_for(std::chrono::milliseconds(0)), std::future_status::timeout);
    encoder.Allow(4);
    idle.wait();  // idle only once every queued picture is encoded
    EXPECT_EQ(encoder.Done(), (std::vector<int64_t>{0, 1, 2, 3}));
    worker.Finish();
}

TEST(EncodeWorker, AFailureDropsTheQueuedPicturesAndIsRaisedByEveryLaterCall)
{
    HeldEncoder encoder;
    encoder.failAt_ = 1;
    EncodeWorker worker([&](AVFrame* p) { encoder.Encode(p); }, 2);
    worker.Push(Picture(0).get());
    encoder.WaitStarted(1);
    worker.Push(Picture(1).get());
    worker.Push(Picture(2).get());
    encoder.Allow(1000);  // 0 done, 1 fails, 2 is dropped
    worker.WaitIdle();
    EXPECT_THROW(worker.Push(Picture(3).get()), std::runtime_error);
    EXPECT_THROW(worker.Finish(), std::runtime_error);
    EXPECT_EQ(encoder.Done(), (std::vector<int64_t>{0}));
}

}  // namespace
