// A long seeded sequence of what a user does around the preview: selecting
// rows, play, pause, stop, drags on the seek bar, moves, removes, drops and
// clicks that leave nothing selected, on the real main window (offscreen)
// with the player on SDL's dummy drivers. After every step the preview shows
// the selected row's file; at the end a dropped file of every kind still
// shows and plays.
#include "../ListWindowFixture.h"
#include "MainWindowFixture.h"
#include "MessageBoxCatcher.h"
#include "app/ui/HoverPicture.h"
#include "app/ui/ProgramWindows.h"
#include "app/ui/QtMainThread.h"
#include "app/ui/VideoSurface.h"
#include "app/ui/WindowsWiring.h"

#include <QAbstractButton>
#include <QSlider>
#include <QTest>
#include <QTreeWidget>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <random>
#include <sstream>

namespace fs = std::filesystem;
using namespace apptest;

namespace {

struct Media {
    std::string path;
    bool picture;
};

class PreviewSequence : public testing::Test {
protected:
    PreviewSequence() : install(mainThread)
    {
        const std::string dir = fixture.scratch.path();
        kinds = {
            {qtest::MakeMp4Clip(dir, 2.0), true}, {dir + "/blue.mp4", true}, {qtest::MakeWavClip(dir, 2.0), false}};
        qtest::MakeMedia(kinds[1].path, "-f lavfi -i color=c=blue:size=320x240:rate=25:duration=2 -c:v libx264 "
                                        "-preset ultrafast -pix_fmt yuv420p");
        windows = std::make_unique<ProgramWindows>(fixture.settings, fixture.shell);
        chooser = std::make_unique<DefaultsChooser>(windows->Main().Controller().Session());
        windows->Main().Controller().SetFormatChooser(chooser.get());
        wiring = std::make_unique<WindowsWiring>(*windows, fixture.settings, fixture.shell);
        windows->ShowMain();
        exposed = QTest::qWaitForWindowExposed(&windows->Main());
    }
    ~PreviewSequence() override
    {
        wiring.reset();
        windows.reset();
    }

    TForm1& Form() { return windows->Main(); }
    QTreeWidget* List() { return Form().ConversionListWidget(); }
    TCustomPlayer& Player() { return wiring->Player().Player(); }
    template <class T> T* Control(const char* name) { return Form().findChild<T*>(QString::fromLatin1(name)); }

    // Drops a fresh copy of `media` on the list, as a file manager would.
    void Drop(const Media& media)
    {
        const std::string copy =
            fixture.scratch.file("drop" + std::to_string(++drops) + fs::path(media.path).extension().string());
        fs::copy_file(media.path, copy);
        picture[copy] = media.picture;
        DropFiles(List(), {copy});
    }
    void ClickRow(int row) { apptest::ClickRow(List(), row); }
    void ClickEmptyPart() { apptest::ClickEmptyPart(List()); }
    void ClickPicture(const char* name)
    {
        auto* button = Control<HoverPicture>(name);
        ASSERT_TRUE(button) << name;
        QTest::mouseClick(button, Qt::LeftButton);
    }
    void Press(const char* name)
    {
        auto* button = Control<QAbstractButton>(name);
        ASSERT_TRUE(button) << name;
        if (button->isEnabled())
            button->click();
    }
    void DragSeekBar(int x)
    {
        auto* bar = Control<QSlider>("suiTrackBar1");
        ASSERT_TRUE(bar);
        const QPoint at(std::clamp(x, 1, bar->width() - 2), bar->height() / 2);
        QTest::mousePress(bar, Qt::LeftButton, {}, at);
        QTest::mouseRelease(bar, Qt::LeftButton, {}, at);
    }

    // The picture the player holds, when it is one and not a black stand-in.
    bool ShowsPicture()
    {
        const Bitmap24* frame = Player().GetCurrentFrame();
        if (!frame || frame->Empty())
            return false;
        long sum[3] = {0, 0, 0};
        long count = 0;
        for (int y = 0; y < frame->Height(); y += 4) {
            const uint8_t* line = frame->Row(y);
            for (int x = 0; x < frame->Width(); x += 4, ++count)
                for (int c = 0; c < 3; ++c)
                    sum[c] += line[x * 3 + c];
        }
        return count > 0 && std::max({sum[0], sum[1], sum[2]}) / count > 40;
    }
    // The preview matches the list: the selected row's file is open in the
    // player, the surface is the player's, and a file with pictures shows one.
    bool Consistent(std::string& why)
    {
        const QList<QTreeWidgetItem*> selected = List()->selectedItems();
        if (selected.isEmpty())
            return true;
        const int row = List()->indexOfTopLevelItem(selected.first());
        const std::vector<ListRow>& rows = Form().Controller().List().Rows();
        if (row < 0 || row >= static_cast<int>(rows.size())) {
            why = "the view selects row " + std::to_string(row) + " of " + std::to_string(rows.size());
            return false;
        }
        const std::string& source = rows[static_cast<size_t>(row)].SourceFile;
        if (!Player().Engine() || Player().FileName() != source) {
            why = "row " + std::to_string(row) + " (" + source + ") is selected, the player has " +
                  (Player().Engine() ? Player().FileName() : std::string("nothing")) + " open";
            return false;
        }
        if (!Form().PlayerSurface()->HasPresenter()) {
            why = "the surface is not the player's: Qt paints it black";
            return false;
        }
        if (picture[source] && !ShowsPicture()) {
            why = "no picture of " + source;
            return false;
        }
        return true;
    }
    // Waits until the preview matches the list; false with the reason after 5 s.
    bool Settles(std::string& why)
    {
        return QTest::qWaitFor([&] { return Consistent(why); }, 5000) || Consistent(why);
    }

