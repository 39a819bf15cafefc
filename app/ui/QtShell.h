#pragma once
// The desktop's default open action through QDesktopServices (xdg-open).
#include "app/IShell.h"

class QtShell final : public IShell {
public:
    void OpenDefault(const std::string& target) override;
};
