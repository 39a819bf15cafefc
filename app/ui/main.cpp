// Quorvex: program start. Sets the title and the help file, creates every
// window once in its order and shows the main window.
#include "app/ProgramPaths.h"
#include "app/SettingsFile.h"
#include "app/ui/QtMainThread.h"
#include "app/ui/QtShell.h"
#include "app/ui/SkinOnShow.h"
#include "app/ui/TForm1.h"
#include "app/ui/TForm4.h"
#include "app/ui/TForm5.h"
#include "app/ui/TForm6.h"
#include "app/ui/TForm9.h"

#include <QApplication>
#include <QDialog>

namespace {

// TODO: the format chooser and the option window replace these placeholders.
QDialog* MakePlaceholderWindow(QWidget* parent, const char* name, const char* caption) {
    auto* window = new QDialog(parent);
    window->setObjectName(QString::fromLatin1(name));
    window->setWindowTitle(QString::fromUtf8(caption));
    return window;
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvex"));

    QtMainThread mainThread;
    SetMainThread(&mainThread);

    // ProgramFolder; the help file is help.html in it
    const ProgramPaths paths = ProgramPaths::FromEnvironment(QCoreApplication::applicationDirPath().toStdString());
    const SettingsFile settings(paths);
    QtShell shell;

    int exitCode = 0;
    {
        TForm1 form1(settings, shell);
        QApplication::setWindowIcon(form1.windowIcon());
        auto* form4 = new TForm4(&form1);
        auto* form5 = new TForm5(&form1);
        auto* form6 = new TForm6(&form1);
        QDialog* form7 = MakePlaceholderWindow(&form1, "Form7", "选择转换格式");
        QDialog* form8 = MakePlaceholderWindow(&form1, "Form8", "选项设置");
        auto* form9 = new TForm9(&form1);
        for (QWidget* window : std::initializer_list<QWidget*>{form4, form5, form6, form7, form8, form9})
            SkinOnShow::Install(window, settings);

        QObject::connect(&form1, &TForm1::aboutRequested, form4, &QDialog::exec);
        QObject::connect(&form1, &TForm1::updateRequested, form6, &QDialog::exec);

        form1.show();
        exitCode = QApplication::exec();
    }
    SetMainThread(nullptr);
    return exitCode;
}
