#include "MainWindowFixture.h"
#include "app/MainWindowTables.h"
#include "app/SkinTable.h"
#include "app/ui/BuiltInSkins.h"
#include "app/ui/SkinOnShow.h"
#include "app/ui/TForm4.h"
#include "app/ui/VideoSurface.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QHash>
#include <QScrollBar>
#include <QStyleOptionButton>
#include <QStyleOptionSlider>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSet>
#include <QSlider>
#include <QStatusBar>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>
#include <algorithm>
#include <gtest/gtest.h>

using namespace apptest;

namespace {

class MainWindowWidgets : public testing::Test, public MainWindowFixture {
protected:
    template <class T = QWidget> T* Find(const char* name)
    {
        T* found = Form().findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QStringList ActionNames(const char* menuName)
    {
        QStringList names;
        for (QAction* action : Find<QMenu>(menuName)->actions())
            names << (action->isSeparator() ? QStringLiteral("-") : action->objectName());
        return names;
    }
};

TEST_F(MainWindowWidgets, WindowGroupsAndToolbarAsAtStart)
{
    TForm1& form = Form();
    EXPECT_EQ(form.windowTitle(), "Quorvex");
    EXPECT_EQ(form.size(), QSize(851, 628));
    // it opens at its first size, which is also the least it can be made
    EXPECT_EQ(form.minimumSize(), QSize(851, 628));
    EXPECT_TRUE(form.windowFlags() & Qt::WindowMaximizeButtonHint);

    EXPECT_EQ(Find("suiToolBar1")->height(), 100);
    EXPECT_EQ(Find<QGroupBox>("suiRadioGroup3")->geometry(), QRect(16, 144, 329, 289));
    EXPECT_EQ(Find<QGroupBox>("suiRadioGroup1")->geometry(), QRect(352, 144, 481, 289));
    EXPECT_EQ(Find<QGroupBox>("suiRadioGroup2")->geometry(), QRect(16, 440, 817, 145));

    int previousX = -1;
    for (const ToolButtonInfo& info : ToolButtons()) {
        auto* button = Find<QToolButton>(std::string(info.name).c_str());
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->text().toStdString(), info.caption);
        EXPECT_EQ(button->isEnabled(), info.enabledAtStart) << info.name;
        EXPECT_EQ(button->size(), QSize(70, 76));
        EXPECT_EQ(button->iconSize(), QSize(56, 56));
        EXPECT_GT(button->x(), previousX) << info.name << " out of order";
        previousX = button->x();
        const QImage normal = button->icon().pixmap(QSize(56, 56), QIcon::Normal).toImage();
        const QImage disabled = button->icon().pixmap(QSize(56, 56), QIcon::Disabled).toImage();
        EXPECT_FALSE(normal.isNull()) << info.name;
        EXPECT_NE(normal, disabled) << info.name << " has no picture of its own for the disabled state";
    }
    EXPECT_EQ(Find<QToolButton>("ToolButton1")->text(), QStringLiteral("       添加      "));
    EXPECT_EQ(Find<QToolButton>("ToolButton1")->menu(), Find<QMenu>("suiPopupMenu3"));
    EXPECT_EQ(Find<QToolButton>("ToolButton7")->menu(), Find<QMenu>("suiPopupMenu1"));
    EXPECT_EQ(Find<QToolButton>("ToolButton11")->menu(), Find<QMenu>("suiPopupMenu2"));

    auto* status = Find<QStatusBar>("suiStatusBar1");
    EXPECT_TRUE(status->currentMessage().isEmpty());
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(Find<QToolButton>("ToolButton3"), &enter);
    EXPECT_EQ(status->currentMessage(), QStringLiteral("开始转换视频"));
    QApplication::sendEvent(Find<QToolButton>("ToolButton7"), &enter);
    EXPECT_EQ(status->currentMessage(), QStringLiteral("更换软件外观皮肤"));
}

TEST_F(MainWindowWidgets, FilesAtOnceListStartsAutomaticAndKeepsTheChoiceAcrossARestart)
{
    auto* box = Find<QComboBox>("suiComboBox3");
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->isVisibleTo(&Form()));
    EXPECT_TRUE(box->isEnabled());
    EXPECT_EQ(box->currentText(), QStringLiteral("自动"));
    box->setCurrentIndex(4);  // what a user's pick does
    EXPECT_EQ(Form().Controller().Controls().simultaneousIndex, 4);

