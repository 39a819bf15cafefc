#pragma once
// Switching the computer off.
class IShutdown {
public:
    virtual ~IShutdown() = default;
    // Asks the system to power the machine off; false when it refuses.
    virtual bool PowerOff() = 0;
};
