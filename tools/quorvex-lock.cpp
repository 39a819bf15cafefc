// quorvex-lock: provisions the password lock of Quorvex on this machine.
//   quorvex-lock set [PASSWORD]   lock on; without PASSWORD it is read from standard input
//   quorvex-lock remove           lock off
// The key-store file is /etc/quorvex/registry.ini, or the file QUORVEX_REGISTRY names.
#include "app/IniRegistry.h"
#include "app/PasswordLock.h"
#include "app/RegistryFileWriter.h"

#include <cstring>
#include <iostream>
#include <string>

namespace {

int Usage()
{
    std::cerr << "usage: quorvex-lock set [PASSWORD] | quorvex-lock remove\n";
    return 2;
}

}  // namespace

int main(int argc, char* argv[])
{
    if (argc < 2)
        return Usage();
    const std::string path = IniRegistry::FromEnvironment().Path();
    const std::string command = argv[1];
    if (command == "set" && argc <= 3) {
        std::string password;
        if (argc == 3)
            password = argv[2];
        else
            std::getline(std::cin, password);
        if (!password.empty() && password.back() == '\r')
            password.pop_back();
        if (!RegistryFileWriter::WriteString(path, PasswordLock::kLockKey, PasswordLock::kPasswordValue,
                                             PasswordLock::Scramble(password))) {
            std::cerr << "quorvex-lock: cannot write " << path << ": " << std::strerror(errno) << "\n";
            return 1;
        }
        return 0;
    }
    if (command == "remove" && argc == 2) {
        if (!RegistryFileWriter::RemoveKey(path, PasswordLock::kLockKey)) {
            std::cerr << "quorvex-lock: cannot write " << path << ": " << std::strerror(errno) << "\n";
            return 1;
        }
        return 0;
    }
    return Usage();
}
