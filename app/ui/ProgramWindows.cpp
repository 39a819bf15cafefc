#include "app/ui/ProgramWindows.h"

#include "app/ui/SkinOnShow.h"
#include "app/ui/TForm1.h"
#include "app/ui/TForm4.h"
#include "app/ui/TForm5.h"
#include "app/ui/TForm6.h"
#include "app/ui/TForm9.h"
#include "formats/ui/TForm7.h"
#include "formats/ui/TForm8.h"

ProgramWindows::ProgramWindows(const SettingsFile& settings, IShell& shell)
{
    form1_ = std::make_unique<TForm1>(settings, shell);
    FormatSession& session = form1_->Controller().Session();
    form4_ = new TForm4(form1_.get());
    form5_ = new TForm5(form1_.get());
    form6_ = new TForm6(form1_.get());
    form7_ = new TForm7(session, form1_.get());
    form8_ = new TForm8(session, form1_.get());
    form9_ = new TForm9(form1_.get());
    form7_->SetOptionWindow(form8_);

    for (QWidget* window : InCreationOrder()) {
        if (window != form1_.get())
            SkinOnShow::Install(window, settings);
    }
    QObject::connect(form1_.get(), &TForm1::aboutRequested, form4_, &QDialog::exec);
    QObject::connect(form1_.get(), &TForm1::updateRequested, form6_, &QDialog::exec);
}

ProgramWindows::~ProgramWindows() = default;

std::vector<QWidget*> ProgramWindows::InCreationOrder() const
{
    return {form1_.get(), form4_, form5_, form6_, form7_, form8_, form9_};
}

void ProgramWindows::ShowMain() { form1_->show(); }
