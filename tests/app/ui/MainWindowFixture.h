#pragma once
// A main window whose program folder, home and settings file live in a
// scratch folder; the pictures come from the source tree.
#include "../AppFakes.h"
#include "app/SettingsFile.h"
#include "app/ui/TForm1.h"
#include "support/TestMedia.h"

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QTest>
#include <QTreeWidget>
#include <QUrl>
#include <gtest/gtest.h>
#include <cstdlib>
#include <filesystem>
#include <memory>

namespace apptest {

inline std::string SourceDir()
{
    const char* dir = std::getenv("QUORVEX_SOURCE_DIR");
    return dir ? dir : ".";
}

struct MainWindowFixture {
    MainWindowFixture() : paths(PathsUnder(scratch.path())), settings(paths)
    {
        namespace fs = std::filesystem;
        fs::create_directories(paths.programFolder);
        fs::create_directories(fs::path(paths.defaultOutputFolder).parent_path());
        for (const char* folder : {"pictures", "skins"})
            fs::create_directory_symlink(SourceDir() + "/resources/" + folder, paths.programFolder + folder);
    }
    TForm1& Form()
    {
        if (!form)
            form = std::make_unique<TForm1>(settings, shell);
        return *form;
    }

    qtest::ScratchDir scratch;
    ProgramPaths paths;
    SettingsFile settings;
    FakeShell shell;
    std::unique_ptr<TForm1> form;
};

// Clicks the list's row `row`, or the empty part below its rows.
inline void ClickRow(QTreeWidget* list, int row)
{
    const QRect rect = list->visualItemRect(list->topLevelItem(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
}
inline void ClickEmptyPart(QTreeWidget* list)
{
    QWidget* viewport = list->viewport();
    QTest::mouseClick(viewport, Qt::LeftButton, {}, QPoint(viewport->width() / 2, viewport->height() - 4));
}

// Drops `files` onto the list's viewport the way a file manager does.
inline void DropFiles(QTreeWidget* list, const std::vector<std::string>& files)
{
    QMimeData data;
    QList<QUrl> urls;
    for (const std::string& file : files)
        urls << QUrl::fromLocalFile(QString::fromStdString(file));
    data.setUrls(urls);
    const QPointF at = list->viewport()->rect().center();
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &drop);
}

}  // namespace apptest

// Each Qt test program runs its tests inside one QApplication.
#define QUORVEX_QT_TEST_MAIN()                                                                                         \
    int main(int argc, char** argv)                                                                                    \
    {                                                                                                                  \
        QApplication application(argc, argv);                                                                          \
        testing::InitGoogleTest(&argc, argv);                                                                          \
        return RUN_ALL_TESTS();                                                                                        \
    }

// The same for the programs that need a real X server (xvfb-run); the test
// environment pins the offscreen platform, these ask for xcb.
#define QUORVEX_XCB_TEST_MAIN()                                                                                        \
    int main(int argc, char** argv)                                                                                    \
    {                                                                                                                  \
        qputenv("QT_QPA_PLATFORM", "xcb");                                                                             \
        QApplication application(argc, argv);                                                                          \
        testing::InitGoogleTest(&argc, argv);                                                                          \
        return RUN_ALL_TESTS();                                                                                        \
    }
