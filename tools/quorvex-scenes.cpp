// quorvex-scenes: the program's windows set up in a known state and saved as
// a picture of the screen, for scripts/screenshot.sh (run under Xvfb).
//   quorvex-scenes messagebox OUT.png
//       a question box of the main window, with its Chinese buttons
//   quorvex-scenes converting OUT.png FILE...
//       the main window maximised, the files converting at once (format 1 with
//       the option window's defaults): speed, time left, the list's progress
// GCC 12 warns about a copy inside std::string that the inlined option window
// model cannot reach (a known false -Wrestrict at -O2)
#pragma GCC diagnostic ignored "-Wrestrict"
#include "app/ConversionList.h"
#include "app/IFormatChooser.h"
#include "app/ProgramPaths.h"
#include "app/SettingsFile.h"
#include "app/ui/ProgramWindows.h"
#include "app/ui/QtMainThread.h"
#include "app/ui/QtShell.h"
#include "app/ui/QtTranslations.h"
#include "app/ui/TForm1.h"
#include "app/ui/WindowsWiring.h"
#include "formats/IFormatsDialogs.h"
#include "formats/OptionWindowModel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>
#include <QTreeWidget>
#include <cstdio>
#include <string>
#include <vector>

namespace {

class QuietFormatsDialogs : public IFormatsDialogs {
public:
    void ShowInformation(const std::string&, const std::string&) override {}
    void OpenWithDefaultApplication(const std::string&) override {}
};

// Takes format `number` with the option window's defaults, without showing them.
class DefaultsChooser : public IFormatChooser {
public:
    DefaultsChooser(FormatSession& session, int number) : session_(session), number_(number) {}
    void ResetClipCheck(bool) override {}
    void RunModal() override
    {
        session_.ChooserResult = kChooserGoOn;
        session_.FormatNumber = number_;
        QuietFormatsDialogs dialogs;
        OptionWindowModel options(session_, dialogs);
        options.Shown();
        options.Confirm();
    }

private:
    FormatSession& session_;
    int number_;
};

bool Save(const QString& out)
{
    QCoreApplication::processEvents();
    const bool saved = QGuiApplication::primaryScreen()->grabWindow(0).save(out);
    std::printf(saved ? "saved %s\n" : "could not save %s\n", out.toLocal8Bit().constData());
    return saved;
}

// Calls `done` once `ready` holds, checking after every pass of the event loop; false after `ms`.
void WhenReady(std::function<bool()> ready, std::function<void(bool)> done, int ms)
{
    auto* timer = new QTimer(qApp);
    auto* clock = new QElapsedTimer;
    clock->start();
    QObject::connect(timer, &QTimer::timeout, qApp, [=] {
        const bool ok = ready();
        if (!ok && clock->elapsed() < ms)
            return;
        timer->stop();
        timer->deleteLater();
        delete clock;
        done(ok);
    });
    timer->start(50);
}

}  // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s messagebox|converting OUT.png [FILE...]\n", argv[0]);
        return 2;
    }
    const std::string scene = argv[1];
    const QString out = QString::fromLocal8Bit(argv[2]);
    InstallQtChineseTranslations(application);
    QtMainThread mainThread;
    SetMainThread(&mainThread);
    const ProgramPaths paths = ProgramPaths::FromEnvironment(QCoreApplication::applicationDirPath().toStdString());
    const SettingsFile settings(paths);
    QtShell shell;
    int exitCode = 1;
    {
        ProgramWindows windows(settings, shell);
        WindowsWiring wiring(windows, settings, shell);
        MainWindowController& controller = windows.Main().Controller();
        DefaultsChooser chooser(controller.Session(), 1);
        controller.SetFormatChooser(&chooser);
        controller.suiComboBox1Change(0);  // nothing after the run
        if (scene == "messagebox") {
            windows.ShowMain();
            // the stop question: an OK/Cancel box
            WhenReady([] { return qobject_cast<QMessageBox*>(QApplication::activeModalWidget()) != nullptr; },
                      [&](bool shown) {
                          exitCode = shown && Save(out) ? 0 : 1;
                          if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
                              box->reject();
                          QApplication::quit();
                      },
                      10000);
            QTimer::singleShot(300, &windows.Main(), [&controller] { controller.Run().btnStopClick(); });
        } else if (scene == "converting") {
            std::vector<std::string> files;
            for (int i = 3; i < argc; ++i)
                files.emplace_back(argv[i]);
            windows.Main().showMaximized();
            // without a window manager nobody maximises: take the whole screen ourselves
            windows.Main().setGeometry(QGuiApplication::primaryScreen()->availableGeometry());
            controller.suiComboBox3Change(static_cast<int>(files.size()) - 1);  // all at once
            controller.List().AddDroppedFiles(files);
            controller.Run().btnStartClick();
            QTreeWidget* list = windows.Main().ConversionListWidget();
            WhenReady(
                [list, count = static_cast<int>(files.size())] {
                    if (list->topLevelItemCount() != count)
                        return false;
                    for (int row = 0; row < count; ++row)
                        if (list->topLevelItem(row)->text(9).isEmpty())
                            return false;  // no time left known yet
                    return true;
                },
                [&](bool ready) {
                    exitCode = ready && Save(out) ? 0 : 1;
                    controller.FormCloseQuery();
                    QApplication::quit();
                },
                60000);
        } else {
            std::fprintf(stderr, "unknown scene %s\n", scene.c_str());
            return 2;
        }
        QApplication::exec();
    }
    SetMainThread(nullptr);
    return exitCode;
}
