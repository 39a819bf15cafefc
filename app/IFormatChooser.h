#pragma once
// The format chooser and the option window as the add operations drive them.
class IFormatChooser {
public:
    virtual ~IFormatChooser() = default;
    // The option window's "允许截取视频": unchecked, enabled or not.
    virtual void ResetClipCheck(bool enabled) = 0;
    // Shows the chooser modally; the user goes on through the option window,
    // which writes OutputSettings. The session's ChooserResult tells the outcome.
    virtual void RunModal() = 0;
};
