#pragma once
// The generic option setter of a transcoder task: library options that the
// dispatcher does not know are set on per-type option contexts (one codec
// context per media type, one format context, one scaler), and every accepted
// name is remembered so that it can be replayed onto the codec and format
// contexts that set-up creates later.
//
// Options that became private to one codec or muxer (x264's "8x8dct", the
// mpeg muxers' "muxrate", ...) cannot live on the generic contexts; their
// text is kept per type and replayed with the library's child search, which
// reaches the private options of a context allocated for its codec or format.
//
// Flag options ("flags=+loop", "movflags=+faststart") are changes to whatever
// the target holds: their texts are kept as given and replayed one by one onto
// the new context, so that an encoder's own defaults (libx264's closed GOPs)
// stay unless a change names them.
#include "media/FFHandles.h"

#include <array>
#include <map>
#include <string>
#include <vector>

// Flag masks for ReplayOnto (the library's option flags: encoding 1,
// decoding 2, audio 8, video 16, subtitle 32).
enum ReplayMask {
    rmVideoEncoder = 17,
    rmAudioEncoder = 9,
    rmVideoDecoder = 18,
    rmAudioDecoder = 10,
    rmInputFormat = 2,
    rmOutputFormat = 1,
    rmSubtitleEncoder = 33,
};

class TGenericOptions {
public:
    // The five codec option contexts, in the library's media type order.
    static constexpr int kCodecContextCount = 5;

    TGenericOptions() = default;

    // Creates the option contexts; the scaler with `scalerFlags`.
    void Create(int scalerFlags);
    // Frees the contexts and forgets the accepted names.
    void Clear();
    bool Created() const { return format_ != nullptr; }

    // Sets `name` to `value` where the library knows it. `encoderNames` are
    // the pending video, audio and subtitle encoder names, used to check a
    // private option against the codec it is meant for. False when the name
    // or value is empty, nothing knows the name, or the value was rejected
    // (the library's "Invalid value" line is logged then).
    bool Set(const std::string& name, const std::string& value, const std::array<std::string, 3>& encoderNames = {});

    // Writes every accepted option whose flags contain all of `mask` onto a
    // new codec context (replay onto an encoder after avcodec_alloc_context3
    // with its codec, so that private options reach it).
    void ReplayOnto(AVCodecContext* target, int mask) const;
    // The same onto a format context (after it has its format).
    void ReplayOnto(AVFormatContext* target, int mask) const;

    // The option context of a media type (video, audio, data, subtitle,
    // attachment), the format context and the scaler.
    AVCodecContext* CodecContext(AVMediaType type) const;
    AVFormatContext* FormatContext() const { return format_.get(); }
    SwsContext* Scaler() const { return scaler_.get(); }
    // Accepted names, in order of acceptance (a name set twice appears once).
    const std::vector<std::string>& Names() const { return names_; }

    // The current text of an accepted option for a media type's context
    // (private options included); empty when that context does not hold it.
    std::string ValueText(AVMediaType type, const std::string& name) const;

private:
    enum TFound { fNone, fSet, fRejected };
    TFound TrySetCodec(int typeIndex, const std::string& name, const std::string& value,
                       const std::string& encoderName);
    TFound TrySetFormat(const std::string& name, const std::string& value);
    TFound TrySetScaler(const std::string& name, const std::string& value);
    void Remember(const std::string& name);
    void ReplayInto(void* target, int mask, int typeIndex, bool format) const;

    std::array<AVCodecContextPtr, kCodecContextCount> codec_;
    AVFormatContextPtr format_;
    SwsContextPtr scaler_;
    std::vector<std::string> names_;
    // texts of private options, per codec context type and for the format
    std::array<std::map<std::string, std::string>, kCodecContextCount> privateCodecText_;
    std::map<std::string, std::string> privateFormatText_;
    // texts given to flag options, in order, per codec context type and for the format
    std::array<std::map<std::string, std::vector<std::string>>, kCodecContextCount> codecFlagChanges_;
    std::map<std::string, std::vector<std::string>> formatFlagChanges_;
};
