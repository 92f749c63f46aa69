#include "pty_link.h"

#ifdef Q_OS_UNIX

#include <QSocketNotifier>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace sim {

Pty_link::Pty_link(QObject *parent)
    : Link(parent)
{}

Pty_link::~Pty_link()
{
    close();
}

bool Pty_link::open(QString *error)
{
    master_fd = posix_openpt(O_RDWR | O_NOCTTY);
    if (master_fd < 0 || grantpt(master_fd) != 0 || unlockpt(master_fd) != 0) {
        *error = QStringLiteral("cannot create a pseudo-terminal: %1")
                     .arg(QString::fromLocal8Bit(strerror(errno)));
        close();
        return false;
    }
    const char *name = ptsname(master_fd);
    if (name)
        slave_name = QString::fromLocal8Bit(name);
    slave_fd = name ? ::open(name, O_RDWR | O_NOCTTY) : -1;
    termios tio;
    if (slave_fd < 0 || tcgetattr(slave_fd, &tio) != 0) {
        *error = QStringLiteral("cannot open the pseudo-terminal's slave: %1")
                     .arg(QString::fromLocal8Bit(strerror(errno)));
        close();
        return false;
    }
    // Raw, so nothing is echoed back or turned from CR into LF on the way.
    cfmakeraw(&tio);
    cfsetispeed(&tio, B9600);
    cfsetospeed(&tio, B9600);
    tcsetattr(slave_fd, TCSANOW, &tio);
    fcntl(master_fd, F_SETFL, fcntl(master_fd, F_GETFL) | O_NONBLOCK);

    reader = new QSocketNotifier(master_fd, QSocketNotifier::Read, this);
    connect(reader, &QSocketNotifier::activated, this, &Pty_link::read_ready);
    writer = new QSocketNotifier(master_fd, QSocketNotifier::Write, this);
    writer->setEnabled(false);
    connect(writer, &QSocketNotifier::activated, this, &Pty_link::flush);
    return true;
}

void Pty_link::read_ready()
{
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(master_fd, buf, sizeof buf);
        if (n > 0) {
            emit received(QByteArray(buf, int(n)));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        // Hung up or failed: a dead descriptor stays readable, so reading on would spin.
        const QString why = QString::fromLocal8Bit(strerror(n < 0 ? errno : EIO));
        close();
        emit lost(why);
        return;
    }
}

void Pty_link::write(const QByteArray &bytes)
{
    if (master_fd < 0)
        return;
    if (pending.size() + bytes.size() > pending_cap) {
        emit note(
            QStringLiteral("%1 bytes dropped: the other side is not reading").arg(bytes.size()));
        return;
    }
    pending.append(bytes);
    flush();
}

void Pty_link::flush()
{
    while (!pending.isEmpty()) {
        const ssize_t n = ::write(master_fd, pending.constData(), size_t(pending.size()));
        if (n > 0) {
            pending.remove(0, int(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            const QString why = QString::fromLocal8Bit(strerror(errno));
            pending.clear();
            close();
            emit lost(why);
            return;
        }
        break;
    }
    if (writer)
        writer->setEnabled(!pending.isEmpty());
}

bool Pty_link::drained() const
{
    if (!pending.isEmpty())
        return false;
    // Closing the master throws away what the slave has not read yet, so ask the slave's queue.
    int queued = 0;
    return slave_fd < 0 || ioctl(slave_fd, FIONREAD, &queued) != 0 || queued == 0;
}

void Pty_link::discard()
{
    pending.clear();
    if (writer)
        writer->setEnabled(false);
    // The slave end is held here, so unread bytes would outlive the tool closing its port.
    if (slave_fd >= 0)
        tcflush(slave_fd, TCIFLUSH);
}

void Pty_link::close()
{
    // Later, not now: close() may run inside one of their own notifications.
    for (QSocketNotifier *n : {reader, writer}) {
        if (n) {
            n->setEnabled(false);
            n->deleteLater();
        }
    }
    reader = nullptr;
    writer = nullptr;
    if (slave_fd >= 0)
        ::close(slave_fd);
    if (master_fd >= 0)
        ::close(master_fd);
    slave_fd = -1;
    master_fd = -1;
}

} // namespace sim

#endif
