#include "app/RegistryFileWriter.h"

#include "app/IniDocument.h"
#include "app/IniRegistry.h"
#include "media/TextFormat.h"

#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool WriteAll(const std::string& path, const std::string& text)
{
    std::error_code ignored;
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    if (!parent.empty())
        std::filesystem::create_directories(parent, ignored);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    return static_cast<bool>(out);
}

std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

namespace RegistryFileWriter {

bool WriteString(const std::string& path, const std::string& key, const std::string& name, const std::string& bytes)
{
    IniDocument document = IniDocument::Parse(ReadAll(path));
    document.SetValue(key, name, IniRegistry::HexEncode(bytes));
    return WriteAll(path, document.Text());
}

bool RemoveKey(const std::string& path, const std::string& key)
{
    if (!std::filesystem::exists(path))
        return true;
    std::istringstream in(ReadAll(path));
    std::string kept;
    std::string line;
    bool inKey = false;
    while (std::getline(in, line)) {
        const std::string trimmed = TrimText(line);
        if (!trimmed.empty() && trimmed.front() == '[' && trimmed.back() == ']')
            inKey = Lower(TrimText(trimmed.substr(1, trimmed.size() - 2))) == Lower(key);
        if (!inKey)
            kept += line + "\n";
    }
    return WriteAll(path, kept);
}

}  // namespace RegistryFileWriter
