// The CPU a program spends in the second after its line went away: the window, orbctl's watch
// and the simulator, each on a pseudo-terminal whose other end is closed under it, as an adapter
// pulled out. A program that notices the hang-up has stopped using the line (orbctl and the
// simulator end); one that does not turns on the dead line at full speed, and the figure shows
// it as a large part of the second.
#include "mainwindow.h"
#include "pty_pair.h"
#include "sim_process.h"
#include "test_env.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <sys/resource.h>

namespace {

constexpr int after_ms = 1000;

double own_cpu_ms()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 +
           (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

// utime + stime of a child, from /proc; it stays readable as a zombie until its QProcess reaps
// it, which takes the event loop, not turned while measuring.
double child_cpu_ms(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray line = stat.readAll();
    const QList<QByteArray> f = line.mid(line.lastIndexOf(')') + 2).split(' ');
    if (f.size() < 13)
        return -1;
    return (f[11].toDouble() + f[12].toDouble()) * 1e3 / double(sysconf(_SC_CLK_TCK));
}

void report(const char *what, double cpu_ms, const QString &state)
{
    std::printf("%-30s cpu %6.1f ms in the %d ms after the loss (%4.1f %% of a core), %s\n", what,
                cpu_ms, after_ms, 100 * cpu_ms / after_ms, qPrintable(state));
}

void child_after_loss(const char *what, QProcess &proc, Pty &pty)
{
    const double before = child_cpu_ms(proc.processId());
    pty.close_master();
    QThread::msleep(after_ms);
    const double after = child_cpu_ms(proc.processId());
    const bool ended = proc.waitForFinished(0) || proc.state() == QProcess::NotRunning;
    if (before < 0 || after < 0) {
        std::printf("%s: no figures from /proc\n", what);
        return;
    }
    report(what, after - before, ended ? QStringLiteral("ended") : QStringLiteral("still running"));
}

void window()
{
    Pty pty;
    qputenv("ORB_PTZ_WASHING_EXTRA_PORTS", QFile::encodeName(pty.slave_path()));
    MainWindow w;
    w.findChild<QComboBox *>(QStringLiteral("cb_port"))->setCurrentText(pty.slave_path());
    auto *connect = w.findChild<QPushButton *>(QStringLiteral("btn_connect"));
    connect->click();
    const QString connected = connect->text();
    const double before = own_cpu_ms();
    pty.close_master();
    QEventLoop loop;
    QTimer::singleShot(after_ms, &loop, &QEventLoop::quit);
    loop.exec();
    report("window", own_cpu_ms() - before,
           connect->text() == connected ? QStringLiteral("still connected")
                                        : QStringLiteral("disconnected"));
}

void orbctl_watch()
{
    Pty pty;
    QProcess orbctl;
    orbctl.start(QStringLiteral(ORBCTL_PATH),
                 {"-p", pty.slave_path(), "-a", "1", "--timeout", "5000", "status", "--watch",
                  "0.2"});
    // Lost while it waits for the reply to its first request.
    if (pty.read(1, 5000).isEmpty()) {
        std::printf("orbctl status --watch: no request came\n");
        return;
    }
    child_after_loss("orbctl status --watch", orbctl, pty);
}

void simulator()
{
    Pty pty;
    Sim_process sim({QStringLiteral("--port"), pty.slave_path()});
    if (!sim.wait_traffic(QStringLiteral("module 1 on "))) {
        std::printf("simulator --port: did not start\n");
        return;
    }
    child_after_loss("simulator --port", sim.proc, pty);
}

} // namespace

int main(int argc, char *argv[])
{
    const Test_env scratch(Test_env::Output::quiet);
    QApplication app(argc, argv);
    window();
    orbctl_watch();
    simulator();
    return 0;
}
