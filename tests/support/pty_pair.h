#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>
#include <utility>

// A raw pseudo-terminal pair: the tool opens the slave by path, the test plays the module on
// the master. Closing the master is, to the tool, the device going away.
class Pty
{
    Q_DISABLE_COPY(Pty)

public:
    Pty()
    {
        // Our own slave fd spares the master a hang-up while the tool reopens the port. The
        // slave starts raw: QSerialPort::close() restores the settings it found.
        termios raw{};
        cfmakeraw(&raw);
        char name[256] = {};
        if (openpty(&master_fd, &slave_fd, name, &raw, nullptr) == 0)
            slave_name = QString::fromLocal8Bit(name);
        // A child process (the simulator) must not inherit them, or closing here closes nothing.
        for (const int fd : {master_fd, slave_fd})
            fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    ~Pty()
    {
        close_master();
        ::close(slave_fd);
    }

    bool is_open() const { return master_fd >= 0 && slave_fd >= 0 && !slave_name.isEmpty(); }
    QString slave_path() const { return slave_name; }
    bool write(const QByteArray &d) { return ::write(master_fd, d.data(), d.size()) == d.size(); }
    void close_master() { ::close(std::exchange(master_fd, -1)); }

    // Waits for min_bytes or timeout_ms, turning the event loop the port writes from.
    QByteArray read(int min_bytes, int timeout_ms)
    {
        QByteArray out;
        char buf[4096];
        const QDeadlineTimer end(timeout_ms);
        for (ssize_t n = 0; n >= 0 && out.size() < min_bytes && !end.hasExpired();) {
            QCoreApplication::processEvents();
            pollfd p{master_fd, POLLIN, 0};
            n = ::poll(&p, 1, 5) > 0 ? ::read(master_fd, buf, sizeof buf) : 0;
            out.append(buf, int(qMax<ssize_t>(n, 0)));
        }
        return out;
    }

private:
    int master_fd = -1, slave_fd = -1;
    QString slave_name;
};
