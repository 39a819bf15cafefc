#include "../AppFakes.h"
#include "app/PasswordLock.h"
#include "app/ui/TForm5.h"
#include "app/ui/TForm6.h"
#include "app/ui/TForm9.h"
#include "app/ui/QtShutdown.h"
#include "MainWindowFixture.h"
#include "support/TestMedia.h"
#include "media/TAVProbe.h"
#include "media/TFFmpegLoader.h"

#include <QDialog>
#include <QFileInfo>
#include <QLabel>
#include <QSignalSpy>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

struct RecordingDialogs : apptest::FakeDialogs {
    std::vector<std::string> messages;
    MessageResult MessageBox(const std::string& text, const std::string& caption, MessageIcon icon,
                             MessageButtons) override
    {
        messages.push_back(caption + ":" + text + (icon == MessageIcon::Error ? " (error)" : ""));
        return MessageResult::Ok;
    }
};

struct FixedRegistry : IRegistry {
    bool exists = true;
    std::optional<std::string> stored;
    bool KeyExists(const std::string& key) const override { return exists && key == PasswordLock::kLockKey; }
    std::optional<std::string> ReadString(const std::string&, const std::string& name) const override
    {
        return name == "ps" ? stored : std::nullopt;
    }
};

QString Value(TForm9& form, const char* caption) { return form.ValueLabel(QString::fromUtf8(caption))->text(); }

TEST(MediaInformationWindow, ChannelLabelKeepsItsTextForOtherCounts)
{
    TForm9 form;
    EXPECT_EQ(form.size(), QSize(650, 543));
    EXPECT_EQ(Value(form, "音频声道："), "1111111");
    MediaInfoStrings info;
    info.InfoFileName = "/media/clips/holiday.mp4";
    info.InfoChannels = "6";
    info.InfoWidth = "-1";
    info.InfoHeight = "-1";
    info.InfoVideo = "File Name: /media/clips/holiday.mp4\r\n";
    info.InfoAudio = "Audio: aac, 48000 Hz, 5.1";
    info.InfoFileSize = " 1.00 MB\r\n";
    form.SetInformation(info);
    EXPECT_EQ(Value(form, "音频声道："), "1111111");
    EXPECT_EQ(Value(form, "文件名："), "holiday.mp4");
    EXPECT_EQ(Value(form, "文件扩展名："), ".mp4");
    EXPECT_EQ(Value(form, "视频分辨率："), "");
    EXPECT_EQ(Value(form, "视频流信息："), "无");
    EXPECT_EQ(Value(form, "音频流信息："), "Audio: aac, 48000 Hz, 5.1");
    EXPECT_EQ(Value(form, "文件大小："), " 1.00 MB");

    info.InfoChannels = "2";
    form.SetInformation(info);
    EXPECT_EQ(Value(form, "音频声道："), "立体声");
    info.InfoChannels = "6";
    form.SetInformation(info);
    EXPECT_EQ(Value(form, "音频声道："), "立体声");
    EXPECT_TRUE(form.findChild<QPushButton*>("suiButton2")->isHidden());
}

TEST(MediaInformationWindow, AudioOnlyFileLeavesTheVideoFactsEmptyAndLongLinesWrap)
{
    ASSERT_TRUE(GetFFmpegLoader().Load(ConverterLibraries));
    qtest::ScratchDir dir;
    const std::string tone = dir.file("tone.m4a");
    ASSERT_TRUE(qtest::MakeMedia(tone, "-f lavfi -i sine=duration=1 -c:a aac -b:a 96k"));
    TAVProbe probe;
    MediaInfoStrings info = GatherMediaInfo(probe, tone);
    TForm9 form;
    form.SetInformation(info);
    for (const char* caption : {"视频分辨率：", "视频帧率：", "视频比特率："})
        EXPECT_EQ(Value(form, caption), "") << caption;
    EXPECT_EQ(Value(form, "视频流信息："), "无");
    EXPECT_TRUE(Value(form, "音频比特率：").endsWith("kbps"));
    EXPECT_TRUE(Value(form, "音频流信息：").startsWith("Audio: aac"));

    // a stream line of a busy file wraps, scrolls and its tooltip holds all of it
    info.InfoAudio.clear();
    for (int i = 0; i < 12; ++i)
        info.InfoAudio += "Audio: aac (LC) (mp4a / 0x6134706D), ";
    form.SetInformation(info);
    form.show();
    QLabel* line = form.ValueLabel(QStringLiteral("音频流信息："));
    auto* scroll = qobject_cast<QScrollArea*>(line->parentWidget()->parentWidget());
    ASSERT_TRUE(scroll);
    ASSERT_TRUE(QTest::qWaitFor([&] { return scroll->verticalScrollBar()->maximum() > 0; }, 2000));
    EXPECT_TRUE(line->wordWrap());
    EXPECT_LE(line->width(), scroll->viewport()->width());
    EXPECT_GE(line->height(), line->heightForWidth(line->width()));
    EXPECT_EQ(line->toolTip(), line->text());
    form.hide();
}

