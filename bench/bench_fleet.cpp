// A status round over 16 addresses on one line, as a fleet poll runs it: the simulator answers
// addresses 1-16 paced like a 9600-baud line, orbctl asks each in turn on one open port. The
// round is timed whole (the orbctl process) and as the sum of its exchanges (request written
// to reply line end, from -v), against the wire floor for 16 status replies. Then the same
// through the simulator's TCP server on the loopback, as through a serial device server.
#include "orbctl_run.h"
#include "sim_process.h"

#include <QCoreApplication>

#include <cstdio>
#include <numeric>
#include <vector>

namespace {

constexpr int rounds = 15;
constexpr int modules = 16;

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
    std::vector<double> whole, exchanges;
    for (int i = 0; i <= rounds; ++i) {
        const Orbctl_run run =
            run_orbctl({"-p", port, "-a", QStringLiteral("1-%1").arg(modules), "status"}, 30000);
        if (!run.ok) {
            std::printf("round %d failed: %s\n", i, run.errors.constData());
            break;
        }
        // The first round warms the caches.
        if (i == 0 || run.exchanges_ms.size() != size_t(modules))
            continue;
        whole.push_back(run.ms);
        exchanges.push_back(std::accumulate(run.exchanges_ms.begin(), run.exchanges_ms.end(), 0.0));
    }
    const double floor = modules * status_reply_chars * char_ms;
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
