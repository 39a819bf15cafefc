#pragma once
// One window's theme: built-in styles and skin files are Qt style sheets.
#include "app/ISkinTarget.h"

class QWidget;

class WindowSkin final : public ISkinTarget {
public:
    explicit WindowSkin(QWidget* window) : window_(window) {}
    void ApplyBuiltInStyle(std::string_view styleName) override;
    // A file that cannot be read leaves the window as it is.
    void ApplySkinFile(const std::string& path) override;
    void RestoreWindows() override;

private:
    QWidget* window_;
};
