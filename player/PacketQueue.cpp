#include "player/PacketQueue.h"

namespace {
uint8_t flushData[] = "FLUSH";
}

bool IsFlushPacket(const AVPacket* packet) { return packet && packet->data == flushData; }

void MakeFlushPacket(AVPacket* packet)
{
    av_packet_unref(packet);
    packet->data = flushData;
    packet->size = 0;
}

PacketQueue::~PacketQueue() { Flush(); }

void PacketQueue::Open()
{
    std::lock_guard guard(lock_);
    FlushLocked();
    aborted_ = false;
    entries_.push_back(Entry{});
    bytes_ += kEntryOverhead;
}

int PacketQueue::Put(AVPacket* packet)
{
    if (IsFlushPacket(packet)) {
        PutFlush();
        return 0;
    }
    AVPacketPtr copy{av_packet_alloc()};
    if (!copy)
        return -1;
    // av_packet_ref duplicates a payload that is not reference-counted, so
    // the queue always owns what it holds
    if (av_packet_ref(copy.get(), packet) < 0)
        return -1;
    av_packet_unref(packet);
    const int size = copy->size;
    std::lock_guard guard(lock_);
    entries_.push_back(Entry{std::move(copy)});
    bytes_ += size + kEntryOverhead;
    changed_.notify_all();
    return 0;
}

void PacketQueue::PutFlush()
{
    std::lock_guard guard(lock_);
    entries_.push_back(Entry{});
    bytes_ += kEntryOverhead;
    changed_.notify_all();
}

int PacketQueue::Get(AVPacket* packet, bool block)
{
    std::unique_lock guard(lock_);
    for (;;) {
        if (aborted_)
            return -1;
        if (!entries_.empty()) {
            const AVPacketPtr queued = std::move(entries_.front().packet);
            entries_.pop_front();
            av_packet_unref(packet);
            if (queued) {
                bytes_ -= queued->size + kEntryOverhead;
                av_packet_move_ref(packet, queued.get());
            } else {
                bytes_ -= kEntryOverhead;
                MakeFlushPacket(packet);
            }
            return 1;
        }
        if (!block)
            return 0;
        changed_.wait(guard);
    }
}

void PacketQueue::FlushLocked()
{
    entries_.clear();
    bytes_ = 0;
}

void PacketQueue::Flush()
{
    std::lock_guard guard(lock_);
    FlushLocked();
}

void PacketQueue::Abort()
{
    std::lock_guard guard(lock_);
    aborted_ = true;
    changed_.notify_all();
}

bool PacketQueue::Aborted() const
{
    std::lock_guard guard(lock_);
    return aborted_;
}

int PacketQueue::Count() const
{
    std::lock_guard guard(lock_);
    return static_cast<int>(entries_.size());
}

int PacketQueue::Bytes() const
{
    std::lock_guard guard(lock_);
    return bytes_;
}
