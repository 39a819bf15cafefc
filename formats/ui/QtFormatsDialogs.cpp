#include "formats/ui/QtFormatsDialogs.h"

#include <QDesktopServices>
#include <QMessageBox>
#include <QUrl>

void QtFormatsDialogs::ShowInformation(const std::string& caption, const std::string& text)
{
    QMessageBox box(QMessageBox::Information, QString::fromStdString(caption), QString::fromStdString(text),
                    QMessageBox::Ok, parent_);
    box.exec();
}

void QtFormatsDialogs::OpenWithDefaultApplication(const std::string& path)
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}
