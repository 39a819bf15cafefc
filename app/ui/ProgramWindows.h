#pragma once
// Every window of the program, created once at start in a fixed order and
// living until the end: the main window, then the about, lock, update,
// format-chooser, option and media-information windows. Only the main window
// is shown; the others apply the stored skin whenever they are shown.
#include "app/IShell.h"
#include "app/SettingsFile.h"

#include <memory>
#include <vector>

class QWidget;
class TForm1;
class TForm4;
class TForm5;
class TForm6;
class TForm7;
class TForm8;
class TForm9;

class ProgramWindows {
public:
    ProgramWindows(const SettingsFile& settings, IShell& shell);
    ~ProgramWindows();

    TForm1& Main() { return *form1_; }
    TForm4& About() { return *form4_; }
    TForm5& Lock() { return *form5_; }
    TForm6& Update() { return *form6_; }
    TForm7& FormatChooser() { return *form7_; }
    TForm8& OptionWindow() { return *form8_; }
    TForm9& MediaInformation() { return *form9_; }
    // The seven windows in the order they were created.
    std::vector<QWidget*> InCreationOrder() const;

    void ShowMain();

private:
    std::unique_ptr<TForm1> form1_;
    // owned by the main window as its children
    TForm4* form4_ = nullptr;
    TForm5* form5_ = nullptr;
    TForm6* form6_ = nullptr;
    TForm7* form7_ = nullptr;
    TForm8* form8_ = nullptr;
    TForm9* form9_ = nullptr;
};
