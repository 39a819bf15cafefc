#pragma once
// Opening an input context that was allocated and set up beforehand.
#include "media/FFHandles.h"

// avformat_open_input on `unopened` (from avformat_alloc_context, its fields
// set): the opened input, or null with the library's error in `result`. The
// library frees the context when the open fails, so `unopened` is empty
// afterwards either way; `options` keeps what the demuxer did not take.
AVFormatInputPtr OpenFormatInput(AVFormatContextPtr& unopened, const char* url, const AVInputFormat* format,
                                 AVDictionaryPtr& options, int& result);
