#pragma once
// Encodes one video stream's pictures on a thread of its own, so that the
// run's loop reads, decodes and scales the next pictures while the encoder
// works: the two take turns on the cores otherwise, each waiting for the
// other. The pictures go over in a short queue; the encoder's packets are
// written by the thread (the run guards its muxers for that).
#include "media/FFHandles.h"

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

class EncodeWorker {
public:
    // `encode` is called on the worker's thread, once per picture, in order.
    // What it raises ends the encoding: the pictures still queued are
    // dropped, and every later Push and Finish raises it.
    EncodeWorker(std::function<void(AVFrame*)> encode, size_t depth);
    // Ends the thread without raising; the pictures still queued are dropped.
    ~EncodeWorker();
    EncodeWorker(const EncodeWorker&) = delete;
    EncodeWorker& operator=(const EncodeWorker&) = delete;

    // Queues a reference to `picture`, waiting while `depth` pictures wait.
    void Push(const AVFrame* picture);
    // Waits until every queued picture is encoded (a pause holds all of a
    // run's work); the thread waits for the next one.
    void WaitIdle();
    // Waits until every queued picture is encoded and ends the thread.
    void Finish();

private:
    void Work();
    void Stop(bool drop);
    void RaiseFailure();

    std::function<void(AVFrame*)> encode_;
    const size_t depth_;
    std::mutex lock_;  // guards everything below but the thread
    std::condition_variable changed_;
    std::deque<AVFramePtr> queue_;
    bool busy_ = false;  // a picture is being encoded
    bool ending_ = false;
    std::exception_ptr failure_;
    std::thread thread_;
};
