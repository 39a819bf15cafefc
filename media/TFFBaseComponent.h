#pragma once
// The common base of the logger, probe, converter and player. It adds nothing
// of its own; it gives every component one type a log Sender can point to.
class TFFBaseComponent {
public:
    TFFBaseComponent() = default;
    virtual ~TFFBaseComponent() = default;
    TFFBaseComponent(const TFFBaseComponent&) = delete;
    TFFBaseComponent& operator=(const TFFBaseComponent&) = delete;
};
