#include "formats/ui/TForm8.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>

#include "formats/ui/QtFormatsDialogs.h"

namespace {

// Labels of the ten lists, in OptionList order.
constexpr const char* kListLabels[kOptionListCount] = {
    "视频编码器：", "视频比特率：", "视频分辨率：", "视频帧率：",     "音频编码器：",
    "音频比特率：", "音频采样率：", "声道设置：",   "视频缩放模式：", "音量调节：",
};

// The character a key press types, as a list view's key handler sees it; 0
// for keys that type nothing (arrows, Delete, modifiers), which pass untouched.
char32_t TypedKey(const QKeyEvent& key)
{
    // shortcuts (Ctrl+A, Ctrl+C, ...) type nothing; only typed characters are checked
    if (key.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return 0;
    if (key.key() == Qt::Key_Backspace)
        return 8;
    if (key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter)
        return 13;
    const QString text = key.text();
    const char32_t typed = text.isEmpty() ? 0 : text.toUcs4().value(0);
    return typed < 0x20 || typed == 0x7f ? 0 : typed;  // other control keys type nothing either
}

}  // namespace

TForm8::TForm8(FormatSession& session, QWidget* parent)
    : QDialog(parent), session_(session), qtDialogs_(std::make_unique<QtFormatsDialogs>(this)),
      model_(session, *qtDialogs_)
{
    setObjectName("Form8");
    setWindowTitle(QStringLiteral("选项设置"));
    setFixedSize(613, 647);
    buildWidgets();
    showModel();
}

TForm8::~TForm8() = default;

void TForm8::SetDialogs(IFormatsDialogs* dialogs) { model_.SetDialogs(dialogs ? *dialogs : *qtDialogs_); }

void TForm8::SetDurationProbe(IDurationProbe* probe) { model_.SetDurationProbe(probe); }

void TForm8::ResetClipCheck(bool enabled)
{
    model_.ResetClipCheck(enabled);
    showModel();
}

void TForm8::buildWidgets()
{
    auto label = [this](QWidget* parent, const QString& text, int x, int y, int width = 100) {
        auto* l = new QLabel(text, parent ? parent : this);
        l->setGeometry(x, y, width, 24);
        return l;
    };
    auto combo = [this](QWidget* parent, OptionList list, int x, int y, int width) {
        auto* box = new QComboBox(parent ? parent : this);
        box->setObjectName(kOptionListNames[Index(list)]);
        box->setEditable(false);
        box->setMaxVisibleItems(30);
        box->setGeometry(x, y, width, 24);
        lists_[Index(list)] = box;
        connect(box, &QComboBox::activated, this, [this, list](int index) {
            if (syncing_)
                return;
            model_.UserSelected(list, index);
            showModel();
        });
        return box;
    };
    auto listLabel = [&](QWidget* parent, OptionList list, int x, int y) {
        label(parent, QString::fromUtf8(kListLabels[Index(list)]), x, y, 110);
    };

    label(nullptr, QStringLiteral("视频源："), 20, 14);
    sourceEdit_ = new QLineEdit(this);
    sourceEdit_->setObjectName("suiEdit1");
    sourceEdit_->setReadOnly(true);
    sourceEdit_->setGeometry(130, 14, 463, 24);

    listLabel(nullptr, OptionList::VideoEncoder, 20, 48);
    combo(nullptr, OptionList::VideoEncoder, 130, 48, 300);

    auto* videoGroup = new QGroupBox(QStringLiteral("视频编码详细设置"), this);
    videoGroup->setObjectName("suiRadioGroup1");
    videoGroup->setGeometry(15, 80, 583, 150);
    listLabel(videoGroup, OptionList::VideoBitrate, 15, 24);
    combo(videoGroup, OptionList::VideoBitrate, 125, 24, 300);
    listLabel(videoGroup, OptionList::FrameSize, 15, 54);
    combo(videoGroup, OptionList::FrameSize, 125, 54, 300);
    listLabel(videoGroup, OptionList::FrameRate, 15, 84);
    combo(videoGroup, OptionList::FrameRate, 125, 84, 300);
    label(videoGroup, QStringLiteral("视频滤镜："), 15, 116);
    const char* filterNames[3] = {"suiCheckBox2", "suiCheckBox3", "suiCheckBox4"};
    const char* filterCaptions[3] = {"视频图像水平翻转", "视频图像垂直翻转", "视频显示底片效果"};
    for (int i = 0; i < 3; ++i) {
        auto* box = new QCheckBox(QString::fromUtf8(filterCaptions[i]), videoGroup);
        box->setObjectName(filterNames[i]);
        box->setGeometry(125 + i * 150, 116, 145, 24);
        connect(box, &QCheckBox::toggled, this, [this, i](bool checked) {
            if (!syncing_)
                model_.SetFilter(static_cast<FilterBox>(i), checked);
        });
        filterBoxes_[i] = box;
    }

    listLabel(nullptr, OptionList::AudioEncoder, 20, 240);
    combo(nullptr, OptionList::AudioEncoder, 130, 240, 300);

    auto* audioGroup = new QGroupBox(QStringLiteral("音频编码详细设置"), this);
    audioGroup->setObjectName("suiRadioGroup2");
    audioGroup->setGeometry(15, 272, 583, 118);
    listLabel(audioGroup, OptionList::AudioBitrate, 15, 24);
    combo(audioGroup, OptionList::AudioBitrate, 125, 24, 200);
    listLabel(audioGroup, OptionList::SampleRate, 15, 54);
    combo(audioGroup, OptionList::SampleRate, 125, 54, 200);
    listLabel(audioGroup, OptionList::Channels, 15, 84);
    combo(audioGroup, OptionList::Channels, 125, 84, 200);

    listLabel(nullptr, OptionList::ScalingMode, 20, 398);
    combo(nullptr, OptionList::ScalingMode, 130, 398, 300);
    listLabel(nullptr, OptionList::Volume, 20, 430);
    combo(nullptr, OptionList::Volume, 130, 430, 300);

    auto* clipGroup = new QGroupBox(QStringLiteral("分割截取视频"), this);
    clipGroup->setObjectName("suiRadioGroup3");
    clipGroup->setGeometry(15, 462, 583, 130);
    clipCheck_ = new QCheckBox(QStringLiteral("允许截取视频"), clipGroup);
    clipCheck_->setObjectName("suiCheckBox1");
    clipCheck_->setGeometry(15, 22, 200, 24);
    connect(clipCheck_, &QCheckBox::clicked, this, [this](bool checked) {
        model_.SetClipChecked(checked);
        showModel();
    });
    const QString units[3] = {QStringLiteral("时"), QStringLiteral("分"), QStringLiteral("秒")};
    auto* digits = new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), this);
    for (int row = 0; row < 2; ++row) {
        const int y = 54 + row * 34;
        label(clipGroup, row == 0 ? QStringLiteral("转换起始时间：") : QStringLiteral("转换停止时间："), 15, y, 110);
        for (int i = 0; i < 3; ++i) {
            const int field = row * 3 + i;
            auto* edit = new QLineEdit(clipGroup);
            edit->setObjectName(QStringLiteral("suiEdit%1").arg(field + 2));
            edit->setGeometry(125 + i * 75, y, 45, 24);
            edit->setValidator(digits);
            edit->installEventFilter(this);
            connect(edit, &QLineEdit::textChanged, this, [this, field](const QString& text) {
                if (!syncing_)
                    model_.SetTimeField(field, text.toStdString());
            });
            timeEdits_[field] = edit;
            label(clipGroup, units[i], 172 + i * 75, y, 24);
        }
    }
    previewButton_ = new QPushButton(QStringLiteral("预览视频"), clipGroup);
    previewButton_->setObjectName("suiButton3");
    previewButton_->setGeometry(440, 70, 110, 30);
    connect(previewButton_, &QPushButton::clicked, this, [this] { model_.Preview(); });

    okButton_ = new QPushButton(QStringLiteral("确定"), this);
    okButton_->setObjectName("suiButton1");
    okButton_->setGeometry(395, 605, 95, 30);
    cancelButton_ = new QPushButton(QStringLiteral("取消"), this);
    cancelButton_->setObjectName("suiButton2");
    cancelButton_->setGeometry(500, 605, 95, 30);
    // Enter presses 确定 wherever the focus is; a focused button does not take it over
    for (QPushButton* button : {previewButton_, okButton_, cancelButton_})
        button->setAutoDefault(false);
    okButton_->setDefault(true);
    connect(okButton_, &QPushButton::clicked, this, &TForm8::onConfirm);
    connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);
}

