#pragma once
// One window as the theme engine sees it.
#include <string>
#include <string_view>

class ISkinTarget {
public:
    virtual ~ISkinTarget() = default;
    // One of the built-in styles (kBuiltInStyles).
    virtual void ApplyBuiltInStyle(std::string_view styleName) = 0;
    // A skin file, by its full path; a missing file is handed over as it is.
    virtual void ApplySkinFile(const std::string& path) = 0;
    // Brings the program's minimised windows back.
    virtual void RestoreWindows() = 0;
};
