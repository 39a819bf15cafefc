#include "app/ui/TForm5.h"

#include "app/PasswordLock.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TForm5::TForm5(QWidget* parent) : QDialog(parent), ownRegistry_(IniRegistry::FromEnvironment()), ownDialogs_(this)
{
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(QStringLiteral("密码窗口"));
    setFixedSize(360, 207);

    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("Image1"));
    picture->setGeometry(16, 20, 64, 64);
    picture->setPixmap(windowIcon().pixmap(48, 48));

    auto* prompt = new QLabel(QStringLiteral("请输入您设置的密码："), this);
    prompt->setGeometry(96, 36, 240, 20);

    edit_ = new QLineEdit(this);
    edit_->setObjectName(QStringLiteral("suiEdit1"));
    edit_->setEchoMode(QLineEdit::Password);
    // "*" for each character, whatever the style's own mask is
    edit_->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));
    edit_->setGeometry(96, 66, 240, 24);

    auto* ok = new QPushButton(QStringLiteral("确定"), this);
    ok->setObjectName(QStringLiteral("suiButton2"));
    ok->setGeometry(96, 140, 90, 28);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &TForm5::suiButton2Click);

    auto* quit = new QPushButton(QStringLiteral("退出"), this);
    quit->setObjectName(QStringLiteral("suiButton1"));
    quit->setGeometry(246, 140, 90, 28);
    connect(quit, &QPushButton::clicked, this, &TForm5::suiButton1Click);
}

void TForm5::showEvent(QShowEvent* event)
{
    edit_->clear();
    ending_ = false;
    QDialog::showEvent(event);
}

void TForm5::suiButton2Click()
{
    if (PasswordLock::Accepts(Registry(), edit_->text().toStdString())) {
        ending_ = true;
        accept();
        return;
    }
    IDialogs& dialogs = dialogs_ ? *dialogs_ : static_cast<IDialogs&>(ownDialogs_);
    dialogs.MessageBox(PasswordLock::kWrongPasswordText, PasswordLock::kWrongPasswordCaption, MessageIcon::Error,
                       MessageButtons::Ok);
    EndProgram();
}

bool TForm5::PassLock()
{
    if (!PasswordLock::IsOn(Registry()))
        return true;
    return exec() == QDialog::Accepted;
}

void TForm5::suiButton1Click() { EndProgram(); }

void TForm5::EndProgram()
{
    ending_ = true;
    done(QDialog::Rejected);
}

void TForm5::closeEvent(QCloseEvent* event)
{
    if (!ending_)
        event->ignore();
}

void TForm5::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_F4 && (event->modifiers() & Qt::AltModifier)) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
