#pragma once
// Changes to the key-store file that IniRegistry reads; used by the
// provisioning tool only (the program itself never writes the key store).
#include <string>

namespace RegistryFileWriter {
// Sets the string value `name` of `key` to `bytes` (stored hex-encoded),
// creating the file and the key when missing. False when it cannot be written.
bool WriteString(const std::string& path, const std::string& key, const std::string& name, const std::string& bytes);
// Removes `key` with all its values; every other line stays. True when the
// key is gone afterwards.
bool RemoveKey(const std::string& path, const std::string& key);
}  // namespace RegistryFileWriter
