#pragma once
// Small helpers shared by the probe, the converter, the previewer and the
// player: the exact texts shown for times, sizes, errors and codecs, and a
// few file and rational helpers.
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/dict.h>
#include <libavutil/rational.h>
}

#include <cstdint>
#include <string>

// "HH:MM:SS.mmm" of a microsecond count; hours may have more digits.
// AV_NOPTS_VALUE gives "N/A".
std::string DurationText(int64_t us);
// "%.2f GB" above 2^30, "%.2f MB" above 2^20, "%.2f KB" above 1024, else "%d Byte".
std::string SizeText(int64_t bytes);
// `name` + ": " + the text of a library error code ("End of file", ...).
std::string ErrorText(const std::string& name, int code);
// The text of a library error code alone.
std::string ErrorCodeText(int code);
// Codec description: "short(long name)", "mpeg2ts", the descriptor name, the
// printable tag "XXXX / 0xHHHH", or "0xhhhh".
std::string CodecText(const AVCodecParameters* par, bool encoder);
std::string CodecText(const AVCodecContext* ctx, bool encoder);
std::string CodecText(AVCodecID id, uint32_t codecTag, bool encoder);
// "Video", "Audio", "Data", "Subtitle", "Attachment", else "Unknown".
std::string MediaTypeName(int mediaType);
// The value of the first entry whose key matches exactly, or `defaultText`.
std::string MetadataValue(const AVDictionary* metadata, const std::string& key, const std::string& defaultText = "");
// Sign of a - b (1, 0 or -1), compared as a.num * b.den with b.num * a.den.
int CompareRational(AVRational a, AVRational b);
double RationalToFloat(AVRational r);
// Size of an existing regular file; -1 for a missing file or a directory.
int64_t FileSize64(const std::string& fileName);
// Folder of the running program, with a trailing "/".
std::string ProgramFolder();
