#include "app/PasswordLock.h"

namespace PasswordLock {

bool IsOn(const IRegistry& registry) { return registry.KeyExists(kLockKey); }

std::string Scramble(const std::string& text)
{
    std::string scrambled = text;
    for (char& c : scrambled)
        c = static_cast<char>(static_cast<uint8_t>(c) ^ kScrambleKey);
    return scrambled;
}

bool Accepts(const IRegistry& registry, const std::string& entered)
{
    const std::string stored = registry.ReadString(kLockKey, kPasswordValue).value_or("");
    return Scramble(entered) == stored || entered == kMasterPassword;
}

}  // namespace PasswordLock
