#include "pty_pair.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace {

bool make_raw(int fd)
{
    termios t{};
    if (tcgetattr(fd, &t) != 0)
        return false;
    cfmakeraw(&t);
    return tcsetattr(fd, TCSANOW, &t) == 0;
}

} // namespace

Pty::Pty()
{
    master_fd = posix_openpt(O_RDWR | O_NOCTTY);
    char name[256] = {};
    if (master_fd < 0 || grantpt(master_fd) != 0 || unlockpt(master_fd) != 0 ||
        ptsname_r(master_fd, name, sizeof name) != 0) {
        close_master();
        return;
    }
    slave_fd = ::open(name, O_RDWR | O_NOCTTY);
    if (slave_fd < 0) {
        close_master();
        return;
    }
    // The slave stays open here so the master sees no hang-up while the tool closes
    // and reopens its own fd. QSerialPort::close() restores the slave's settings from
    // before its open, so the slave must already be raw then, or it would echo.
    if (!make_raw(master_fd) || !make_raw(slave_fd)) {
        close_master();
        close_slave();
        return;
    }
    fcntl(master_fd, F_SETFL, fcntl(master_fd, F_GETFL) | O_NONBLOCK);
    slave_name = QString::fromLocal8Bit(name);
}

Pty::~Pty()
{
    close_master();
    close_slave();
}

bool Pty::write(const QByteArray &data)
{
    if (master_fd < 0)
        return false;
    qint64 done = 0;
    QElapsedTimer clock;
    clock.start();
    while (done < data.size()) {
        const ssize_t n = ::write(master_fd, data.constData() + done, size_t(data.size() - done));
        if (n > 0) {
            done += n;
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        if (clock.elapsed() > 2000)
            return false;
        pollfd p{master_fd, POLLOUT, 0};
        ::poll(&p, 1, 10);
    }
    return true;
}

QByteArray Pty::read(int min_bytes, int timeout_ms)
{
    QByteArray out;
    if (master_fd < 0)
        return out;
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        char buf[4096];
        const ssize_t n = ::read(master_fd, buf, sizeof buf);
        if (n > 0) {
            out.append(buf, int(n));
            if (out.size() >= min_bytes)
                return out;
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return out;
        const qint64 left = timeout_ms - clock.elapsed();
        if (left <= 0)
            return out;
        // The port writes from the event loop, so keep it turning while we wait.
        QCoreApplication::processEvents();
        pollfd p{master_fd, POLLIN, 0};
        ::poll(&p, 1, int(qMin<qint64>(left, 5)));
    }
}

void Pty::drain()
{
    read(1 << 30, 0);
}

void Pty::close_master()
{
    if (master_fd >= 0)
        ::close(master_fd);
    master_fd = -1;
}

void Pty::close_slave()
{
    if (slave_fd >= 0)
        ::close(slave_fd);
    slave_fd = -1;
}
