#include "sim_process.h"

#include <QDeadlineTimer>

Sim_process::Sim_process(const QStringList &args, Traffic traffic, const QString &program)
{
    if (traffic == Traffic::dropped)
        proc.setStandardErrorFile(QProcess::nullDevice());
    proc.start(program, args);
    // A sanitizer build starts slowly on a busy machine.
    line_path = read_line(10000);
}

void Sim_process::forget_traffic(int chars)
{
    err.remove(0, traffic().left(chars).toUtf8().size());
}

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
