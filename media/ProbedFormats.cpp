#include "media/ProbedFormats.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/avstring.h>
#include <libavutil/mem.h>
}

#include <cstring>
#include <string>

namespace {

bool ReadsFileLists(const AVInputFormat* format)
{
    for (const char* name : {"concat", "hls", "dash"}) {
        if (av_match_name(name, format->name))
            return true;
    }
    return false;
}

// Built on every call: libavdevice may add its demuxers after the first open.
std::string ProbedFormatList()
{
    std::string list;
    void* opaque = nullptr;
    while (const AVInputFormat* format = av_demuxer_iterate(&opaque)) {
        if (ReadsFileLists(format))
            continue;
        if (!list.empty())
            list += ',';
        list += format->name;
    }
    return list;
}

}  // namespace

void LimitProbedFormats(AVFormatContext* context, const AVInputFormat* forced, const char* url)
{
    if (!context || forced || context->format_whitelist)
        return;
    const char* protocol = url ? avio_find_protocol_name(url) : nullptr;
    if (!protocol || std::strcmp(protocol, "file") != 0)
        return;
    // the context owns the list: avformat_close_input frees it with its other options
    context->format_whitelist = av_strdup(ProbedFormatList().c_str());
}