    form.reset();  // the program ends and starts again
    box = Find<QComboBox>("suiComboBox3");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->currentText(), QStringLiteral("4个文件"));
    EXPECT_EQ(Form().Controller().Controls().simultaneousIndex, 4);
}
TEST_F(MainWindowWidgets, ListAndPlayerGroups)
{
    auto* list = Find<QTreeWidget>("AdvListView1");
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->size(), QSize(465, 217));
    const QStringList columns{"序号",     "视频源文件", "源格式", "目标格式", "当前时间",
                              "转换进度", "状态",       "大小",   "速度",     "剩余时间"};
    ASSERT_EQ(list->columnCount(), columns.size());
    for (int i = 0; i < columns.size(); ++i)
        EXPECT_EQ(list->headerItem()->text(i), columns[i]);
    EXPECT_EQ(list->selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_EQ(list->topLevelItemCount(), 0);

    TForm1& form = Form();
    struct Twin {
        const char* active;
        const char* inactive;
        const char* caption;
        bool activeAtStart;
    };
    for (const Twin& t :
         {Twin{"suiButton4", "suiButton9", "上移", true}, Twin{"suiButton5", "suiButton10", "下移", true},
          Twin{"suiButton6", "suiButton7", "移除", false}, Twin{"suiButton2", "suiButton8", "清空", false}}) {
        auto* active = Find<QPushButton>(t.active);
        auto* inactive = Find<QPushButton>(t.inactive);
        ASSERT_TRUE(active && inactive);
        EXPECT_EQ(active->text(), QString::fromUtf8(t.caption));
        EXPECT_EQ(inactive->text(), QString::fromUtf8(t.caption));
        EXPECT_EQ(active->geometry(), inactive->geometry()) << t.active;
        EXPECT_EQ(active->isVisibleTo(&form), t.activeAtStart) << t.active;
        EXPECT_EQ(inactive->isVisibleTo(&form), !t.activeAtStart) << t.inactive;
        EXPECT_FALSE(inactive->isEnabled());
    }
    auto* info = Find<QPushButton>("suiButton12");
    EXPECT_EQ(info->text(), QStringLiteral("信息"));
    EXPECT_TRUE(info->isVisibleTo(&form) && info->isEnabled());

    auto* surface = Find<VideoSurface>("Panel2");
    ASSERT_NE(surface, nullptr);
    EXPECT_EQ(surface->size(), QSize(313, 190));
    EXPECT_TRUE(surface->testAttribute(Qt::WA_NativeWindow));
    EXPECT_EQ(surface->grab().toImage().pixelColor(150, 90), QColor(Qt::black));
    EXPECT_EQ(Find<QSlider>("suiTrackBar1")->width(), 313);
    for (const auto& [name, hint] : std::vector<std::pair<const char*, QString>>{{"Image3", "播放"},
                                                                                 {"Image4", "暂停"},
                                                                                 {"Image5", "停止"},
                                                                                 {"Image14", "声音/静音"},
                                                                                 {"Image24", "捕捉快照"},
                                                                                 {"Image26", "快照设置"}}) {
        auto* picture = Find<QLabel>(name);
        ASSERT_NE(picture, nullptr);
        EXPECT_EQ(picture->toolTip(), hint);
        EXPECT_FALSE(picture->pixmap().isNull()) << name;
    }
    for (const char* name : {"Image1", "Image2", "Image6", "Image7", "Image8", "Image9", "Image10", "Image11",
                             "Image16", "Image18", "Image20", "Image21", "Image22", "Image23"}) {
        auto* image = Find<QLabel>(name);
        ASSERT_NE(image, nullptr);
        EXPECT_FALSE(image->isVisibleTo(&form)) << name;
        EXPECT_FALSE(image->pixmap().isNull()) << name;
    }
    for (const char* area : {"Image12", "Image28", "Image29", "Image19", "Image25", "Image27"})
        Find(area);

    // hovering shows the hover picture, the area around the button gives the normal one back
    auto* play = Find<QLabel>("Image3");
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(play, &enter);
    EXPECT_EQ(play->pixmap().toImage(), Find<QLabel>("Image6")->pixmap().toImage());
    QApplication::sendEvent(Find("Image12"), &enter);
    EXPECT_EQ(play->pixmap().toImage(), Find<QLabel>("Image9")->pixmap().toImage());
}

