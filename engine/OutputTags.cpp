#include "engine/OutputTags.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/avstring.h>
}

#include <cstring>

namespace {

// mov/mp4 file-type fields and the writing program's name
constexpr const char* kContainerOwnKeys[] = {"major_brand", "minor_version", "compatible_brands", "encoder"};

bool IsContainerOwnKey(const char* key)
{
    for (const char* own : kContainerOwnKeys)
        if (av_strcasecmp(key, own) == 0)
            return true;
    return false;
}

}  // namespace

void CopyGlobalTags(const AVDictionary* source, AVDictionary** target)
{
    const AVDictionaryEntry* entry = nullptr;
    while ((entry = av_dict_get(source, "", entry, AV_DICT_IGNORE_SUFFIX))) {
        if (IsContainerOwnKey(entry->key) || !entry->value || !*entry->value)
            continue;
        av_dict_set(target, entry->key, entry->value, AV_DICT_DONT_OVERWRITE);
    }
}

bool MuxerKeepsCover(const AVOutputFormat* muxer, AVCodecID picture)
{
    if (!muxer || (picture != AV_CODEC_ID_MJPEG && picture != AV_CODEC_ID_PNG))
        return false;
    for (const char* name : {"mp3", "ipod", "mp4", "mov"})
        if (std::strcmp(muxer->name, name) == 0)
            return true;
    return false;
}

int CoverPictureStream(const AVFormatContext* input)
{
    if (!input)
        return -1;
    for (unsigned i = 0; i < input->nb_streams; ++i) {
        const AVStream* st = input->streams[i];
        if ((st->disposition & AV_DISPOSITION_ATTACHED_PIC) && st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO)
            return static_cast<int>(i);
    }
    return -1;
}
