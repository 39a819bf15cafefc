#pragma once
// The machine-wide key store as an INI file: each key path is a section,
// each string value is kept hex-encoded so any bytes survive. The file is
// /etc/quorvex/registry.ini unless QUORVEX_REGISTRY names another one. Every
// call reads the file anew.
#include "app/IRegistry.h"

class IniRegistry final : public IRegistry {
public:
    explicit IniRegistry(std::string path);
    // The file named by QUORVEX_REGISTRY, or the machine-wide default.
    static IniRegistry FromEnvironment();
    static constexpr const char* kDefaultPath = "/etc/quorvex/registry.ini";

    const std::string& Path() const { return path_; }
    bool KeyExists(const std::string& key) const override;
    std::optional<std::string> ReadString(const std::string& key, const std::string& name) const override;

    // Lower-case hex digits of the bytes, and back; nothing for text that is
    // not an even number of hex digits.
    static std::string HexEncode(const std::string& bytes);
    static std::optional<std::string> HexDecode(const std::string& hex);

private:
    std::string path_;
};