TEST_F(MainWindowWidgets, OptionsGroupHiddenSettingsAndLog)
{
    TForm1& form = Form();
    auto* edit = Find<QLineEdit>("suiEdit1");
    EXPECT_TRUE(edit->isReadOnly());
    EXPECT_EQ(edit->text().toStdString(), paths.defaultOutputFolder);
    EXPECT_EQ(Find<QPushButton>("suiButton3")->text(), QStringLiteral("浏览..."));
    EXPECT_TRUE(Find<QPushButton>("suiButton3")->isEnabled());
    EXPECT_EQ(Find<QPushButton>("suiButton11")->text(), QStringLiteral("打开"));

    struct Box {
        const char* name;
        std::vector<std::string_view> items;
        int index;
        bool shown;
    };
    for (const Box& b :
         {Box{"suiComboBox4", ExistingFileChoices(), 0, true}, Box{"suiComboBox1", AfterCompletionChoices(), 2, true},
          Box{"suiComboBox2", PriorityChoices(), 3, false}, Box{"suiComboBox3", SimultaneousChoices(), 0, true}}) {
        auto* box = Find<QComboBox>(b.name);
        ASSERT_NE(box, nullptr);
        ASSERT_EQ(box->count(), static_cast<int>(b.items.size())) << b.name;
        for (int i = 0; i < box->count(); ++i)
            EXPECT_EQ(box->itemText(i).toStdString(), b.items[i]);
        EXPECT_EQ(box->currentIndex(), b.index) << b.name;
        EXPECT_EQ(box->isVisibleTo(&form), b.shown) << b.name;
    }
    EXPECT_EQ(Find<QComboBox>("suiComboBox1")->currentText(), QStringLiteral("打开文件夹查看转换的文件"));
    EXPECT_EQ(Find<QComboBox>("suiComboBox3")->itemText(0), QStringLiteral("自动"));
    EXPECT_EQ(Find<QComboBox>("suiComboBox3")->itemText(10), QStringLiteral("10个文件"));

    EXPECT_TRUE(Find<QCheckBox>("chkThreadMode")->isChecked());
    EXPECT_FALSE(Find<QCheckBox>("chkThreadMode")->isVisibleTo(&form));
    EXPECT_FALSE(Find<QPlainTextEdit>("mmoLog")->isVisibleTo(&form));

    for (const char* name : {"OpenDialog1", "OpenDialog2"}) {
        auto* dialog = Find<QFileDialog>(name);
        ASSERT_NE(dialog, nullptr);
        ASSERT_EQ(dialog->nameFilters().size(), 20) << name;
        EXPECT_TRUE(dialog->nameFilters().front().startsWith(QStringLiteral("所有支持的文件类型 (*.AVI *.ASF")));
        EXPECT_EQ(dialog->nameFilters().back(), QStringLiteral("DV视频文件 (*.dv;*.dif) (*.dv *.dif)"));
        // the pattern part is not shown, so the selection reads as the bare description
        EXPECT_EQ(dialog->selectedNameFilter(), QStringLiteral("所有支持的文件类型"));
    }
    EXPECT_EQ(Find<QFileDialog>("OpenDialog1")->fileMode(), QFileDialog::ExistingFile);
    EXPECT_EQ(Find<QFileDialog>("OpenDialog2")->fileMode(), QFileDialog::ExistingFiles);
}

