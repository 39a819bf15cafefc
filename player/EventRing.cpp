#include "player/EventRing.h"

void EventRing::Post(const PlayerEvent& event)
{
    std::lock_guard guard(lock_);
    if (readIndex_ != writeIndex_ && entries_[writeIndex_].Kind == event.Kind) {
        entries_[writeIndex_] = event;
    } else {
        writeIndex_ = (writeIndex_ + 1) % kCapacity;
        if (writeIndex_ == readIndex_)
            readIndex_ = (readIndex_ + 1) % kCapacity;
        entries_[writeIndex_] = event;
    }
    notEmpty_.Set();
}

bool EventRing::Take(PlayerEvent& event)
{
    std::lock_guard guard(lock_);
    if (readIndex_ == writeIndex_) {
        notEmpty_.Reset();
        return false;
    }
    readIndex_ = (readIndex_ + 1) % kCapacity;
    event = entries_[readIndex_];
    if (readIndex_ == writeIndex_)
        notEmpty_.Reset();
    return true;
}

int EventRing::Count() const
{
    std::lock_guard guard(lock_);
    return (writeIndex_ - readIndex_ + kCapacity) % kCapacity;
}

void EventRing::Clear()
{
    std::lock_guard guard(lock_);
    readIndex_ = writeIndex_ = 0;
    notEmpty_.Reset();
}
