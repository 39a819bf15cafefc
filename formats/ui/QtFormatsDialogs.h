#pragma once
// Message boxes and the desktop's open action on Qt.
#include <QPointer>
#include <QWidget>

#include "formats/IFormatsDialogs.h"

class QtFormatsDialogs : public IFormatsDialogs {
public:
    explicit QtFormatsDialogs(QWidget* parent) : parent_(parent) {}
    void ShowInformation(const std::string& caption, const std::string& text) override;
    void OpenWithDefaultApplication(const std::string& path) override;

private:
    QPointer<QWidget> parent_;
};
