#include "engine/GenericOptions.h"

#include "engine/OptionValues.h"
#include "media/TextFormat.h"

extern "C" {
#include <libavutil/log.h>
#include <libavutil/opt.h>
}

#include <algorithm>

namespace {

// The library's media type flag of each option context (0 matches every option).
constexpr int kTypeFlag[TGenericOptions::kCodecContextCount] = {AV_OPT_FLAG_VIDEO_PARAM, AV_OPT_FLAG_AUDIO_PARAM, 0,
                                                                AV_OPT_FLAG_SUBTITLE_PARAM, 0};
constexpr int kVideo = AVMEDIA_TYPE_VIDEO;
constexpr int kAudio = AVMEDIA_TYPE_AUDIO;
constexpr int kSubtitle = AVMEDIA_TYPE_SUBTITLE;

// Rate-control options the library now also marks for audio; they are video
// settings here, so an audio encoder never receives the video bit rate.
bool IsVideoOnly(const std::string& name)
{
    return name == "b" || name == "maxrate" || name == "minrate" || name == "bufsize";
}

const AVOption* FindInClass(const AVClass* cls, const std::string& name, int flags)
{
    if (!cls)
        return nullptr;
    return av_opt_find(&cls, name.c_str(), nullptr, flags, AV_OPT_SEARCH_FAKE_OBJ);
}

// The child class (a codec's or format's private class) that has `name`.
const AVClass* FindChildClass(const AVClass* parent, const std::string& name, int flags)
{
    void* iter = nullptr;
    while (const AVClass* child = av_opt_child_class_iterate(parent, &iter)) {
        if (FindInClass(child, name, flags))
            return child;
    }
    return nullptr;
}

const AVCodec* CodecOfClass(const AVClass* cls)
{
    const AVCodec* decoder = nullptr;
    void* iter = nullptr;
    while (const AVCodec* codec = av_codec_iterate(&iter)) {
        if (codec->priv_class != cls)
            continue;
        if (av_codec_is_encoder(codec))
            return codec;
        if (!decoder)
            decoder = codec;
    }
    return decoder;
}

const AVOutputFormat* MuxerOfClass(const AVClass* cls)
{
    void* iter = nullptr;
    while (const AVOutputFormat* muxer = av_muxer_iterate(&iter))
        if (muxer->priv_class == cls)
            return muxer;
    return nullptr;
}

// Checks a private option's value on a scratch context of its codec; true
// when the library took it (or there is nothing to check it against).
bool CodecAccepts(const AVCodec* codec, const std::string& name, const std::string& value)
{
    if (!codec)
        return true;
    AVCodecContextPtr scratch{avcodec_alloc_context3(codec)};
    if (!scratch)
        return true;
    return av_opt_set(scratch.get(), name.c_str(), value.c_str(), AV_OPT_SEARCH_CHILDREN) >= 0;
}

bool MuxerAccepts(const AVOutputFormat* muxer, const std::string& name, const std::string& value)
{
    if (!muxer)
        return true;
    AVFormatContext* raw = nullptr;
    if (avformat_alloc_output_context2(&raw, muxer, nullptr, nullptr) < 0 || !raw)
        return true;
    AVFormatContextPtr scratch{raw};
    return av_opt_set(scratch.get(), name.c_str(), value.c_str(), AV_OPT_SEARCH_CHILDREN) >= 0;
}

bool IsFlagsOption(const AVClass* cls, const std::string& name, int flags)
{
    const AVOption* option = FindInClass(cls, name, flags);
    return option && option->type == AV_OPT_TYPE_FLAGS;
}

std::string OptionText(void* obj, const std::string& name)
{
    uint8_t* text = nullptr;
    if (av_opt_get(obj, name.c_str(), 0, &text) < 0 || !text)
        return std::string();
    std::string result(reinterpret_cast<char*>(text));
    av_free(text);
    return result;
}

}  // namespace

void TGenericOptions::Create(int scalerFlags)
{
    Clear();
    for (auto& ctx : codec_)
        ctx.reset(avcodec_alloc_context3(nullptr));
    format_.reset(avformat_alloc_context());
    scaler_.reset(
        sws_getContext(16, 16, AV_PIX_FMT_YUV420P, 16, 16, AV_PIX_FMT_YUV420P, scalerFlags, nullptr, nullptr, nullptr));
}

