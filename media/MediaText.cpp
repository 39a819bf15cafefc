#include "media/MediaText.h"

#include "media/TextFormat.h"

extern "C" {
#include <libavutil/avutil.h>
#include <libavutil/error.h>
}

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

std::string DurationText(int64_t us)
{
    if (us == AV_NOPTS_VALUE)
        return "N/A";
    const int64_t seconds = us / 1000000;
    const long long hours = seconds / 3600;
    const int minutes = static_cast<int>((seconds / 60) % 60);
    const int secs = static_cast<int>(seconds % 60);
    const int ms = static_cast<int>((us % 1000000) * 1000 / 1000000);
    return FormatText("%.2lld:%.2d:%.2d.%.3d", hours, minutes, secs, ms);
}

std::string SizeText(int64_t bytes)
{
    if (bytes > 1073741824LL)
        return FormatText("%.2f GB", static_cast<double>(bytes) / 1073741824.0);
    if (bytes > 1048576LL)
        return FormatText("%.2f MB", static_cast<double>(bytes) / 1048576.0);
    if (bytes > 1024LL)
        return FormatText("%.2f KB", static_cast<double>(bytes) / 1024.0);
    return FormatText("%lld Byte", static_cast<long long>(bytes));
}

std::string ErrorCodeText(int code)
{
    // Matched by meaning: the numbers differ from those of older library builds.
    if (code == AVERROR_PATCHWELCOME)
        return "Not yet implemented in FFmpeg";
    if (code == AVERROR_PROTOCOL_NOT_FOUND)
        return "Unsupported network protocol";
    if (code == AVERROR_DEMUXER_NOT_FOUND || code == AVERROR(EILSEQ))
        return "Unknown format";
    if (code == AVERROR(EDOM))
        return "Number syntax expected in filename";
    if (code == AVERROR_EOF)
        return "End of file";
    if (code == AVERROR_INVALIDDATA || code == AVERROR(EINVAL))
        return "Invalid data found when processing input";
    if (code == AVERROR(ENOMEM))
        return "Not enough memory";
    if (code == AVERROR(EIO))
        return "I/O error";
    if (code == AVERROR(ENOENT))
        return "No such file or directory";
    // The system's errors by their names, the same in every locale.
    static const struct {
        int error;
        const char* text;
    } systemErrors[] = {
        {EACCES, "Permission denied"},
        {EPERM, "Operation not permitted"},
        {ENOSPC, "No space left on device"},
        {EDQUOT, "Disk quota exceeded"},
        {EFBIG, "File too large"},
        {EROFS, "Read-only file system"},
        {ENAMETOOLONG, "File name too long"},
        {EISDIR, "Is a directory"},
        {ENOTDIR, "Not a directory"},
        {EEXIST, "File exists"},
        {EBUSY, "Device or resource busy"},
        {EMFILE, "Too many open files"},
        {ELOOP, "Too many levels of symbolic links"},
        {EXDEV, "Invalid cross-device link"},
    };
    for (const auto& known : systemErrors)
        if (code == AVERROR(known.error))
            return known.text;
    char text[256];
    if (code < 0 && code > -4096 && av_strerror(code, text, sizeof text) == 0)
        return text;
    return FormatText("Error number %d occurred", code);
}

std::string ErrorText(const std::string& name, int code) { return name + ": " + ErrorCodeText(code); }

std::string CodecText(AVCodecID id, uint32_t codecTag, bool encoder)
{
    const AVCodec* codec = encoder ? avcodec_find_encoder(id) : avcodec_find_decoder(id);
    if (codec) {
        std::string text = codec->name;
        const std::string longName = TrimText(codec->long_name ? codec->long_name : "");
        if (!longName.empty())
            text = FormatText("%s(%s)", codec->name, longName.c_str());
        return text;
    }
    if (id == AV_CODEC_ID_MPEG2TS)
        return "mpeg2ts";
    // The codec is known by name although this build has no coder for it.
    if (id != AV_CODEC_ID_NONE) {
        if (const AVCodecDescriptor* descriptor = avcodec_descriptor_get(id)) {
            const std::string name = TrimText(descriptor->name ? descriptor->name : "");
            if (!name.empty())
                return name;
        }
    }
    const unsigned char bytes[4] = {
        static_cast<unsigned char>(codecTag & 0xff), static_cast<unsigned char>((codecTag >> 8) & 0xff),
        static_cast<unsigned char>((codecTag >> 16) & 0xff), static_cast<unsigned char>((codecTag >> 24) & 0xff)};
    bool printable = true;
    for (unsigned char b : bytes)
        printable = printable && b >= 32 && b <= 126;
    if (printable)
        return FormatText("%c%c%c%c / 0x%04X", bytes[0], bytes[1], bytes[2], bytes[3], codecTag);
    return FormatText("0x%04x", codecTag);
}

std::string CodecText(const AVCodecParameters* par, bool encoder)
{
    if (!par)
        return CodecText(AV_CODEC_ID_NONE, 0, encoder);
    return CodecText(par->codec_id, par->codec_tag, encoder);
}

std::string CodecText(const AVCodecContext* ctx, bool encoder)
{
    if (!ctx)
        return CodecText(AV_CODEC_ID_NONE, 0, encoder);
    return CodecText(ctx->codec_id, ctx->codec_tag, encoder);
}

std::string MediaTypeName(int mediaType)
{
    switch (mediaType) {
    case 0:
        return "Video";
    case 1:
        return "Audio";
    case 2:
        return "Data";
    case 3:
        return "Subtitle";
    case 4:
        return "Attachment";
    default:
        return "Unknown";
    }
}

std::string MetadataValue(const AVDictionary* metadata, const std::string& key, const std::string& defaultText)
{
    if (!metadata)
        return defaultText;
    const AVDictionaryEntry* entry = av_dict_get(metadata, key.c_str(), nullptr, 0);
    return entry && entry->value ? std::string(entry->value) : defaultText;
}

int CompareRational(AVRational a, AVRational b)
{
    // 64-bit products: 32-bit ones overflow for ordinary time bases (90000 * 90000).
    const int64_t left = static_cast<int64_t>(a.num) * b.den;
    const int64_t right = static_cast<int64_t>(b.num) * a.den;
    return left > right ? 1 : (left < right ? -1 : 0);
}

double RationalToFloat(AVRational r) { return static_cast<double>(r.num) / static_cast<double>(r.den); }

int64_t FileSize64(const std::string& fileName)
{
    struct stat info {};
    if (stat(fileName.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return -1;
    return static_cast<int64_t>(info.st_size);
}

std::string ProgramFolder()
{
    char path[4096];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0)
        return "./";
    std::string program(path, static_cast<size_t>(length));
    const auto slash = program.rfind('/');
    return slash == std::string::npos ? std::string("./") : program.substr(0, slash + 1);
}
