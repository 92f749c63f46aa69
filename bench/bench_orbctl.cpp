// orbctl status against the simulator paced like a 9600-baud line: the median time of the
// exchange alone (request written to reply line end, as orbctl -v reports it) and of the whole
// process, beside the wire floor. Then the time of a scan of addresses 0-255 with the default
// timeout. `bench_orbctl --no-scan` skips the scan (it takes about a minute).
#include "orbctl_run.h"
#include "sim_process.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>

#include <cstdio>
#include <vector>

namespace {

constexpr int runs = 40;

void status(int turnaround_ms)
{
    const Sim_process sim({"--turnaround", QString::number(turnaround_ms), "--init", "0"},
                          Sim_process::Traffic::dropped);
    if (!sim.is_running()) {
        std::printf("the simulator did not start\n");
        return;
    }
    std::vector<double> exchange, whole;
    for (int i = 0; i <= runs; ++i) {
        const Orbctl_run run = run_orbctl({"-p", sim.path(), "status"}, 10000);
        if (!run.ok) {
            std::printf("run %d failed: %s\n", i, run.errors.constData());
            return;
        }
        if (i == 0 || run.exchanges_ms.empty()) // the first run warms the caches
            continue;
        exchange.push_back(run.exchanges_ms.front());
        whole.push_back(run.ms);
    }
    const double floor = status_reply_chars * char_ms + turnaround_ms;
    std::printf("status, 9600 baud, turnaround %2d ms: %d runs  floor %6.1f ms  exchange median "
                "%6.1f ms (+%.1f)  process median %6.1f ms\n",
                turnaround_ms, int(exchange.size()), floor, median(exchange),
                median(exchange) - floor, median(whole));
}

void scan()
{
    const Sim_process sim({"--address", "7", "--init", "0"}, Sim_process::Traffic::dropped);
    QProcess p;
    QElapsedTimer clock;
    clock.start();
    p.start(QStringLiteral(ORBCTL_PATH), {"-p", sim.path(), "scan"});
    if (!p.waitForFinished(120000)) {
        std::printf("scan did not finish\n");
        return;
    }
    std::printf("scan 0-255, default timeout: %.1f s, found: %s", double(clock.elapsed()) / 1000,
                p.readAllStandardOutput().constData());
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    status(0);
    status(20);
    if (!QCoreApplication::arguments().contains(QStringLiteral("--no-scan")))
        scan();
    return 0;
}