TEST(ShutdownCountdown, CountsDownWithoutBlockingAndCanBeCancelled)
{
    qtest::ScratchDir dir;
    const QString marker = QString::fromStdString(dir.file("powered-off"));
    const QStringList command{QStringLiteral("touch"), marker};
    {
        // the program's countdown: thirty seconds, shown at once, the call returns
        QtShutdown shutdown(nullptr, 30, 1000, command);
        EXPECT_TRUE(shutdown.PowerOff());
        ASSERT_TRUE(shutdown.CountdownWindow()->isVisible());
        const QString text = shutdown.CountdownWindow()->findChild<QLabel*>("CountdownText")->text();
        EXPECT_TRUE(text.contains(QStringLiteral("30 秒后关闭"))) << text.toStdString();
        auto* cancel = shutdown.CountdownWindow()->findChild<QPushButton*>("CancelPowerOff");
        ASSERT_TRUE(cancel);
        EXPECT_TRUE(cancel->isDefault());
    }
    // a cancelled countdown never runs the command: a second one of the same
    // length started later gets to its end first
    QtShutdown cancelled(nullptr, 5, 20, command);
    QtShutdown completed(nullptr, 5, 20, command);
    QSignalSpy cancelledSpy(&cancelled, &QtShutdown::commandStarted);
    QSignalSpy completedSpy(&completed, &QtShutdown::commandStarted);
    cancelled.PowerOff();
    completed.PowerOff();
    QTest::mouseClick(cancelled.CountdownWindow()->findChild<QPushButton*>("CancelPowerOff"), Qt::LeftButton);
    EXPECT_FALSE(cancelled.CountdownWindow()->isVisible());
    ASSERT_TRUE(completedSpy.wait(5000));
    EXPECT_FALSE(completed.CountdownWindow()->isVisible());
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo::exists(marker); }, 5000));
    EXPECT_EQ(cancelledSpy.count(), 0);
}

class LockWindow : public ::testing::Test {
protected:
    LockWindow()
    {
        form.SetRegistry(&registry);
        form.SetDialogs(&dialogs);
    }
    // Types `text` and presses 确定 while the window runs modally; the result code.
    int Answer(const QString& text)
    {
        QTimer::singleShot(0, &form, [this, text] {
            QTest::keyClicks(form.PasswordEdit(), text);
            form.findChild<QPushButton*>("suiButton2")->click();
        });
        return form.exec();
    }
    FixedRegistry registry;
    RecordingDialogs dialogs;
    TForm5 form;
};

TEST_F(LockWindow, RightPasswordOpensAndAWrongOneEndsWithTheMessage)
{
    registry.stored = PasswordLock::Scramble("Abc123");
    EXPECT_EQ(form.PasswordEdit()->echoMode(), QLineEdit::Password);
    // each character shows as "*", also under a skin's sheet
    form.setStyleSheet(QStringLiteral("QLineEdit { background: white; }"));
    QTest::keyClicks(form.PasswordEdit(), "Ab1");
    EXPECT_EQ(form.PasswordEdit()->displayText(), "***");
    form.PasswordEdit()->clear();
    EXPECT_EQ(Answer("Abc123"), QDialog::Accepted);
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(Answer("kqwkqw"), QDialog::Accepted);
    EXPECT_EQ(Answer("abc123"), QDialog::Rejected);
    EXPECT_EQ(dialogs.messages, std::vector<std::string>{"错误:输入的密码错误,请和本机管理人员联系！ (error)"});
}

