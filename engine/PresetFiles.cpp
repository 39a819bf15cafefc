// Presets: name=value option lines from the built-in table or from a file.
#include "engine/BuiltinPresets.h"
#include "engine/OptionValues.h"
#include "engine/TCustomFFmpeg.h"
#include "media/TextFormat.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

bool ReadWholeFile(const std::string& path, std::string& text)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return false;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream content;
    content << in.rdbuf();
    text = content.str();
    return true;
}

}  // namespace

void TCustomFFmpeg::ApplyPreset(const std::string& optionName, const std::string& presetName)
{
    if (presetName.empty())
        return;

    std::string lookupName = presetName;
    const char* builtin = nullptr;
    if (optionName != "fpre") {
        builtin = FindBuiltinPreset(lookupName);
        if (!builtin) {
            std::string prefix;
            if (optionName == "vpre" && !pending_.videoCodecName.empty())
                prefix = pending_.videoCodecName;
            else if (optionName == "apre" && !pending_.audioCodecName.empty())
                prefix = pending_.audioCodecName;
            else if (!pending_.subtitleCodecName.empty())
                prefix = pending_.subtitleCodecName;
            if (!prefix.empty()) {
                lookupName = prefix + "-" + presetName;
                builtin = FindBuiltinPreset(lookupName);
            }
        }
    }

    std::string text;
    if (builtin) {
        text = builtin;
    } else {
        lookupName = presetName;
        if (!ReadWholeFile(presetName, text))
            throw FFmpegException::Format("Preset \"%s\" not found", presetName.c_str());
    }

    for (const std::string& rawLine : SplitLines(NormaliseLineEnds(TrimText(text), false))) {
        const std::string line = TrimText(rawLine);
        if (line.empty())
            continue;
        const size_t equals = line.find('=');
        const std::string name = equals == std::string::npos ? line : line.substr(0, equals);
        const std::string value = equals == std::string::npos ? std::string() : line.substr(equals + 1);
        if (equals == std::string::npos || name.empty() || value.empty())
            throw FFmpegException::Format("%s: Invalid syntax: \"%s\"", lookupName.c_str(), line.c_str());
        const std::string lowered = LowerText(name);
        if (lowered == "acodec")
            SetCodecName(AVMEDIA_TYPE_AUDIO, value);
        else if (lowered == "vcodec")
            SetCodecName(AVMEDIA_TYPE_VIDEO, value);
        else if (lowered == "scodec")
            SetCodecName(AVMEDIA_TYPE_SUBTITLE, value);
        else if (!SetGenericOption(name, value))
            throw FFmpegException::Format("%s: Invalid option or argument: \"%s\", parsed as \"%s\" = \"%s\"",
                                          lookupName.c_str(), line.c_str(), name.c_str(), value.c_str());
    }
}