void TGenericOptions::Clear()
{
    for (auto& ctx : codec_)
        ctx.reset();
    format_.reset();
    scaler_.reset();
    names_.clear();
    for (auto& texts : privateCodecText_)
        texts.clear();
    privateFormatText_.clear();
    for (auto& changes : codecFlagChanges_)
        changes.clear();
    formatFlagChanges_.clear();
}

AVCodecContext* TGenericOptions::CodecContext(AVMediaType type) const
{
    if (type < 0 || type >= kCodecContextCount)
        return nullptr;
    return codec_[type].get();
}

TGenericOptions::TFound TGenericOptions::TrySetCodec(int typeIndex, const std::string& name, const std::string& value,
                                                     const std::string& encoderName)
{
    AVCodecContext* ctx = codec_[typeIndex].get();
    if (!ctx)
        return fNone;
    const int flags = kTypeFlag[typeIndex];
    if (typeIndex == kAudio && IsVideoOnly(name))
        return fNone;
    if (const AVOption* option = FindInClass(avcodec_get_class(), name, flags)) {
        if (av_opt_set(ctx, name.c_str(), value.c_str(), 0) < 0)
            return fRejected;
        if (option->type == AV_OPT_TYPE_FLAGS)
            codecFlagChanges_[typeIndex][name].push_back(value);
        return fSet;
    }

    // a private option: prefer the encoder it is meant for
    const AVCodec* codec = nullptr;
    if (!encoderName.empty()) {
        const AVCodec* pending = avcodec_find_encoder_by_name(encoderName.c_str());
        if (pending && FindInClass(pending->priv_class, name, flags))
            codec = pending;
    }
    if (!codec) {
        const AVClass* child = FindChildClass(avcodec_get_class(), name, flags);
        if (!child)
            return fNone;
        codec = CodecOfClass(child);
    }
    if (!CodecAccepts(codec, name, value))
        return fRejected;
    privateCodecText_[typeIndex][name] = value;
    if (IsFlagsOption(codec ? codec->priv_class : nullptr, name, flags))
        codecFlagChanges_[typeIndex][name].push_back(value);
    return fSet;
}

TGenericOptions::TFound TGenericOptions::TrySetFormat(const std::string& name, const std::string& value)
{
    if (!format_)
        return fNone;
    if (const AVOption* option = FindInClass(avformat_get_class(), name, 0)) {
        if (av_opt_set(format_.get(), name.c_str(), value.c_str(), 0) < 0)
            return fRejected;
        if (option->type == AV_OPT_TYPE_FLAGS)
            formatFlagChanges_[name].push_back(value);
        return fSet;
    }
    const AVClass* child = FindChildClass(avformat_get_class(), name, 0);
    if (!child)
        return fNone;
    if (!MuxerAccepts(MuxerOfClass(child), name, value))
        return fRejected;
    privateFormatText_[name] = value;
    if (IsFlagsOption(child, name, 0))
        formatFlagChanges_[name].push_back(value);
    return fSet;
}

TGenericOptions::TFound TGenericOptions::TrySetScaler(const std::string& name, const std::string& value)
{
    if (!scaler_ || !FindInClass(sws_get_class(), name, 0))
        return fNone;
    return av_opt_set(scaler_.get(), name.c_str(), value.c_str(), 0) >= 0 ? fSet : fRejected;
}