    QtMainThread mainThread;
    MainThreadInstall install;
    MainWindowFixture fixture;
    MessageBoxCatcher catcher;
    std::vector<Media> kinds;
    std::map<std::string, bool> picture;  // by source file
    int drops = 0;
    bool exposed = false;
    std::unique_ptr<ProgramWindows> windows;
    std::unique_ptr<DefaultsChooser> chooser;
    std::unique_ptr<WindowsWiring> wiring;
};

int EnvNumber(const char* name, int fallback)
{
    const char* text = std::getenv(name);
    return text && *text ? std::atoi(text) : fallback;
}

TEST_F(PreviewSequence, RandomUseLeavesThePreviewShowingTheSelectedFile)
{
    const unsigned seed = static_cast<unsigned>(EnvNumber("QUORVEX_PREVIEW_SEED", 22));
    const int steps = EnvNumber("QUORVEX_PREVIEW_STEPS", 60);
    std::mt19937 random(seed);
    auto below = [&random](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    ASSERT_TRUE(exposed);
    std::ostringstream done;  // the steps so far, to repeat a failure
    for (const Media& media : kinds)
        Drop(media);
    ASSERT_EQ(List()->topLevelItemCount(), 3);

    // The next action at random, described in `done`; none when it does not apply.
    auto pick = [&]() -> std::function<void()> {
        const int rows = List()->topLevelItemCount();
        switch (below(10)) {
        case 0:
        case 1: {
            if (rows == 0)
                return {};
            const int row = below(rows);
            done << "select " << row << "; ";
            return [this, row] {
                if (row < List()->topLevelItemCount())
                    ClickRow(row);
            };
        }
        case 2:
            done << "play; ";
            return [this] { ClickPicture("Image3"); };
        case 3:
            done << "pause; ";
            return [this] { ClickPicture("Image4"); };
        case 4:
            done << "stop; ";
            return [this] { ClickPicture("Image5"); };
        case 5: {
            const int x = below(313);
            done << "seek " << x << "; ";
            return [this, x] { DragSeekBar(x); };
        }
        case 6: {
            const bool up = below(2) == 0;
            done << (up ? "up; " : "down; ");
            return [this, up] { Press(up ? "suiButton4" : "suiButton5"); };
        }
        case 7:
            done << "remove; ";
            return [this] { Press("ToolButton12"); };
        case 8: {
            if (rows >= 6)
                return {};
            const int kind = below(3);
            done << "drop " << kind << "; ";
            return [this, kind] { Drop(kinds[static_cast<size_t>(kind)]); };
        }
        default:
            done << "deselect; ";
            return [this] { ClickEmptyPart(); };
        }
    };
    for (int step = 0; step < steps; ++step) {
        if (below(3) > 0) {
            if (const std::function<void()> action = pick())
                action();
        } else {
            // clicks faster than the preview answers: the later ones wait in
            // the event queue while the first waits for the player
            done << "[ ";
            int posted = 0;
            int ran = 0;
            for (int i = 0, count = 2 + below(2); i < count; ++i)
                if (const std::function<void()> action = pick()) {
                    ++posted;
                    QMetaObject::invokeMethod(
                        &Form(),
                        [action, &ran] {
                            action();
                            ++ran;
                        },
                        Qt::QueuedConnection);
                }
            done << "] ";
            ASSERT_TRUE(QTest::qWaitFor([&] { return ran == posted; }, 20000))
                << "seed " << seed << ", after: " << done.str();
        }
        std::string why;
        ASSERT_TRUE(Settles(why)) << why << "\nseed " << seed << ", after: " << done.str();
    }

    // whatever came before, every kind of file opens and shows
    for (const Media& media : kinds) {
        Drop(media);
        std::string why;
        ASSERT_TRUE(Settles(why)) << why << "\nseed " << seed << ", after: " << done.str();
        ASSERT_FALSE(List()->selectedItems().isEmpty());
        if (!media.picture)
            continue;
        int64_t firstPts = 0;
        Player().GetCurrentFrame(firstPts);
        ClickPicture("Image3");
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                int64_t pts = 0;
                Player().GetCurrentFrame(pts);
                return pts > firstPts + 200000;
            },
            5000))
            << "the preview of " << media.path << " does not play; seed " << seed;
    }
}

}  // namespace

QUORVEX_QT_TEST_MAIN()
