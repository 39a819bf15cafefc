#include "MainWindowFixture.h"
#include "app/ui/QtDialogs.h"
#include "app/ui/VideoSurface.h"

#include <QAction>
#include <QMenu>
#include <QScreen>
#include <QSet>
#include <QStatusBar>
#include <QToolButton>
#include <QFileDialog>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>

using namespace apptest;

namespace {

TEST(MainWindowOnX, ShowsExposedWithANativeBlackVideoSurface)
{
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    MainWindowFixture fixture;
    TForm1& form = fixture.Form();
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    EXPECT_EQ(form.size(), QSize(851, 628));

    auto* surface = form.findChild<VideoSurface*>(QStringLiteral("Panel2"));
    ASSERT_NE(surface, nullptr);
    EXPECT_NE(surface->winId(), 0u);
    EXPECT_TRUE(surface->windowHandle() != nullptr);
    // the screen once the first paints have reached it
    QImage onScreen;
    QSet<QRgb> colours;
    (void)QTest::qWaitFor(  // the checks below say what was missing
        [&] {
            onScreen = form.screen()->grabWindow(surface->winId()).toImage();
            const QImage toolbar = form.screen()->grabWindow(form.winId(), 0, 0, 851, 100).toImage();
            colours.clear();
            for (int x = 0; x < toolbar.width(); x += 3)
                colours.insert(toolbar.pixel(x, 50));
            return onScreen.size() == QSize(313, 190) && onScreen.pixelColor(156, 95) == QColor(Qt::black) &&
                   colours.size() > 10;
        },
        5000);
    ASSERT_EQ(onScreen.size(), QSize(313, 190));
    EXPECT_EQ(onScreen.pixelColor(156, 95), QColor(Qt::black));
    // the toolbar is really drawn: its pictures make the screen non-uniform there
    EXPECT_GT(colours.size(), 10);
}

TEST(MainWindowOnX, MouseOverAToolbarButtonPutsItsTextIntoTheStatusBar)
{
    MainWindowFixture fixture;
    TForm1& form = fixture.Form();
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    auto* status = form.findChild<QStatusBar*>(QStringLiteral("suiStatusBar1"));
    ASSERT_NE(status, nullptr);
    QToolButton* last = nullptr;
    for (const auto& [name, text] :
         std::vector<std::pair<const char*, QString>>{{"ToolButton1", "添加要转换的视频音频文件"},
                                                      {"ToolButton3", "开始转换视频"},
                                                      {"ToolButton11", "软件帮助"}}) {
        auto* button = form.findChild<QToolButton*>(QString::fromLatin1(name));
        ASSERT_NE(button, nullptr);
        QCursor::setPos(button->mapToGlobal(button->rect().center()));
        const QString& expected = text;  // a lambda cannot capture a structured binding in every compiler
        EXPECT_TRUE(QTest::qWaitFor([&] { return status->currentMessage() == expected; }, 2000)) << name;
        last = button;
    }
    // moving off the toolbar keeps the last text
    QCursor::setPos(form.mapToGlobal(QPoint(400, 300)));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !last->underMouse(); }, 2000)) << "the leave never arrived";
    EXPECT_EQ(status->currentMessage(), QStringLiteral("软件帮助"));
}

// Runs `answer` on the next menu that pops up, once it is on screen.
class MenuAnswer : public QObject {
public:
    explicit MenuAnswer(std::function<void(QMenu*)> answer) : answer_(std::move(answer))
    {
        qApp->installEventFilter(this);
    }
    ~MenuAnswer() override { qApp->removeEventFilter(this); }
    bool answered = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (auto* menu = qobject_cast<QMenu*>(watched); menu && event->type() == QEvent::Show && !answered) {
            answered = true;
            QMetaObject::invokeMethod(
                menu, [this, menu] { answer_(menu); }, Qt::QueuedConnection);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void(QMenu*)> answer_;
};

// After a menu of the toolbar closes, its button is drawn raised again.
TEST(MainWindowOnX, MenuButtonsAreNotLeftPressed)
{
    MainWindowFixture fixture;
    TForm1& form = fixture.Form();
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    const struct {
        const char* button;
        const char* item;  // clicked; none: the menu is left with Esc
    } cases[] = {{"ToolButton1", nullptr}, {"ToolButton7", "MenuItem5"}, {"ToolButton11", "N4"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.button);
        auto* button = form.findChild<QToolButton*>(QString::fromLatin1(c.button));
        ASSERT_TRUE(button && button->menu());
        MenuAnswer answer([&c](QMenu* menu) {
            QAction* item = c.item ? menu->findChild<QAction*>(QString::fromLatin1(c.item)) : menu->actions().front();
            if (!item)
                item = menu->actions().front();
            const QPoint at = menu->actionGeometry(item).center();
            QCursor::setPos(menu->mapToGlobal(at));
            QTest::mouseMove(menu, at);
            if (c.item)
                QTest::mouseClick(menu, Qt::LeftButton, {}, at);
            else
                QTest::keyClick(menu, Qt::Key_Escape);
        });
        QCursor::setPos(button->mapToGlobal(button->rect().center()));
        ASSERT_TRUE(QTest::qWaitFor([&] { return button->underMouse(); }, 2000));
        QTest::mouseClick(button, Qt::LeftButton);
        ASSERT_TRUE(QTest::qWaitFor([&] { return answer.answered && !button->menu()->isVisible(); }, 5000));
        // the closing menu's leave and paint come late: the button ends up neither down nor hovered
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return !button->isDown() && !button->underMouse() && !button->testAttribute(Qt::WA_UnderMouse); },
            2000));
        EXPECT_FALSE(button->isDown());
        EXPECT_FALSE(button->underMouse());
        EXPECT_FALSE(button->testAttribute(Qt::WA_UnderMouse));
    }
}

// On X the desktop's own file dialogs are used where a desktop session runs,
// Qt's own (translated) ones elsewhere.
TEST(MainWindowOnX, NativeFileDialogsOnlyInADesktopSession)
{
    const struct {
        const char* desktop;
        bool native;
    } cases[] = {{"", false}, {"GNOME", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.desktop);
        qputenv("XDG_CURRENT_DESKTOP", c.desktop);
        EXPECT_EQ(UseNativeDialogs(), c.native);
        MainWindowFixture fixture;
        TForm1& form = fixture.Form();
        for (const char* name : {"OpenDialog1", "OpenDialog2"}) {
            auto* dialog = form.findChild<QFileDialog*>(QString::fromLatin1(name));
            ASSERT_TRUE(dialog) << name;
            EXPECT_EQ(dialog->testOption(QFileDialog::DontUseNativeDialog), !c.native) << name;
        }
    }
    qunsetenv("XDG_CURRENT_DESKTOP");
}

}  // namespace

QUORVEX_XCB_TEST_MAIN()
