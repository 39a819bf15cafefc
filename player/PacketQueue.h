#pragma once
// A blocking queue of demuxed packets for one stream. The flush packet marks
// a discontinuity (a seek): consumers flush their decoder when they meet it.
#include "media/FFHandles.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>

// The flush packet's data reference; it has no payload.
bool IsFlushPacket(const AVPacket* packet);
// Makes `packet` the flush packet (no payload, data reference "FLUSH").
void MakeFlushPacket(AVPacket* packet);

class PacketQueue {
public:
    static constexpr int kEntryOverhead = 72;  // bytes counted per queued packet

    ~PacketQueue();
    // Clears the queue and the abort flag, and queues the flush packet.
    void Open();
    // Queues a reference to `packet` (the queue owns it afterwards); the flush
    // packet is queued as a marker. -1 when the payload cannot be kept.
    int Put(AVPacket* packet);
    void PutFlush();
    // 1 with a packet moved into `packet`, 0 when empty and not blocking, -1
    // when aborted.
    int Get(AVPacket* packet, bool block);
    void Flush();
    void Abort();
    bool Aborted() const;
    int Count() const;
    int Bytes() const;

private:
    struct Entry {
        AVPacketPtr packet;  // null: the flush packet
    };
    void FlushLocked();

    mutable std::mutex lock_;  // guards entries_, bytes_, aborted_
    std::condition_variable changed_;
    std::deque<Entry> entries_;
    int bytes_ = 0;
    bool aborted_ = false;
};
