#pragma once
// The window "密码窗口"; created once at start and shown modally before the
// main window is used when the password lock is on. It ends accepted when the
// user may work and rejected when the program must end.
#include "app/IDialogs.h"
#include "app/IniRegistry.h"
#include "app/ui/QtDialogs.h"

#include <QDialog>

class QLineEdit;
class QPushButton;

class TForm5 final : public QDialog {
    Q_OBJECT
public:
    explicit TForm5(QWidget* parent = nullptr);

    // Replace the key store and the message boxes (tests); not owned.
    void SetRegistry(const IRegistry* registry) { registry_ = registry; }
    void SetDialogs(IDialogs* dialogs) { dialogs_ = dialogs; }
    const IRegistry& Registry() const { return registry_ ? *registry_ : ownRegistry_; }

    // The check of the main window's first show: with the lock on, shows this
    // window modally; true when the user may work, false when the program must end.
    bool PassLock();

    QLineEdit* PasswordEdit() const { return edit_; }
    void suiButton2Click();  // 确定
    void suiButton1Click();  // 退出

    // Escape and the window manager's close (Alt+F4) do not answer the lock.
    void reject() override {}

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void EndProgram();

    IniRegistry ownRegistry_;
    const IRegistry* registry_ = nullptr;
    QtDialogs ownDialogs_;
    IDialogs* dialogs_ = nullptr;
    QLineEdit* edit_ = nullptr;
    bool ending_ = false;
};
