#include "app/SettingsFile.h"

#include "app/IniFile.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace {
constexpr const char* kFileName = "system.ini";
}

SettingsFile::SettingsFile(ProgramPaths paths) : paths_(std::move(paths)) {}

std::string SettingsFile::Path() const { return paths_.WritableFile(kFileName); }

bool SettingsFile::Exists() const
{
    std::error_code ec;
    return fs::is_regular_file(Path(), ec);
}

std::string SettingsFile::Read(const std::string& section, const std::string& key) const
{
    return IniFile::ReadString(Path(), section, key, SettingsKeys::kNotSet);
}

void SettingsFile::Write(const std::string& section, const std::string& key, const std::string& value) const
{
    const std::string path = Path();
    // the configuration folder is created on demand, at the first write
    std::error_code ec;
    fs::create_directories(fs::path(path).parent_path(), ec);
    IniFile::WriteString(path, section, key, value);
}