TEST_F(MainWindowWidgets, MenusAndTheirActions)
{
    QStringList skinItems;
    for (const SkinEntry* entry : SkinMenuEntries())
        skinItems << QString::fromUtf8(entry->menuItem.data());
    EXPECT_EQ(ActionNames("suiPopupMenu1"), skinItems);
    EXPECT_EQ(ActionNames("suiPopupMenu2"), QStringList({"N3", "N12", "-", "N9", "N5", "-", "N4"}));
    EXPECT_EQ(ActionNames("suiPopupMenu3"), QStringList({"MenuItem15", "N2", "AddFolder1"}));
    EXPECT_EQ(Find<QAction>("MenuItem15")->text(), QStringLiteral("添加一个视频文件"));
    EXPECT_EQ(Find<QAction>("N2")->text(), QStringLiteral("添加多个视频文件"));
    EXPECT_EQ(Find<QAction>("N3")->shortcut(), QKeySequence(Qt::Key_F1));
    EXPECT_EQ(Find<QAction>("N3")->text(), QStringLiteral("帮助系统?"));
    EXPECT_EQ(Find<QAction>("N12")->text(), QStringLiteral("网上升级..."));
    EXPECT_EQ(Find<QAction>("N4")->text(), QStringLiteral("关于软件"));
    EXPECT_TRUE(Find<QAction>("BMP1")->isChecked());
    EXPECT_FALSE(Find<QAction>("PNG1")->isChecked());

    Find<QAction>("N3")->trigger();
    Find<QAction>("N5")->trigger();
    ASSERT_EQ(shell.opened.size(), 2u);
    EXPECT_EQ(shell.opened[0], paths.programFolder + "help.html");
    EXPECT_EQ(shell.opened[1].rfind("mailto:", 0), 0u);

    int aboutShown = 0;
    QObject::connect(&Form(), &TForm1::aboutRequested, [&] { ++aboutShown; });
    Find<QAction>("N4")->trigger();
    EXPECT_EQ(aboutShown, 1);
}

TEST_F(MainWindowWidgets, SkinChoiceReachesMainWindowAtOnceAndOthersWhenShown)
{
    TForm1& form = Form();
    EXPECT_TRUE(form.styleSheet().isEmpty());  // first start: no skin
    TForm4 about(&form);
    SkinOnShow::Install(&about, settings);

    Find<QAction>("MenuItem5")->trigger();  // 深蓝色皮肤
    EXPECT_EQ(form.styleSheet(), BuiltInStyleSheet("DeepBlue"));
    EXPECT_EQ(settings.Read("skin", "SetSkin"), "skin7");
    EXPECT_TRUE(about.styleSheet().isEmpty());
    about.show();
    EXPECT_EQ(about.styleSheet(), BuiltInStyleSheet("DeepBlue"));
    about.hide();

    Find<QAction>("MenuItem13")->trigger();  // 运动黑色皮肤, a skin file
    QFile file(QString::fromStdString(paths.programFolder + "skins/SportsBlack.sui"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(form.styleSheet(), QString::fromUtf8(file.readAll()));
    about.show();
    EXPECT_EQ(about.styleSheet(), form.styleSheet());
}

// Every skin parses as a style sheet and gives the window a look of its own.
TEST_F(MainWindowWidgets, EverySkinParsesAndLooksDifferent)
{
    static QStringList warnings;
    warnings.clear();
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& m) { warnings << m; });
    TForm1& form = Form();
    QSet<QByteArray> looks;
    for (const SkinEntry& entry : SkinTable()) {
        if (entry.kind == SkinKind::BuiltInStyle) {
            form.setStyleSheet(BuiltInStyleSheet(entry.source));
        } else {
            QFile file(QString::fromStdString(paths.programFolder + std::string(entry.source)));
            ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << entry.source;
            form.setStyleSheet(QString::fromUtf8(file.readAll()));
        }
        const QImage look = form.grab().toImage().convertToFormat(QImage::Format_RGB32);
        looks.insert(QByteArray(reinterpret_cast<const char*>(look.constBits()), look.sizeInBytes()));
    }
    qInstallMessageHandler(previous);
    for (const QString& warning : warnings)
        EXPECT_FALSE(warning.contains(QStringLiteral("parse"))) << warning.toStdString();
    EXPECT_EQ(looks.size(), static_cast<qsizetype>(SkinTable().size()));
}

