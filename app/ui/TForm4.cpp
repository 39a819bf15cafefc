#include "app/ui/TForm4.h"

#include "app/MainWindowTables.h"
#include "app/UpdateCheck.h"

#include <QLabel>
#include <QPushButton>

TForm4::TForm4(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("关于"));
    setFixedSize(400, 240);

    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("Image1"));
    picture->setGeometry(20, 20, 64, 64);
    picture->setPixmap(windowIcon().pixmap(64, 64));

    const QString site = QString::fromUtf8(kMakerWebSite.data(), static_cast<int>(kMakerWebSite.size()));
    const QString mail = QString::fromUtf8(kSupportMailAddress.data(), static_cast<int>(kSupportMailAddress.size()));
    const QStringList lines = {
        QStringLiteral("Quorvex"),
        QStringLiteral("版本：") + QString::fromLatin1(UpdateCheck::kCurrentVersion),
        QStringLiteral("软件网站：<a href=\"%1\">%1</a>").arg(site),
        QStringLiteral("联系信箱：<a href=\"mailto:%1\">%1</a>").arg(mail),
    };
    int y = 24;
    for (const QString& line : lines) {
        auto* label = new QLabel(line, this);
        label->setGeometry(100, y, 280, 22);
        label->setOpenExternalLinks(true);
        y += 28;
    }
    auto* ok = new QPushButton(QStringLiteral("确定"), this);
    ok->setObjectName(QStringLiteral("suiButton1"));
    ok->setGeometry(160, 196, 80, 28);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}
