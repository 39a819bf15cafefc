// Quorvex: program start. Sets the title and the help file, creates every
// window once and runs until the main window closes.
#include "app/ConverterDurationProbe.h"
#include "app/ProgramPaths.h"
#include "app/SettingsFile.h"
#include "app/ui/ProgramWindows.h"
#include "app/ui/QtFormatChooser.h"
#include "app/ui/QtMainThread.h"
#include "app/ui/QtShell.h"
#include "app/ui/QtNotifier.h"
#include "app/ui/QtShutdown.h"
#include "app/ui/QtTranslations.h"
#include "app/ui/TForm1.h"
#include "app/ui/WindowsWiring.h"
#include "engine/IPreviewSink.h"
#include "engine/ui/TPreviewer.h"
#include "formats/ui/TForm7.h"
#include "formats/ui/TForm8.h"

#include <QApplication>

#include <cstdlib>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvex"));
    InstallQtChineseTranslations(application);  // without the package Qt's own texts stay English

    QtMainThread mainThread;
    SetMainThread(&mainThread);
    SetPreviewSinkFactory(TPreviewer::Factory());

    // ProgramFolder; the help file is help.html in it
    const ProgramPaths paths = ProgramPaths::FromEnvironment(QCoreApplication::applicationDirPath().toStdString());
    const SettingsFile settings(paths);
    QtShell shell;
    ConverterDurationProbe durationProbe;

    int exitCode = 0;
    QtNotifier notifier;  // outlives the windows, whose run reports to it
    {
        ProgramWindows windows(settings, shell);
        QtShutdown shutdown(&windows.Main());
        QtFormatChooser chooser(windows.FormatChooser(), windows.OptionWindow());
        windows.OptionWindow().SetDurationProbe(&durationProbe);
        windows.Main().Controller().SetFormatChooser(&chooser);
        windows.Main().Controller().SetShutdown(&shutdown);
        windows.Main().Controller().Run().SetRunEnded(
            [&notifier](const std::string& title, const std::string& text) { notifier.Notify(title, text); });
        QApplication::setWindowIcon(windows.Main().windowIcon());
        WindowsWiring wiring(windows, settings, shell);
        windows.ShowMain();
        // scripts/screenshot.sh --chooser N: the format chooser open on its page N
        if (const char* page = std::getenv("QUORVEX_SHOW_CHOOSER_PAGE"))
            windows.FormatChooser().ShowPage(std::atoi(page) - 1);
        // with the lock on, nothing can be used before the password is given
        if (wiring.PassLock())
            exitCode = QApplication::exec();
    }
    SetMainThread(nullptr);
    return exitCode;
}
