#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>

class QSocketNotifier;

namespace sim {

// Lines typed on standard input, delivered on the event loop. When a pipe or terminal on
// standard input reaches its end, whoever drove the simulator is gone and closed() says so;
// no input at all (/dev/null, a file read to its end) just stops the reading.
class Console : public QObject
{
    Q_OBJECT

public:
    static constexpr int cap = 4096;

    explicit Console(QObject *parent = nullptr);

    void start();

signals:
    void line(const QString &text);
    void closed();

private:
    void take(const QByteArray &bytes);

    QByteArray buffer;
    bool overflow = false;
    QSocketNotifier *notifier = nullptr;
};

// SIGINT and SIGTERM call stop with the signal's number, on the event loop (on Unix through a
// self-pipe, so the handler itself does nothing but write one byte).
void on_signals(const std::function<void(int)> &stop);

} // namespace sim
