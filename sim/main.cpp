#include "console.h"
#include "console_verbs.h"
#include "link.h"
#include "open_link.h"
#include "options.h"
#include "simulator.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>

#include <cstdio>
#include <memory>
#include <utility>

namespace {

void set_up(sim::Simulator &simulator, const sim::Options &o)
{
    simulator.set_addresses(o.addresses);
    simulator.set_eol(o.eol);
    simulator.set_turnaround(int(o.turnaround));
    simulator.set_faults(o.faults);
    simulator.set_fault_rate(o.rate);
    simulator.set_seed(quint32(o.seed));
    simulator.sender().set_baud(int(o.baud));
    simulator.sender().set_pacing(o.pacing);
    simulator.module().set_rain(o.rain);
    simulator.module().set_level_low(o.level_low);
    simulator.module().set_alarm(o.alarm);
    simulator.keep_start();
}

// Whatever ends the run (the line gone, standard input closed, a signal) ends it at once,
// with one line saying why and nothing after it.
void stop_on_end(sim::Link *link, sim::Console *console)
{
    const QString line_name = link->name();
    auto stopping = std::make_shared<bool>(false);
    const auto stop = [link, stopping](const QString &why, int code) {
        if (std::exchange(*stopping, true))
            return;
        link->close();
        sim::complain(why);
        QCoreApplication::exit(code);
    };
    QObject::connect(link, &sim::Link::lost, link, [stop, line_name](const QString &why) {
        stop(QStringLiteral("line %1 is gone (%2)").arg(line_name, why), 1);
    });
    QObject::connect(console, &sim::Console::closed, console, [stop, line_name] {
        stop(QStringLiteral("standard input closed; line %1 closed").arg(line_name), 1);
    });
    sim::on_signals([stop, line_name](int number) {
        stop(QStringLiteral("signal %1; line %2 closed").arg(number).arg(line_name), 128 + number);
    });
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orb-module-sim"));
    QCommandLineParser parser;
    sim::add_options(&parser);
    parser.process(app);
    sim::Options o;
    QString why;
    if (!take_options(parser, &o, &why)) {
        sim::complain(why);
        return 2;
    }
    const sim::Opened opened = sim::open_link(o, &app);
    if (!opened.link) {
        sim::complain(opened.why);
        return opened.status;
    }
    sim::Link *link = opened.link;

    sim::Simulator simulator(link, o.addresses.first(), o.init);
    set_up(simulator, o);
    sim::Console console;
    QObject::connect(&console, &sim::Console::line, &simulator,
                     [&simulator](const QString &text) { run_console_line(simulator, text); });
    stop_on_end(link, &console);
    console.start();

    const QByteArray first = (link->name() + QLatin1Char('\n')).toLocal8Bit();
    std::fwrite(first.constData(), 1, size_t(first.size()), stdout);
    std::fflush(stdout);
    sim::Simulator::traffic(QStringLiteral("module %1 on %2, seed %3%4")
                                .arg(o.address_text, link->name())
                                .arg(o.seed)
                                .arg(o.faults.isEmpty()
                                         ? QString()
                                         : QStringLiteral(", faults at rate %1").arg(o.rate)));

    const int code = app.exec();
    link->close();
    if (!o.link_path.isEmpty())
        QFile::remove(o.link_path);
    return code;
}
