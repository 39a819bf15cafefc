#pragma once
// Qt's own texts in Chinese: the standard buttons of message boxes, the file
// and folder dialogs, the context menus of edits. Loaded from Qt's
// translations folder (qtbase_zh_CN.qm of the qt6-translations-l10n package).
class QCoreApplication;

// Installs the translation on `application`; false when it is not installed.
bool InstallQtChineseTranslations(QCoreApplication& application);
