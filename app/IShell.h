#pragma once
// The desktop's default open action.
#include <string>

class IShell {
public:
    virtual ~IShell() = default;
    // Opens a folder or file path, a web address or a "mailto:" address with
    // the desktop's default handler. Failures are the desktop's business.
    virtual void OpenDefault(const std::string& target) = 0;
};
