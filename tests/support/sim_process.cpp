#include "sim_process.h"

#include <QDeadlineTimer>

Sim_process::Sim_process(const QStringList &args, int start_timeout_ms)
{
    proc.setProcessChannelMode(QProcess::SeparateChannels);
    proc.setReadChannel(QProcess::StandardOutput);
    proc.start(QStringLiteral(ORB_SIM_PATH), args);
    if (!proc.waitForStarted(start_timeout_ms))
        return;
    QString first;
    if (read_line(&first, start_timeout_ms))
        line_path = first;
}

Sim_process::~Sim_process()
{
    stop();
}

bool Sim_process::is_running() const
{
    return !line_path.isEmpty() && proc.state() == QProcess::Running;
}

bool Sim_process::read_line(QString *line, int timeout_ms)
{
    QDeadlineTimer deadline(timeout_ms);
    for (;;) {
        if (proc.canReadLine()) {
            *line = QString::fromUtf8(proc.readLine()).trimmed();
            return true;
        }
        if (proc.state() != QProcess::Running || deadline.hasExpired())
            return false;
        proc.waitForReadyRead(int(qMin<qint64>(50, qMax<qint64>(1, deadline.remainingTime()))));
    }
}

bool Sim_process::command(const QString &text, int timeout_ms)
{
    answer.clear();
    if (proc.state() != QProcess::Running)
        return false;
    proc.write((text + QLatin1Char('\n')).toUtf8());
    if (!read_line(&answer, timeout_ms))
        return false;
    return answer.startsWith(QLatin1String("ok"));
}

QString Sim_process::traffic()
{
    err += proc.readAllStandardError();
    return QString::fromUtf8(err);
}

void Sim_process::clear_traffic()
{
    traffic();
    err.clear();
}

bool Sim_process::wait_traffic(const QString &needle, int timeout_ms)
{
    QDeadlineTimer deadline(timeout_ms);
    while (!traffic().contains(needle)) {
        if (proc.state() != QProcess::Running || deadline.hasExpired())
            return traffic().contains(needle);
        // Stdout is the read channel, so poll the stderr data in short steps.
        proc.waitForReadyRead(10);
    }
    return true;
}

bool Sim_process::wait_finished(int timeout_ms)
{
    if (proc.state() == QProcess::NotRunning)
        return true;
    const bool done = proc.waitForFinished(timeout_ms);
    traffic();
    return done;
}

bool Sim_process::stop(int timeout_ms)
{
    if (proc.state() == QProcess::NotRunning)
        return true;
    proc.terminate();
    if (proc.waitForFinished(timeout_ms)) {
        traffic();
        return true;
    }
    proc.kill();
    proc.waitForFinished(timeout_ms);
    return false;
}
