#pragma once
// Switches the computer off through systemd-logind (the same request
// `systemctl poweroff` makes); a refused request changes nothing.
#include "app/IShutdown.h"

class QtShutdown final : public IShutdown {
public:
    bool PowerOff() override;
};
