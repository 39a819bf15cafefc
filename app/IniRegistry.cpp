#include "app/IniRegistry.h"

#include "app/IniDocument.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

std::optional<IniDocument> Load(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return IniDocument::Parse(text.str());
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

}  // namespace

IniRegistry::IniRegistry(std::string path) : path_(std::move(path)) {}

IniRegistry IniRegistry::FromEnvironment()
{
    const char* overridden = std::getenv("QUORVEX_REGISTRY");
    return IniRegistry(overridden && *overridden ? overridden : kDefaultPath);
}

bool IniRegistry::KeyExists(const std::string& key) const
{
    const auto document = Load(path_);
    return document && document->HasSection(key);
}

std::optional<std::string> IniRegistry::ReadString(const std::string& key, const std::string& name) const
{
    const auto document = Load(path_);
    if (!document)
        return std::nullopt;
    const auto value = document->Value(key, name);
    if (!value)
        return std::nullopt;
    return HexDecode(*value);
}

std::string IniRegistry::HexEncode(const std::string& bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char c : bytes) {
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    return hex;
}

std::optional<std::string> IniRegistry::HexDecode(const std::string& hex)
{
    if (hex.size() % 2 != 0)
        return std::nullopt;
    std::string bytes;
    for (size_t i = 0; i < hex.size(); i += 2) {
        const int high = HexDigit(hex[i]);
        const int low = HexDigit(hex[i + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        bytes += static_cast<char>(high * 16 + low);
    }
    return bytes;
}
