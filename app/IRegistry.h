#pragma once
// The machine-wide key store that holds the password lock.
#include <optional>
#include <string>

class IRegistry {
public:
    virtual ~IRegistry() = default;
    // Whether the key (a path such as "Software\\...\\Check_PsP") exists.
    virtual bool KeyExists(const std::string& key) const = 0;
    // The raw bytes of one string value of the key, or nothing when missing.
    virtual std::optional<std::string> ReadString(const std::string& key, const std::string& name) const = 0;
};
