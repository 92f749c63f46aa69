#pragma once

#include <QProcess>

// The module simulator: prints its pty path, then answers each stdin command with one line.
// Its traffic lines (stderr) are kept for traffic() unless dropped: a caller that never turns
// an event loop while the simulator talks would otherwise let the pipe fill and stall it.
class Sim_process
{
    Q_DISABLE_COPY(Sim_process)

public:
    enum class Traffic { kept, dropped };

    explicit Sim_process(const QStringList &args = {}, Traffic traffic = Traffic::kept,
                         const QString &program = QStringLiteral(ORB_SIM_PATH));
    ~Sim_process()
    {
        proc.terminate();
        proc.waitForFinished(3000);
    }
    bool is_running() const { return !line_path.isEmpty() && proc.state() == QProcess::Running; }
    QString path() const { return line_path; }
    bool command(const QString &text) // "fault bad-crc", ...; true for an "ok" answer
    {
        proc.write((text + QLatin1Char('\n')).toUtf8());
        return (answer = read_line(3000)).startsWith(QLatin1String("ok"));
    }
    QString last_answer() const { return answer; }
    QString traffic() { return QString::fromUtf8(err += proc.readAllStandardError()); }
    void clear_traffic()
    {
        proc.readAllStandardError();
        err.clear();
    }
    // Forgets the first `chars` characters of traffic(), keeping what came after them.
    void forget_traffic(int chars);
    bool wait_traffic(const QString &needle, int timeout_ms = 3000);
    QProcess proc;

private:
    QString read_line(int timeout_ms);
    QString line_path, answer;
    QByteArray err;
};
