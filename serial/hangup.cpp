#include "hangup.h"

#include <QDeadlineTimer>
#include <QSignalBlocker>
#include <QSocketNotifier>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <climits>
#include <cstring>
#include <poll.h>
#include <unistd.h>
#endif

namespace orb {

namespace {

#ifdef Q_OS_UNIX
// poll's events for the descriptor within the time (0: none came).
short poll_events(int fd, QDeadlineTimer deadline)
{
    pollfd p{fd, POLLIN, 0};
    for (;;) {
        const qint64 left = deadline.remainingTime();
        const int r = ::poll(&p, 1, int(qMin(left, qint64(INT_MAX))));
        if (r >= 0)
            return r == 0 ? 0 : p.revents;
        if (errno != EINTR)
            return POLLERR;
    }
}
#endif

} // namespace

bool hung_up(const QSerialPort &port)
{
#ifdef Q_OS_UNIX
    return port.isOpen() && (poll_events(int(port.handle()), QDeadlineTimer(0)) & POLLHUP);
#else
    Q_UNUSED(port)
    return false;
#endif
}

Line_error line_error(const QSerialPort &port)
{
#ifdef Q_OS_UNIX
    // What an empty read made Qt report: the device is gone, as the system says of a hung-up line.
    if (hung_up(port))
        return {QSerialPort::ResourceError, QString::fromLocal8Bit(std::strerror(EIO))};
#endif
    return {port.error(), port.errorString()};
}

bool wait_for_ready_read(QSerialPort &port, int msecs)
{
#ifdef Q_OS_UNIX
    if (port.isOpen() && port.bytesToWrite() == 0) {
        const short events = poll_events(int(port.handle()), QDeadlineTimer(msecs));
        if (!(events & (POLLIN | POLLERR | POLLNVAL)))
            return false;
        // Bytes, possibly the last before a hang-up, or an error: Qt reads them or reports it.
        return port.waitForReadyRead(0);
    }
#endif
    return port.waitForReadyRead(msecs);
}

Hangup_watch::Hangup_watch(QSerialPort *port, QObject *parent)
    : QObject(parent)
    , port(port)
{
    connect(port, &QIODevice::aboutToClose, this, &Hangup_watch::disarm);
}

Hangup_watch::~Hangup_watch()
{
    disarm();
}

void Hangup_watch::arm()
{
#ifdef Q_OS_UNIX
    disarm();
    if (!port->isOpen())
        return;
    fd = ::dup(int(port->handle()));
    if (fd < 0)
        return;
    // Wakes whenever Qt's own notifier does: on bytes, which Qt reads in the same turn of the
    // loop, and on the hang-up, which nothing clears.
    notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &Hangup_watch::check);
#endif
}

void Hangup_watch::close_port()
{
    disarm();
    const QSignalBlocker quiet(port);
    port->close();
}

void Hangup_watch::disarm()
{
#ifdef Q_OS_UNIX
    if (notifier) {
        // Possibly from within its own signal.
        notifier->setEnabled(false);
        notifier->deleteLater();
        notifier = nullptr;
    }
    // The copy would keep the device open past the port's close.
    if (fd >= 0)
        ::close(fd);
    fd = -1;
#endif
}

void Hangup_watch::check()
{
#ifdef Q_OS_UNIX
    if (!port->isOpen()) {
        disarm();
        return;
    }
    if (fd < 0 || !(poll_events(fd, QDeadlineTimer(0)) & POLLHUP))
        return;
    disarm();
    emit hung_up();
#endif
}

} // namespace orb
