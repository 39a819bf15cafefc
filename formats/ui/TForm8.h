#pragma once
// The option window "选项设置": ten lists filled from the chosen format's
// profile, the filter boxes and the clip group. 确定 writes OutputSettings
// and closes the chooser too; 取消 returns to the chooser.
#include <QDialog>
#include <array>
#include <memory>

#include "formats/FormatSession.h"
#include "formats/OptionWindowModel.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class IFormatsDialogs;
class IDurationProbe;

class TForm8 : public QDialog {
    Q_OBJECT
public:
    explicit TForm8(FormatSession& session, QWidget* parent = nullptr);
    ~TForm8() override;

    // Message boxes and the desktop's open action go here (not owned);
    // nullptr restores the Qt implementation.
    void SetDialogs(IFormatsDialogs* dialogs);
    // The source length for the clip fields (not owned); without one the
    // stop fields stay empty.
    void SetDurationProbe(IDurationProbe* probe);
    // The main window's control of "允许截取视频" before an add: unchecked,
    // and enabled for a single file, disabled for several.
    void ResetClipCheck(bool enabled);

    OptionWindowModel& Model() { return model_; }

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildWidgets();
    void showModel();
    void onConfirm();

    FormatSession& session_;
    std::unique_ptr<IFormatsDialogs> qtDialogs_;
    OptionWindowModel model_;
    bool syncing_ = false;  // true while the window mirrors the model into its widgets

    QLineEdit* sourceEdit_ = nullptr;
    std::array<QComboBox*, kOptionListCount> lists_{};
    std::array<QCheckBox*, 3> filterBoxes_{};
    std::array<QLineEdit*, 6> timeEdits_{};
    QCheckBox* clipCheck_ = nullptr;
    QPushButton* previewButton_ = nullptr;
    QPushButton* okButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
};
