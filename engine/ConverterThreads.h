#pragma once
// The converter's threads. The task's module has the worker that runs one
// conversion and the thread that ends a task which never started; the
// component's module has the thread that hands one termination record to
// OnTerminate. Both termination threads carry the same name in their module.
#include "engine/ConverterRecords.h"
#include "engine/ThreadPriority.h"

#include <functional>
#include <thread>

class TFFmpeg;

namespace FFmpegTask {

// Runs one conversion of `task` at `priority`, then sets the task's
// run-finished event.
class TConvertThread {
public:
    TConvertThread(TFFmpeg& task, TThreadPriority priority);
    ~TConvertThread();  // joins
    TConvertThread(const TConvertThread&) = delete;
    TConvertThread& operator=(const TConvertThread&) = delete;

private:
    std::thread thread_;
};

// Delivers the termination of a task that never started, then sets the
// task's termination-delivered event.
class TDoTerminateThread {
public:
    explicit TDoTerminateThread(TFFmpeg& task);
    ~TDoTerminateThread();  // joins
    TDoTerminateThread(const TDoTerminateThread&) = delete;
    TDoTerminateThread& operator=(const TDoTerminateThread&) = delete;

private:
    std::thread thread_;
};

}  // namespace FFmpegTask

namespace MediaConverter {

// Calls `deliver` with a copy of one termination record on a thread that
// frees itself; `done` runs on that thread afterwards.
class TDoTerminateThread {
public:
    static void Start(TTerminateInfo info, std::function<void(const TTerminateInfo&)> deliver,
                      std::function<void()> done);
};

}  // namespace MediaConverter
