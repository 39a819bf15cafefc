#pragma once
// A desktop notification: freedesktop notifications over the session D-Bus,
// else `notify-send` when it is installed; without either nothing is shown
// and nothing fails. Never waits for an answer.
#include <QObject>
#include <string>

class QtNotifier final : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    void Notify(const std::string& title, const std::string& text);

signals:
    void sent(bool overDBus);  // the request went out (tests)

private:
    void NotifySend(const QString& title, const QString& text);
};
