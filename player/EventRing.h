#pragma once
// The ring that carries engine facts (positions, states, stop) to the event
// thread. Posting never blocks; consecutive entries of one kind collapse into
// the newest, and a full ring drops its oldest entry.
#include "media/ManualResetEvent.h"

#include <cstdint>
#include <mutex>

enum class PlayerEventKind { Position = 1, State = 2, Stop = 3 };

struct PlayerEvent {
    PlayerEventKind Kind = PlayerEventKind::Position;
    int64_t Value = 0;  // a position in microseconds, or a TPlayState
};

class EventRing {
public:
    static constexpr int kCapacity = 10;  // at most kCapacity - 1 events wait

    void Post(const PlayerEvent& event);
    // Takes the oldest event; false when the ring is empty.
    bool Take(PlayerEvent& event);
    // Waits up to `timeoutMs` until something has been posted.
    bool WaitNotEmpty(int timeoutMs) const { return notEmpty_.WaitFor(timeoutMs); }
    int Count() const;
    void Clear();

private:
    mutable std::mutex lock_;  // guards entries_, readIndex_, writeIndex_
    PlayerEvent entries_[kCapacity];
    int readIndex_ = 0;  // oldest entry
    int writeIndex_ = 0;  // newest entry; empty when equal to readIndex_
    ManualResetEvent notEmpty_{false};  // RingNotEmptyEvent
};