TEST_F(LockWindow, EmptyEntryOpensWithoutStoredValueAndEscapeOrCloseDoNotAnswer)
{
    QTimer::singleShot(0, &form, [this] {
        QTest::keyClick(&form, Qt::Key_Escape);
        form.close();
        QTest::keyClick(&form, Qt::Key_F4, Qt::AltModifier);
        EXPECT_TRUE(form.isVisible());
        form.findChild<QPushButton*>("suiButton2")->click();
    });
    EXPECT_EQ(form.exec(), QDialog::Accepted);
    // 退出 ends the program
    QTimer::singleShot(0, &form, [this] { form.findChild<QPushButton*>("suiButton1")->click(); });
    EXPECT_EQ(form.exec(), QDialog::Rejected);
}

TEST_F(LockWindow, ShownBeforeWorkOnlyWhenTheKeyExists)
{
    registry.exists = false;
    bool shown = false;
    QTimer::singleShot(0, &form, [this, &shown] {
        shown = form.isVisible();
        form.done(QDialog::Rejected);
    });
    EXPECT_TRUE(form.PassLock());
    QCoreApplication::processEvents();
    EXPECT_FALSE(shown);

    registry.exists = true;
    QTimer::singleShot(0, &form, [this, &shown] {
        shown = form.isVisible();
        QTest::keyClicks(form.PasswordEdit(), "kqwkqw");
        form.findChild<QPushButton*>("suiButton2")->click();
    });
    EXPECT_TRUE(form.PassLock());
    EXPECT_TRUE(shown);
    QTimer::singleShot(0, &form, [this] { form.findChild<QPushButton*>("suiButton1")->click(); });
    EXPECT_FALSE(form.PassLock());
}

struct FileDownloader : IDownloader {
    std::string content;
    bool succeed = true;
    std::vector<std::string> urls;
    DownloadResult Download(const std::string& url, const std::string& path, const std::atomic<bool>&) override
    {
        urls.push_back(url);
        if (succeed)
            apptest::WriteText(path, content);
        return {succeed ? DownloadResult::Outcome::Done : DownloadResult::Outcome::ConnectFailed, 0};
    }
};

TEST(UpdateWindow, CheckShowsTheNewVersionAndDownloadOpensTheLink)
{
    qtest::ScratchDir dir;
    TForm6 form(nullptr, dir.path() + "/update.ini");
    FileDownloader downloader;
    apptest::FakeShell shell;
    form.SetServices(&downloader, &shell, "http://127.0.0.1:1");
    downloader.content = "[version]\nnew=1.70\ndate=2026\nlinks1=http://127.0.0.1:1/q.zip\nsize=9 MB\n";
    form.show();
    EXPECT_EQ(form.StatusLabel()->text(), "状态信息:");
    EXPECT_FALSE(form.DownloadButton()->isEnabled());
    form.CheckButton()->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.CheckButton()->isEnabled(); }, 5000));
    EXPECT_EQ(downloader.urls, std::vector<std::string>{"http://127.0.0.1:1/dorovo/quorvex_pu.txt"});
    EXPECT_EQ(form.StatusLabel()->text(), "发现新版本程序,您可以升级下载新版本。");
    EXPECT_TRUE(form.Memo()->toPlainText().contains("最新版本:1.70"));
    EXPECT_EQ(form.Progress()->value(), 100);
    ASSERT_TRUE(form.DownloadButton()->isEnabled());
    form.DownloadButton()->click();
    EXPECT_EQ(shell.opened, std::vector<std::string>{"http://127.0.0.1:1/q.zip"});
    EXPECT_TRUE(form.Memo()->toPlainText().isEmpty());

    form.hide();
    downloader.succeed = false;
    form.show();  // back to idle
    EXPECT_FALSE(form.DownloadButton()->isEnabled());
    EXPECT_EQ(form.Progress()->value(), 0);
    form.CheckButton()->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.CheckButton()->isEnabled(); }, 5000));
    EXPECT_EQ(form.StatusLabel()->text(), "连接失败!可能网络忙或没连接到网络...");
    EXPECT_EQ(form.Memo()->toPlainText(), "连接失败!可能网络忙或没连接到网络...");
    // the failure shows on the bar and takes the download back
    EXPECT_EQ(form.Progress()->text(), "检测失败");
    EXPECT_FALSE(form.DownloadButton()->isEnabled());
}

}  // namespace
QUORVEX_QT_TEST_MAIN()