void TForm8::showModel()
{
    syncing_ = true;
    sourceEdit_->setText(QString::fromStdString(model_.SourceText()));
    for (std::size_t i = 0; i < kOptionListCount; ++i) {
        const ComboState& state = model_.List(static_cast<OptionList>(i));
        QComboBox* box = lists_[i];
        const QSignalBlocker blocker(box);
        box->clear();
        for (const std::string& item : state.items)
            box->addItem(QString::fromStdString(item));
        box->setCurrentIndex(state.selected);
        box->setEnabled(state.enabled);
    }
    for (int i = 0; i < 3; ++i) {
        filterBoxes_[i]->setChecked(model_.Filter(static_cast<FilterBox>(i)));
        filterBoxes_[i]->setEnabled(model_.FiltersEnabled());
    }
    clipCheck_->setChecked(model_.ClipChecked());
    clipCheck_->setEnabled(model_.ClipCheckEnabled());
    for (int i = 0; i < 6; ++i) {
        timeEdits_[i]->setText(QString::fromStdString(model_.TimeField(i)));
        timeEdits_[i]->setEnabled(model_.TimeFieldsEnabled());
    }
    syncing_ = false;
}

void TForm8::showEvent(QShowEvent* event)
{
    model_.Shown();
    showModel();
    QDialog::showEvent(event);
}

void TForm8::onConfirm()
{
    const ConfirmOutcome outcome = model_.Confirm();
    showModel();
    if (outcome == ConfirmOutcome::Closed)
        accept();
}

bool TForm8::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        for (QLineEdit* edit : timeEdits_) {
            if (watched != edit)
                continue;
            const char32_t key = TypedKey(*static_cast<QKeyEvent*>(event));
            if (key != 0 && !model_.TimeKeyAccepted(key))
                return true;  // discarded
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}
