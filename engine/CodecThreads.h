#pragma once
// How many threads the codecs, the scaler and the filter graphs of one task
// get: the cores this process may run on, shared by the tasks that run at
// once, fixed for a task when it starts.
extern "C" {
#include <libavcodec/avcodec.h>
#include <libswscale/swscale.h>
}

// The cores this process may run on (its CPU affinity, so `taskset` counts),
// at least 1.
int MachineCores();

// One task's share of `cores` when `runningTasks` run at once, at least 1.
int ThreadShare(int cores, int runningTasks);

// How many files the converter runs at once when the user leaves it to the
// program, for a machine of `cores` cores.
int AutomaticFilesAtOnce(int cores);

// Gives a codec context that is about to be opened with `codec` up to
// `threads` threads, with the threading the codec supports: frame threads for
// decoders that have them, slice threads for encoders that have them (no
// pictures held back), the codec's own threads for wrapped libraries
// (libx264: frame threads, as its defaults do); one thread for codecs without
// threading. A share of n > 1 threads is used as the library would use n
// cores on its own (libavcodec's codecs n + 1 threads); libx264 gets n. Slice
// threads are limited to the picture's rows of 16 lines.
void ApplyCodecThreads(AVCodecContext* ctx, const AVCodec* codec, int threads);

// A scaler from one picture size and format to another, with `threads` slice
// threads; scale with sws_scale_frame (sws_scale runs on one thread). Null on
// failure.
SwsContext* MakeScaler(int srcWidth, int srcHeight, AVPixelFormat srcFormat, int dstWidth, int dstHeight,
                       AVPixelFormat dstFormat, int flags, int threads);
