#pragma once
// Applies the stored skin to a window every time it is shown (its Button1Click).
#include "app/SettingsFile.h"
#include "app/ui/WindowSkin.h"

#include <QObject>

class SkinOnShow final : public QObject {
    Q_OBJECT
public:
    // Watches `window`; lives as its child.
    static void Install(QWidget* window, const SettingsFile& settings);

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    SkinOnShow(QWidget* window, const SettingsFile& settings);
    const SettingsFile& settings_;
    WindowSkin skin_;
};
