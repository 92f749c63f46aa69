#include "console.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cstdio>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#else
#include <QPointer>
#include <iostream>
#include <string>
#include <thread>
#endif

namespace sim {

Console::Console(QObject *parent)
    : QObject(parent)
{}

void Console::take(const QByteArray &bytes)
{
    for (const char c : bytes) {
        if (c == '\n') {
            if (!overflow)
                emit line(QString::fromUtf8(buffer).trimmed());
            buffer.clear();
            overflow = false;
        } else if (buffer.size() >= cap) {
            buffer.clear();
            overflow = true;
        } else if (!overflow) {
            buffer.append(c);
        }
    }
}

#ifdef Q_OS_UNIX

void Console::start()
{
    struct stat st = {};
    const bool driven = isatty(STDIN_FILENO) || (fstat(STDIN_FILENO, &st) == 0 &&
                                                 (S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode)));
    notifier = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this, driven] {
        char buf[1024];
        const ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
        if (n > 0) {
            take(QByteArray(buf, int(n)));
        } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
            notifier->setEnabled(false);
            if (driven)
                emit closed();
        }
    });
}

namespace {

int signal_pipe[2] = {-1, -1};

void on_signal(int number)
{
    const char c = char(number);
    const ssize_t ignored = ::write(signal_pipe[1], &c, 1);
    (void)ignored;
}

} // namespace

void on_signals(const std::function<void(int)> &stop)
{
    if (::pipe(signal_pipe) != 0)
        return;
    fcntl(signal_pipe[1], F_SETFL, O_NONBLOCK);
    auto *notifier =
        new QSocketNotifier(signal_pipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [notifier, stop] {
        char c = 0;
        if (::read(signal_pipe[0], &c, 1) != 1)
            return;
        notifier->setEnabled(false);
        stop(int(c));
    });
    struct sigaction sa = {};
    sa.sa_handler = on_signal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
}

#else

void Console::start()
{
    // Console input cannot be watched by a notifier here; a reader thread hands the lines over.
    // It stays blocked in the read until the process ends.
    QPointer<Console> self(this);
    std::thread([self] {
        std::string text;
        while (std::getline(std::cin, text)) {
            QByteArray bytes = QByteArray::fromStdString(text);
            bytes.append('\n');
            QMetaObject::invokeMethod(QCoreApplication::instance(), [self, bytes] {
                if (self)
                    self->take(bytes);
            });
        }
    }).detach();
}

void on_signals(const std::function<void(int)> &) {}

#endif

} // namespace sim