bool TGenericOptions::Set(const std::string& rawName, const std::string& rawValue,
                          const std::array<std::string, 3>& encoderNames)
{
    const std::string name = TrimText(rawName);
    const std::string value = TrimText(rawValue);
    if (name.empty() || value.empty() || !Created())
        return false;

    const auto encoderFor = [&encoderNames](int typeIndex) -> std::string {
        switch (typeIndex) {
        case kVideo:
            return encoderNames[0];
        case kAudio:
            return encoderNames[1];
        case kSubtitle:
            return encoderNames[2];
        default:
            return std::string();
        }
    };

    TFound result = fNone;
    std::string setName = name;
    for (int type = 0; type < kCodecContextCount; ++type) {
        const TFound found = TrySetCodec(type, name, value, encoderFor(type));
        if (found == fRejected) {
            result = fRejected;
            break;
        }
        if (found == fSet)
            result = fSet;
    }
    if (result == fNone)
        result = TrySetFormat(name, value);
    if (result == fNone)
        result = TrySetScaler(name, value);
    if (result == fNone && name.size() > 1) {
        // "ab"-style names: the type letter, then the codec option
        int type = -1;
        switch (name[0]) {
        case 'a':
            type = kAudio;
            break;
        case 'v':
            type = kVideo;
            break;
        case 's':
            type = kSubtitle;
            break;
        default:
            break;
        }
        if (type >= 0) {
            setName = name.substr(1);
            result = TrySetCodec(type, setName, value, encoderFor(type));
        }
    }
    if (result == fRejected)
        av_log(nullptr, AV_LOG_ERROR, "Invalid value \"%s\" for option \"%s\"\n", value.c_str(), name.c_str());
    if (result != fSet)
        return false;
    Remember(setName);
    return true;
}

void TGenericOptions::Remember(const std::string& name)
{
    if (std::find(names_.begin(), names_.end(), name) == names_.end())
        names_.push_back(name);
}

std::string TGenericOptions::ValueText(AVMediaType type, const std::string& name) const
{
    if (type < 0 || type >= kCodecContextCount || !codec_[type])
        return std::string();
    const auto& texts = privateCodecText_[type];
    if (auto it = texts.find(name); it != texts.end())
        return it->second;
    if (!FindInClass(avcodec_get_class(), name, 0))
        return std::string();
    return OptionText(codec_[type].get(), name);
}

void TGenericOptions::ReplayInto(void* target, int mask, int typeIndex, bool format) const
{
    if (!target)
        return;
    for (const std::string& name : names_) {
        if ((mask & AV_OPT_FLAG_AUDIO_PARAM) && IsVideoOnly(name))
            continue;
        if (!av_opt_find(target, name.c_str(), nullptr, mask, AV_OPT_SEARCH_CHILDREN))
            continue;
        const auto& flagChanges = format ? formatFlagChanges_ : codecFlagChanges_[typeIndex];
        if (auto it = flagChanges.find(name); it != flagChanges.end()) {
            // each change in turn, on top of what the target's codec or format set
            for (const std::string& change : it->second)
                if (av_opt_set(target, name.c_str(), change.c_str(), AV_OPT_SEARCH_CHILDREN) < 0)
                    av_log(nullptr, AV_LOG_WARNING, "Could not apply option \"%s\" = \"%s\"\n", name.c_str(),
                           change.c_str());
            continue;
        }
        std::string text;
        if (format) {
            if (auto it = privateFormatText_.find(name); it != privateFormatText_.end())
                text = it->second;
            else if (FindInClass(avformat_get_class(), name, 0))
                text = OptionText(format_.get(), name);
            else
                continue;
        } else {
            const auto& texts = privateCodecText_[typeIndex];
            if (auto it = texts.find(name); it != texts.end())
                text = it->second;
            else if (FindInClass(avcodec_get_class(), name, 0))
                text = OptionText(codec_[typeIndex].get(), name);
            else
                continue;
        }
        if (av_opt_set(target, name.c_str(), text.c_str(), AV_OPT_SEARCH_CHILDREN) < 0)
            av_log(nullptr, AV_LOG_WARNING, "Could not apply option \"%s\" = \"%s\"\n", name.c_str(), text.c_str());
    }
}

void TGenericOptions::ReplayOnto(AVCodecContext* target, int mask) const
{
    int typeIndex = kVideo;
    if (mask & AV_OPT_FLAG_AUDIO_PARAM)
        typeIndex = kAudio;
    else if (mask & AV_OPT_FLAG_SUBTITLE_PARAM)
        typeIndex = kSubtitle;
    ReplayInto(target, mask, typeIndex, false);
}

void TGenericOptions::ReplayOnto(AVFormatContext* target, int mask) const { ReplayInto(target, mask, 0, true); }
