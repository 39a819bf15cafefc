#pragma once
// Reading and writing single values of an INI file on disk. Every call opens
// the file anew; nothing is cached between calls.
#include <stdexcept>
#include <string>

// A write the system refused; what() is "Unable to write to <path>".
class IniWriteError : public std::runtime_error {
public:
    explicit IniWriteError(const std::string& path);
};

namespace IniFile {

// The value of [section] key, or `defaultValue` when the file, the section or
// the key is missing or the file cannot be read.
std::string ReadString(const std::string& path, const std::string& section, const std::string& key,
                       const std::string& defaultValue);

// Sets [section] key = value, creating the file and the section when missing
// and keeping every other line. Throws IniWriteError when it cannot be written.
void WriteString(const std::string& path, const std::string& section, const std::string& key, const std::string& value);

}  // namespace IniFile
