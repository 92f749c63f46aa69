// orbctl status against the simulator paced like a 9600-baud line: the median time of the
// exchange alone (request written to reply line end, as orbctl -v reports it) and of the whole
// process, beside the wire floor. Then the time of a scan of addresses 0-255 with the default
// timeout. `bench_orbctl --no-scan` skips the scan (it takes about a minute).
#include "protocol/packet.h"
#include "protocol/status_data.h"
#include "sim_process.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int runs = 40;
// ':' + the status reply in hex + CR LF, ten bits a character.
constexpr int reply_chars = 1 + 2 * (orb::header_size + orb::Status_data::size + orb::crc_size) + 2;
constexpr double char_ms = 10.0 * 1000 / 9600;

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

void status(int turnaround_ms)
{
    const Sim_process sim({"--turnaround", QString::number(turnaround_ms), "--init", "0"},
                          Sim_process::Traffic::dropped);
    if (!sim.is_running()) {
        std::printf("the simulator did not start\n");
        return;
    }
    static const QRegularExpression took(QStringLiteral("<- :\\S+ \\(([0-9.]+) ms\\)"));
    std::vector<double> exchange, whole;
    for (int i = 0; i <= runs; ++i) {
        QProcess p;
        QElapsedTimer clock;
        clock.start();
        p.start(QStringLiteral(ORBCTL_PATH), {"-v", "-p", sim.path(), "status"});
        if (!p.waitForFinished(10000) || p.exitCode() != 0) {
            std::printf("run %d failed: %s\n", i, p.readAllStandardError().constData());
            return;
        }
        const double ms = double(clock.nsecsElapsed()) / 1e6;
        const auto m = took.match(QString::fromLocal8Bit(p.readAllStandardError()));
        if (i == 0 || !m.hasMatch()) // the first run warms the caches
            continue;
        exchange.push_back(m.captured(1).toDouble());
        whole.push_back(ms);
    }
    const double floor = reply_chars * char_ms + turnaround_ms;
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
