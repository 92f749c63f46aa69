#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

class QSocketNotifier;

namespace sim {

class Simulator;

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

// One command typed on the console: its verb, the words after it, and what it does. A handler
// returns nothing when done, so that the line is acknowledged with "ok" and noted in the
// traffic, or else the whole answer line ("ok ..." or "error ...").
struct Console_command
{
    QString verb;
    int words;           // after the verb; -1 for one or more
    QStringList choices; // when not empty: the one word must be one of these
    QString (*run)(Simulator &sim, const QStringList &words);
};

const QVector<Console_command> &console_commands();

// Runs one console line; its answer goes to standard output.
void run_console_command(Simulator &sim, const QString &text);

// SIGINT and SIGTERM call stop with the signal's number, on the event loop (on Unix through a
// self-pipe, so the handler itself does nothing but write one byte).
void on_signals(const std::function<void(int)> &stop);

} // namespace sim
