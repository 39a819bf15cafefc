#include "media/ProbedFormats.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/avstring.h>
#include <libavutil/mem.h>
}

#include <string>

namespace {

bool ReadsFileLists(const AVInputFormat* format) { return av_match_name("concat", format->name) != 0; }

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

void LimitProbedFormats(AVFormatContext* context, const AVInputFormat* forced)
{
    if (!context || forced || context->format_whitelist)
        return;
    // the context owns the list: avformat_close_input frees it with its other options
    context->format_whitelist = av_strdup(ProbedFormatList().c_str());
}
