#pragma once
// Where a running task waits while it is paused. The run passes the gate
// before every packet it reads and between the frames it writes; while the
// gate is closed nothing is read or written, and opening it lets the run
// continue exactly where it stopped.
#include <condition_variable>
#include <mutex>

class PauseGate {
public:
    void Close();
    void Open();
    bool IsClosed() const;
    // Returns at once when open; otherwise blocks until Open().
    void Pass();
    // True while a run waits at the closed gate (it then neither reads nor writes).
    bool Holding() const;

private:
    mutable std::mutex lock_;  // guards closed_, waiting_
    std::condition_variable opened_;
    bool closed_ = false;
    int waiting_ = 0;
};
