#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class QSocketNotifier;

namespace sim {

// Lines typed on standard input, delivered on the event loop. End of input just stops the
// reading; the module keeps running.
class Console : public QObject
{
    Q_OBJECT

public:
    static constexpr int cap = 4096;

    explicit Console(QObject *parent = nullptr);

    void start();

signals:
    void line(const QString &text);

private:
    void take(const QByteArray &bytes);

    QByteArray buffer;
    bool overflow = false;
    QSocketNotifier *notifier = nullptr;
};

// SIGINT and SIGTERM end the event loop (on Unix through a self-pipe, so only the loop acts).
void quit_on_signals();

} // namespace sim
