#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

// The module simulator (ORB_SIM_PATH) as a child process for tests and benchmarks. The
// constructor starts it and waits, bounded, for the line path it prints first; the destructor
// stops it (terminate, bounded wait, then kill).
class Sim_process
{
    Q_DISABLE_COPY(Sim_process)

public:
    explicit Sim_process(const QStringList &args = {}, int start_timeout_ms = 5000);
    ~Sim_process();

    // True once the path line has arrived and while the process runs.
    bool is_running() const;
    // The pty slave's path (or the --port name) the simulator printed; empty if it never did.
    QString path() const { return line_path; }

    // Sends one stdin command ("fault bad-crc", "rain on", ...) and waits for its answer
    // line. True when the answer starts with "ok"; the answer itself is in last_answer().
    bool command(const QString &text, int timeout_ms = 3000);
    QString last_answer() const { return answer; }

    // Everything the simulator wrote on stderr so far: its time-stamped traffic lines.
    QString traffic();
    // Waits, bounded, until the traffic holds needle; true if it turned up.
    bool wait_traffic(const QString &needle, int timeout_ms = 3000);
    // Forgets the traffic collected so far, so the next wait_traffic looks only at new lines.
    void clear_traffic();

    // Stops the simulator; true when it ended by itself within the time (not killed).
    bool stop(int timeout_ms = 3000);
    // Waits, bounded, for the process to end on its own (after "quit" or a vanish fault).
    bool wait_finished(int timeout_ms = 3000);
    int exit_code() const { return proc.exitCode(); }
    QProcess::ExitStatus exit_status() const { return proc.exitStatus(); }

    QProcess &process() { return proc; }

private:
    bool read_line(QString *line, int timeout_ms);

    QProcess proc;
    QString line_path;
    QString answer;
    QByteArray err;
};
