#include "app/ui/TForm6.h"

#include "app/ProgramPaths.h"

#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>

TForm6::TForm6(QWidget* parent, const std::string& updateFile) : QDialog(parent), updateFile_(updateFile)
{
    if (updateFile_.empty())
        updateFile_ = ProgramPaths::FromEnvironment(QCoreApplication::applicationDirPath().toStdString())
                          .WritableFile("update.ini");
    setObjectName(QStringLiteral("Form6"));
    setWindowTitle(QStringLiteral("网上升级"));
    setFixedSize(604, 412);

    auto* frame = new QGroupBox(this);
    frame->setGeometry(10, 10, 180, 350);
    auto* picture = new QLabel(frame);
    picture->setObjectName(QStringLiteral("Image1"));
    picture->setGeometry(10, 10, 160, 330);
    picture->setAlignment(Qt::AlignCenter);
    picture->setPixmap(windowIcon().pixmap(96, 96));

    int y = 14;
    for (const char* text :
         {"软件更新步骤:", "1.请确认您已经连接到网上,如果您设置了防火墙,必须允许程序通过.",
          "2.检测软件是否有新版本,如果有点击下载按钮.", "3.软件更新可能需要30秒--几分钟,这期间请您耐心等待..."}) {
        auto* label = new QLabel(QString::fromUtf8(text), this);
        label->setGeometry(204, y, 390, 20);
        y += 22;
    }
    memo_ = new QPlainTextEdit(this);
    memo_->setObjectName(QStringLiteral("suiMemo1"));
    memo_->setReadOnly(true);
    memo_->setGeometry(204, 106, 390, 180);

    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("suiProgressBar1"));
    progress_->setRange(0, 100);
    progress_->setTextVisible(true);
    progress_->setGeometry(204, 294, 390, 20);

    status_ = new QLabel(QStringLiteral("状态信息:"), this);
    status_->setObjectName(QStringLiteral("Label7"));
    status_->setGeometry(204, 322, 390, 20);

    checkButton_ = new QPushButton(QStringLiteral("检测升级"), this);
    checkButton_->setObjectName(QStringLiteral("suiButton1"));
    checkButton_->setGeometry(204, 370, 100, 28);
    downloadButton_ = new QPushButton(QStringLiteral("开始下载"), this);
    downloadButton_->setObjectName(QStringLiteral("suiButton3"));
    downloadButton_->setGeometry(334, 370, 100, 28);
    downloadButton_->setEnabled(false);
    auto* back = new QPushButton(QStringLiteral("返回"), this);
    back->setObjectName(QStringLiteral("suiButton2"));
    back->setGeometry(464, 370, 100, 28);

    MakeCheck(ownDownloader_, ownShell_, UpdateServerAddress());
    connect(checkButton_, &QPushButton::clicked, this, [this] { check_->CheckClick(); });
    connect(downloadButton_, &QPushButton::clicked, this, [this] { check_->DownloadClick(); });
    // 返回 ends a check that is still waiting for the server
    connect(back, &QPushButton::clicked, this, [this] {
        check_->Cancel();
        accept();
    });
}

void TForm6::reject()
{
    check_->Cancel();  // Esc and the close button, too
    QDialog::reject();
}

void TForm6::SetServices(IDownloader* downloader, IShell* shell, const std::string& serverAddress)
{
    MakeCheck(downloader ? *downloader : ownDownloader_, shell ? *shell : ownShell_, serverAddress);
}

void TForm6::MakeCheck(IDownloader& downloader, IShell& shell, const std::string& serverAddress)
{
    check_ = std::make_unique<UpdateCheck>(downloader, shell, serverAddress, updateFile_);
    check_->SetChanged([this] { ShowState(); });
    // the worker's result comes back through the event loop; gone with the window
    check_->SetPostToMainThread(
        [this](std::function<void()> work) { QMetaObject::invokeMethod(this, std::move(work), Qt::QueuedConnection); });
    ShowState();
}

void TForm6::showEvent(QShowEvent* event)
{
    check_->FormShow();
    QDialog::showEvent(event);
}

void TForm6::ShowState()
{
    const UpdateCheck::State& state = check_->Current();
    QStringList lines;
    for (const std::string& line : state.memoLines)
        lines << QString::fromStdString(line);
    memo_->setPlainText(lines.join(QLatin1Char('\n')));
    status_->setText(QString::fromStdString(state.status));
    progress_->setValue(state.progress);
    progress_->setFormat(state.failed ? QStringLiteral("检测失败") : QStringLiteral("%p%"));
    downloadButton_->setEnabled(state.downloadEnabled);
    downloadButton_->setToolTip(state.failed ? QString::fromStdString(state.status) : QString());
    checkButton_->setEnabled(!state.checking);
}
