#pragma once
// Answers the modal windows the program shows while it is installed: each
// message box is recorded (its text and button texts) when it is shown and
// answered with its default button, or with the button whose text was asked
// for; each file dialog takes the next queued answer (cancelled when none).
#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QFileDialog>
#include <QMessageBox>
#include <QMetaObject>
#include <QObject>
#include <QPushButton>
#include <deque>
#include <string>
#include <vector>

namespace apptest {

class MessageBoxCatcher : public QObject {
public:
    struct Box {
        std::string title;
        std::string text;
        std::vector<std::string> buttons;
    };
    MessageBoxCatcher() { qApp->installEventFilter(this); }
    ~MessageBoxCatcher() override { qApp->removeEventFilter(this); }

    std::vector<Box> boxes;
    QString press;  // the text of the button to press; empty: the default button
    std::deque<QStringList> fileAnswers;  // the files each file dialog returns, in turn
    std::vector<std::string> dialogFolders;  // the folder each file dialog started in

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* box = qobject_cast<QMessageBox*>(watched);
        if (box && event->type() == QEvent::Show) {
            Box seen{box->windowTitle().toStdString(), box->text().toStdString(), {}};
            for (QAbstractButton* button : box->buttons())
                seen.buttons.push_back(button->text().toStdString());
            boxes.push_back(seen);
            QMetaObject::invokeMethod(
                box,
                [box, wanted = press] {
                    QAbstractButton* chosen = box->defaultButton();
                    for (QAbstractButton* button : box->buttons())
                        if (!wanted.isEmpty() && button->text() == wanted)
                            chosen = button;
                    if (chosen)
                        chosen->click();
                    else
                        box->reject();
                },
                Qt::QueuedConnection);
        }
        auto* files = qobject_cast<QFileDialog*>(watched);
        if (files && event->type() == QEvent::Show) {
            dialogFolders.push_back(files->directory().absolutePath().toStdString());
            QStringList answer;
            if (!fileAnswers.empty()) {
                answer = fileAnswers.front();
                fileAnswers.pop_front();
            }
            QMetaObject::invokeMethod(
                files,
                [files, answer] {
                    if (answer.isEmpty()) {
                        files->reject();
                        return;
                    }
                    QStringList quoted;
                    for (const QString& file : answer)
                        quoted << QLatin1Char('"') + file + QLatin1Char('"');
                    files->selectFile(answer.size() == 1 ? answer.front() : quoted.join(QLatin1Char(' ')));
                    static_cast<QDialog*>(files)->accept();  // the dialog's own check of the typed names
                },
                Qt::QueuedConnection);
        }
        return QObject::eventFilter(watched, event);
    }
};

}  // namespace apptest
