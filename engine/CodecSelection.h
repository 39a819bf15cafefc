#pragma once
// Turning a codec name from the options ("mpeg4", "libmp3lame", ...) into a
// codec, and the encoders the rest of the engine works with.
//
// The engine asks for encoders by the names the format catalogue uses. Two of
// those names have no encoder in the packaged libavcodec, so codec selection
// serves them itself:
//   "libfaac"           -> the native "aac" encoder (the substitution is logged);
//   "libopencore_amrnb" -> the engine's own AMR-NB encoder (AmrNbEncoder.h).
// A TCodecChoice says which one was chosen and what it accepts (rates, formats);
// CreateEncoder() gives an IStreamEncoder that stream creation configures and
// the transcode loop drives, the same way whichever implementation is behind it.
extern "C" {
#include <libavcodec/avcodec.h>
}

#include "engine/IStreamEncoder.h"

#include <memory>
#include <string>

// What codec selection decided. `id` is AV_CODEC_ID_NONE when no codec was
// named (the caller then guesses one or keeps the library's choice).
struct TCodecChoice {
    enum TSource {
        csNone,  // nothing chosen
        csLibrary,  // a libavcodec codec: `codec` is set
        csEngineAmrNb,  // the engine's AMR-NB encoder on opencore-amr
    };

    TSource source = csNone;
    AVCodecID id = AV_CODEC_ID_NONE;
    AVMediaType type = AVMEDIA_TYPE_UNKNOWN;
    std::string name;  // the codec's own name ("aac" for a "libfaac" request)
    const AVCodec* codec = nullptr;  // only for csLibrary

    // What the encoder accepts; each list ends with its terminator
    // (0, AV_SAMPLE_FMT_NONE, AV_PIX_FMT_NONE, {0,0}) or is null when the
    // encoder takes anything.
    const int* supportedSampleRates = nullptr;
    const AVSampleFormat* sampleFormats = nullptr;
    const AVPixelFormat* pixelFormats = nullptr;
    const AVRational* frameRates = nullptr;
    int capabilities = 0;  // AV_CODEC_CAP_* bits

    bool Chosen() const { return source != csNone; }
    bool IsEncoderOnly() const { return source == csEngineAmrNb; }

    // A fresh encoder for one output stream; only for encoder choices.
    std::unique_ptr<IStreamEncoder> CreateEncoder() const;
};

// The choice for a libavcodec codec.
TCodecChoice LibraryCodecChoice(const AVCodec* codec);

// The encoder for a codec identifier (used when the output format guesses the
// codec): the library's encoder, or the engine's own one for AMR-NB. No
// choice (csNone) when nothing encodes that identifier.
TCodecChoice EncoderForId(AVCodecID id);

// Whether an encoder of this name can be chosen: the library has it, or
// codec selection serves the name itself ("libfaac", "libopencore_amrnb").
// What the format chooser asks before it offers an encoder.
bool EncoderPresent(const std::string& name);

// Codec selection by name (`encoder` picks encoders, else decoders):
//  - empty name: success, nothing chosen;
//  - unknown name: "Unknown %s '%s'";
//  - wrong media type: "Invalid %s type '%s'";
//  - experimental codec with `strictness` above experimental (-2): the
//    experimental text, with the non-experimental alternative appended when
//    the library has one for the same identifier.
// On failure returns false with the text in `error`. `logSender` is the
// object named in log lines (the task).
bool SelectCodec(const std::string& name, AVMediaType type, bool encoder, int strictness, TCodecChoice& choice,
                 std::string& error, const void* logSender = nullptr);
