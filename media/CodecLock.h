#pragma once
// The process-wide lock held around every codec open and close
// (avcodec_open2, avcodec_free_context of an opened context) and around
// reading an input's stream information (avformat_find_stream_info): those
// library calls are not safe to run concurrently.
//
// It is recursive so that a caller already holding it (e.g. while reading
// stream information) may close a codec without deadlocking itself. Hold it
// only around the library call, never while waiting for another thread.
//
//   { std::lock_guard guard(CodecLock()); avcodec_open2(ctx, codec, &opts); }
#include <mutex>

std::recursive_mutex& CodecLock();
