#include "sim_process.h"

#include <QDeadlineTimer>

bool Sim_process::wait_traffic(const QString &needle, int timeout_ms)
{
    // Stdout is the read channel; short waits on it let the stderr lines come in meanwhile.
    const QDeadlineTimer deadline(timeout_ms);
    while (!traffic().contains(needle) && !deadline.hasExpired() && is_running())
        proc.waitForReadyRead(10);
    return traffic().contains(needle);
}

QString Sim_process::read_line(int timeout_ms)
{
    const QDeadlineTimer deadline(timeout_ms);
    while (!proc.canReadLine()) {
        if (!proc.waitForReadyRead(int(deadline.remainingTime())))
            return {};
    }
    return QString::fromUtf8(proc.readLine()).trimmed();
}
