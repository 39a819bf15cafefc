#pragma once
// The format chooser TForm7 and the option window TForm8 as the add
// operations drive them.
#include "app/IFormatChooser.h"

class TForm7;
class TForm8;

class QtFormatChooser final : public IFormatChooser {
public:
    QtFormatChooser(TForm7& chooser, TForm8& optionWindow) : chooser_(chooser), optionWindow_(optionWindow) {}
    void ResetClipCheck(bool enabled) override;
    void RunModal() override;

private:
    TForm7& chooser_;
    TForm8& optionWindow_;
};
