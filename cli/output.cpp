#include "output.h"

#include "console_out.h"

#include <QElapsedTimer>
#include <QThread>
#include <QTime>

#include <csignal>
#include <cstdio>

namespace {

volatile std::sig_atomic_t interrupted = 0;
QString *captured = nullptr;

void on_interrupt(int)
{
    interrupted = 1;
}

} // namespace

void fail(const QString &text)
{
    write_text(stderr, "orbctl: " + text + '\n');
}

void out(const QString &text)
{
    if (captured) {
        *captured += text;
        return;
    }
    write_text(stdout, text);
}

void capture_out(QString *into)
{
    captured = into;
}

int finish(const Result &result)
{
    if (!result.ok())
        fail(result.message);
    return exit_status(result.outcome);
}

void watch_signals()
{
    std::signal(SIGINT, on_interrupt);
    std::signal(SIGTERM, on_interrupt);
}

bool watch_interrupted()
{
    return interrupted;
}

QString watch_stamp(bool watching)
{
    return watching ? QTime::currentTime().toString(QStringLiteral("hh:mm:ss.zzz  ")) : QString();
}

void watch_wait(const QElapsedTimer &clock, qint64 n, qint64 every_ms)
{
    // Short naps let Ctrl-C end the wait.
    while (!interrupted && clock.elapsed() < n * every_ms)
        QThread::msleep(ulong(qBound(qint64(1), n * every_ms - clock.elapsed(), qint64(50))));
}
