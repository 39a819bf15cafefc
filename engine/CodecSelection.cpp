#include "engine/CodecSelection.h"

#include "engine/AmrNbEncoder.h"
#include "engine/LibraryEncoder.h"
#include "media/TFFLogger.h"
#include "media/TextFormat.h"

#include <cstdio>
#include <stdexcept>

namespace {

const AVCodec* FindByName(const std::string& name, bool encoder)
{
    return encoder ? avcodec_find_encoder_by_name(name.c_str()) : avcodec_find_decoder_by_name(name.c_str());
}

// Encoder names of the catalogue that the packaged library lacks, served by
// another encoder of the same format; nothing chosen for other names.
TCodecChoice MissingEncoderSubstitute(const std::string& name)
{
    if (name == "libfaac")
        return LibraryCodecChoice(avcodec_find_encoder_by_name("aac"));
    if (name == "libopencore_amrnb")
        return AmrNbEncoder::MakeChoice(name.c_str());
    return TCodecChoice{};
}

bool ServeMissingEncoder(const std::string& name, TCodecChoice& choice, const void* logSender)
{
    const TCodecChoice substitute = MissingEncoderSubstitute(name);
    if (!substitute.Chosen())
        return false;
    choice = substitute;
    if (substitute.IsEncoderOnly())
        GetFFLogger().LogFmt(logSender, llVerbose, "Encoder '%s' is served by the engine's AMR-NB encoder",
                             name.c_str());
    else
        GetFFLogger().LogFmt(logSender, llInfo, "Encoder '%s' is not available, using the native encoder '%s'",
                             name.c_str(), substitute.name.c_str());
    return true;
}

}  // namespace

TCodecChoice LibraryCodecChoice(const AVCodec* codec)
{
    TCodecChoice choice;
    if (!codec)
        return choice;
    choice.source = TCodecChoice::csLibrary;
    choice.id = codec->id;
    choice.type = codec->type;
    choice.name = codec->name;
    choice.codec = codec;
    choice.supportedSampleRates = codec->supported_samplerates;
    choice.sampleFormats = codec->sample_fmts;
    choice.pixelFormats = codec->pix_fmts;
    choice.frameRates = codec->supported_framerates;
    choice.capabilities = codec->capabilities;
    return choice;
}

TCodecChoice EncoderForId(AVCodecID id)
{
    if (id == AV_CODEC_ID_NONE)
        return {};
    if (const AVCodec* codec = avcodec_find_encoder(id))
        return LibraryCodecChoice(codec);
    if (id == AV_CODEC_ID_AMR_NB)
        return AmrNbEncoder::MakeChoice();
    return {};
}

std::unique_ptr<IStreamEncoder> TCodecChoice::CreateEncoder() const
{
    switch (source) {
    case csLibrary:
        if (codec && av_codec_is_encoder(codec))
            return std::make_unique<LibraryEncoder>(*this);
        break;
    case csEngineAmrNb:
        return std::make_unique<AmrNbEncoder>(*this);
    case csNone:
        break;
    }
    throw std::logic_error("CreateEncoder: no encoder was chosen");
}

bool EncoderPresent(const std::string& name)
{
    return FindByName(name, true) || MissingEncoderSubstitute(name).Chosen();
}

bool SelectCodec(const std::string& name, AVMediaType type, bool encoder, int strictness, TCodecChoice& choice,
                 std::string& error, const void* logSender)
{
    choice = TCodecChoice{};
    if (name.empty())
        return true;
    const char* kind = encoder ? "encoder" : "decoder";

    TCodecChoice found = LibraryCodecChoice(FindByName(name, encoder));
    if (!found.Chosen() && !(encoder && ServeMissingEncoder(name, found, logSender))) {
        error = FormatText("Unknown %s '%s'", kind, name.c_str());
        return false;
    }
    if (found.type != type) {
        error = FormatText("Invalid %s type '%s'", kind, name.c_str());
        return false;
    }
    if ((found.capabilities & AV_CODEC_CAP_EXPERIMENTAL) && strictness > FF_COMPLIANCE_EXPERIMENTAL) {
        error = FormatText("%s '%s' is experimental and might produce bad results.\r\n"
                           "Add '-strict experimental' if you want to use it.",
                           kind, found.name.c_str());
        const AVCodec* byId = encoder ? avcodec_find_encoder(found.id) : avcodec_find_decoder(found.id);
        if (byId && !(byId->capabilities & AV_CODEC_CAP_EXPERIMENTAL))
            error += "\r\n" + FormatText("Or use the non experimental %s '%s'.", kind, byId->name);
        return false;
    }
    choice = found;
    return true;
}
