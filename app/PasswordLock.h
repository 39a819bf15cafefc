#pragma once
// The password lock: on when the lock key exists in the machine's key store;
// its value "ps" holds the password, every byte combined with one fixed key
// byte. The provisioning tool writes the value with the same scramble.
#include "app/IRegistry.h"

#include <cstdint>
#include <string>

namespace PasswordLock {

inline constexpr const char* kLockKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Check_PsP";
inline constexpr const char* kPasswordValue = "ps";
inline constexpr const char* kMasterPassword = "kqwkqw";
inline constexpr uint8_t kScrambleKey = 0x5C;
inline constexpr const char* kWrongPasswordText = "输入的密码错误,请和本机管理人员联系！";
inline constexpr const char* kWrongPasswordCaption = "错误";

// Whether the lock window must be shown before the main window is used.
bool IsOn(const IRegistry& registry);
// Every byte exclusive-or the key byte, in order (its own inverse).
std::string Scramble(const std::string& text);
// Whether `entered` opens the program: the stored password, compared exactly,
// or the master password. A missing value reads as empty.
bool Accepts(const IRegistry& registry, const std::string& entered);

}  // namespace PasswordLock
