#pragma once

#include <QObject>
#include <QSerialPort>
#include <QString>

class QSocketNotifier;

namespace orb {

// A line whose other end went away (an adapter unplugged, a pseudo-terminal's peer closed) is
// hung up: its reads give zero bytes and its descriptor stays readable. Older Qt builds took the
// empty read for an error; newer ones say nothing and, left alone, spin on it. The hang-up
// itself stays visible to the system, and that is what is asked here. On Windows Qt still
// reports the loss, so nothing is added there.

// The port's error, or for a line that hung up without Qt saying so, the one Qt gave such a
// line before.
struct Line_error
{
    QSerialPort::SerialPortError code;
    QString text;
};
Line_error line_error(const QSerialPort &port);

// True when the open port's line has hung up.
bool hung_up(const QSerialPort &port);

// QSerialPort::waitForReadyRead, except that a hang-up ends the wait at once: Qt waits for input
// alone and turns at full speed through a hang-up until its time is up.
bool wait_for_ready_read(QSerialPort &port, int msecs);

// For ports driven by the event loop: says once that the line hung up. Armed after each open;
// closed through close_port, or with its signals on, the port disarms it.
class Hangup_watch : public QObject
{
    Q_OBJECT

public:
    explicit Hangup_watch(QSerialPort *port, QObject *parent = nullptr);
    ~Hangup_watch() override;

    void arm();
    // Closes the port without a word (closing a device that is gone can report once more) and
    // lets go of the line.
    void close_port();

signals:
    void hung_up();

private:
    void disarm();
    void check();

    QSerialPort *port;
    QSocketNotifier *notifier = nullptr;
    // A copy of the port's descriptor: the dispatchers keep one read notifier per descriptor, and
    // Qt's own is on the port's.
    int fd = -1;
};

} // namespace orb
