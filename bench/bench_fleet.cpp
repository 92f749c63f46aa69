// A status round over 16 addresses on one line, as a fleet poll runs it: the simulator answers
// addresses 1-16 paced like a 9600-baud line, orbctl asks each in turn on one open port. The
// round is timed whole (the orbctl process) and as the sum of its exchanges (request written
// to reply line end, from -v), against the wire floor for 16 status replies. Then the same
// through the simulator's TCP server on the loopback, as through a serial device server.
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

constexpr int rounds = 15;
constexpr int modules = 16;
// ':' + the status reply packet in hex + CR LF, ten bits a character at 9600 baud.
constexpr int reply_chars = 1 + 2 * (orb::header_size + orb::Status_data::size + orb::crc_size) + 2;
constexpr double char_ms = 10.0 * 1000 / 9600;

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

void round_over(const QString &what, const QStringList &sim_args)
{
    const Sim_process sim(
        sim_args + QStringList{"--init", "0", "--address", QStringLiteral("1-%1").arg(modules)},
        Sim_process::Traffic::dropped);
    const QString port = sim.path();
    if (!sim.is_running()) {
        std::printf("the simulator did not start\n");
        return;
    }
    static const QRegularExpression took(QStringLiteral("<- :\\S+ \\(([0-9.]+) ms\\)"));
    std::vector<double> whole, exchanges;
    for (int i = 0; i <= rounds; ++i) {
        QProcess p;
        QElapsedTimer clock;
        clock.start();
        p.start(QStringLiteral(ORBCTL_PATH),
                {"-v", "-p", port, "-a", QStringLiteral("1-%1").arg(modules), "status"});
        if (!p.waitForFinished(30000) || p.exitCode() != 0) {
            std::printf("round %d failed: %s\n", i, p.readAllStandardError().constData());
            break;
        }
        const double ms = double(clock.nsecsElapsed()) / 1e6;
        double sum = 0;
        int seen = 0;
        auto it = took.globalMatch(QString::fromLocal8Bit(p.readAllStandardError()));
        while (it.hasNext()) {
            sum += it.next().captured(1).toDouble();
            ++seen;
        }
        if (i == 0 || seen != modules) // the first round warms the caches
            continue;
        whole.push_back(ms);
        exchanges.push_back(sum);
    }
    const double floor = modules * reply_chars * char_ms;
    std::printf("%s: %d rounds of %d  floor %7.1f ms  exchanges median %7.1f ms (%+.1f %%)  "
                "process median %7.1f ms (%+.1f %%)\n",
                qPrintable(what), int(whole.size()), modules, floor, median(exchanges),
                100 * (median(exchanges) / floor - 1), median(whole),
                100 * (median(whole) / floor - 1));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    round_over(QStringLiteral("status round, pty, 9600 baud"), {});
    round_over(QStringLiteral("status round, tcp loopback, 9600-baud pacing"), {"--tcp", "0"});
    return 0;
}
