#pragma once
// The desktop services the chooser and the option window need, so their
// models run in tests with a fake and in the program on Qt.
#include <string>

class IFormatsDialogs {
public:
    virtual ~IFormatsDialogs() = default;
    // A message box with an information icon and an OK button; returns when closed.
    virtual void ShowInformation(const std::string& caption, const std::string& text) = 0;
    // Opens the file with the application the desktop associates with its type.
    virtual void OpenWithDefaultApplication(const std::string& path) = 0;
};