// How far the farthest pixel of `area` is from the area's most frequent colour
// (0..255 per channel, the largest channel difference).
int Contrast(const QImage& image, const QRect& area)
{
    QHash<QRgb, int> counts;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            ++counts[image.pixel(x, y)];
    QRgb common = 0;
    int most = -1;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        if (it.value() > most)
            most = it.value(), common = it.key();
    int farthest = 0;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        const QRgb c = it.key();
        farthest = std::max({farthest, std::abs(qRed(c) - qRed(common)), std::abs(qGreen(c) - qGreen(common)),
                             std::abs(qBlue(c) - qBlue(common))});
    }
    return farthest;
}

// An empty check box and the arrows of a scroll bar stand out under every skin.
TEST_F(MainWindowWidgets, EverySkinShowsEmptyCheckBoxesAndScrollArrows)
{
    for (const SkinEntry& entry : SkinTable()) {
        SCOPED_TRACE(entry.source);
        QWidget window;
        window.setObjectName(QStringLiteral("Form8"));
        window.resize(300, 200);
        auto* group = new QGroupBox(QStringLiteral("选项"), &window);
        group->setGeometry(10, 10, 280, 180);
        auto* box = new QCheckBox(QStringLiteral("截取片段"), group);
        box->setGeometry(10, 24, 120, 24);
        auto* list = new QTreeWidget(group);
        list->setGeometry(140, 24, 130, 140);
        for (int i = 0; i < 40; ++i)
            list->addTopLevelItem(new QTreeWidgetItem({QString::number(i)}));
        if (entry.kind == SkinKind::BuiltInStyle) {
            window.setStyleSheet(BuiltInStyleSheet(entry.source));
        } else {
            QFile file(QString::fromStdString(paths.programFolder + std::string(entry.source)));
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            window.setStyleSheet(QString::fromUtf8(file.readAll()));
        }
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        const QImage look = window.grab().toImage().convertToFormat(QImage::Format_RGB32);
        if (qEnvironmentVariableIsSet("QUORVEX_SKIN_SHOTS"))
            look.save(QStringLiteral("/tmp/skin-%1.png").arg(QString::fromLatin1(entry.menuItem)));

        QStyleOptionButton option;
        option.initFrom(box);
        const QRect indicator = box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box);
        const QRect shownIndicator(box->mapTo(&window, indicator.topLeft()), indicator.size());
        EXPECT_GE(Contrast(look, shownIndicator.adjusted(-2, -2, 2, 2)), 60);

        QScrollBar* bar = list->verticalScrollBar();
        ASSERT_TRUE(bar->isVisible());
        QStyleOptionSlider barOption;
        barOption.initFrom(bar);
        barOption.orientation = bar->orientation();
        barOption.minimum = bar->minimum();
        barOption.maximum = bar->maximum();
        barOption.sliderPosition = bar->sliderPosition();
        barOption.pageStep = bar->pageStep();
        barOption.singleStep = bar->singleStep();
        for (QStyle::SubControl arrow : {QStyle::SC_ScrollBarSubLine, QStyle::SC_ScrollBarAddLine}) {
            const QRect rect = bar->style()->subControlRect(QStyle::CC_ScrollBar, &barOption, arrow, bar);
            ASSERT_FALSE(rect.isEmpty());
            const QRect shown(bar->mapTo(&window, rect.topLeft()), rect.size());
            EXPECT_GE(Contrast(look, shown.adjusted(2, 2, -2, -2)), 60) << arrow;
        }
    }
}

}  // namespace

QUORVEX_QT_TEST_MAIN()
