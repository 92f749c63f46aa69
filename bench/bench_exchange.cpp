// One status request through the real window, port and module simulator, from the button's
// click to the success box: the time an engineer waits. Prints median and worst over the runs
// and the CPU time the tool spent per exchange, with the simulator paced like a 9600-baud
// line and unpaced.
#include "box_closer.h"
#include "mainwindow.h"
#include "sim_process.h"
#include "test_env.h"
#include "window_probe.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

constexpr int runs = 30;
// An engineer does not click faster than this; it also lets the previous reply's read-outs settle.
constexpr int pause_ms = 300;

void pause()
{
    QEventLoop loop;
    QTimer::singleShot(pause_ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void measure(const char *name, const QStringList &sim_args)
{
    const Sim_process sim(sim_args + QStringList{QStringLiteral("--init"), QStringLiteral("0")},
                          Sim_process::Traffic::dropped);
    if (!sim.is_running()) {
        std::printf("%s: the simulator did not start\n", name);
        return;
    }
    MainWindow w;
    w.findChild<QSpinBox *>(QStringLiteral("sb_address_upu"))->setValue(1);
    if (!connect_window(w, sim.path())) {
        std::printf("%s: the port did not open\n", name);
        return;
    }
    auto *read_state = w.findChild<QPushButton *>(QStringLiteral("btn_read_state"));

    QElapsedTimer clock;
    qint64 seen_ns = -1;
    Box_closer closer(1);
    closer.before_close = [&](QDialog *) {
        seen_ns = clock.nsecsElapsed();
    };

    std::vector<double> ms;
    std::clock_t cpu = 0;
    for (int i = 0; i < runs; ++i) {
        pause();
        seen_ns = -1;
        const std::clock_t cpu0 = std::clock();
        clock.start();
        read_state->click(); // returns once the box has been closed
        cpu += std::clock() - cpu0;
        if (seen_ns < 0) {
            std::printf("%s: run %d got no answer\n", name, i);
            break;
        }
        ms.push_back(double(seen_ns) / 1e6);
    }
    if (ms.empty())
        return;
    const double cpu_ms = 1e3 * double(cpu) / CLOCKS_PER_SEC / double(ms.size());
    std::sort(ms.begin(), ms.end());
    std::printf("%-22s %3d runs  median %6.1f ms  worst %6.1f ms  cpu %5.2f ms/exchange\n", name,
                int(ms.size()), ms[ms.size() / 2], ms.back(), cpu_ms);
}

} // namespace

int main(int argc, char *argv[])
{
    const Test_env scratch(Test_env::Output::quiet);
    QApplication app(argc, argv);

    measure("status, unpaced", {QStringLiteral("--no-pacing")});
    measure("status, 9600 baud", {});
    return 0;
}
