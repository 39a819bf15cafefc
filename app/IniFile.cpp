#include "app/IniFile.h"

#include "app/IniDocument.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

namespace fs = std::filesystem;

IniWriteError::IniWriteError(const std::string& path) : std::runtime_error("Unable to write to " + path) {}

namespace {

std::optional<std::string> ReadWholeFile(const std::string& path)
{
    std::error_code ec;
    if (!fs::is_regular_file(path, ec))
        return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

std::string IniFile::ReadString(const std::string& path, const std::string& section, const std::string& key,
                                const std::string& defaultValue)
{
    const std::optional<std::string> text = ReadWholeFile(path);
    if (!text)
        return defaultValue;
    return IniDocument::Parse(*text).Value(section, key).value_or(defaultValue);
}

void IniFile::WriteString(const std::string& path, const std::string& section, const std::string& key,
                          const std::string& value)
{
    std::error_code ec;
    if (fs::exists(path, ec) && !fs::is_regular_file(path, ec))
        throw IniWriteError(path);
    IniDocument doc = IniDocument::Parse(ReadWholeFile(path).value_or(std::string()));
    doc.SetValue(section, key, value);
    const std::string text = doc.Text();

    // Written beside the file and renamed over it, so a failed write never
    // leaves the other settings half-written.
    const std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out)
            throw IniWriteError(path);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        out.flush();
        if (!out) {
            out.close();
            fs::remove(temporary, ec);
            throw IniWriteError(path);
        }
    }
    fs::rename(temporary, path, ec);
    if (ec) {
        fs::remove(temporary, ec);
        throw IniWriteError(path);
    }
}
