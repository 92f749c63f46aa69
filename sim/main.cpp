#include "console.h"
#include "fault.h"
#include "port_link.h"
#include "pty_link.h"
#include "simulator.h"
#ifdef ORB_HAVE_NETWORK
#include "tcp_link.h"
#endif

#include "protocol/address_list.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <utility>

namespace {

const char help_text[] =
    "Stands in for the camera-washing module on a serial line.\n"
    "\n"
    "By default it creates a pseudo-terminal and prints the path of its slave end as the\n"
    "first line of standard output; open that path as the tool's port. With --port it\n"
    "serves an existing serial port instead.\n"
    "\n"
    "It answers requests \":<hex>\" + line end for its address: 00 test (echoes the payload),\n"
    "01 read parameters, 02 write parameters (stores and echoes the record), 03 status,\n"
    "04 pump on, 05 pump off. Requests for another address, with a bad CRC, bad hex or an\n"
    "unknown command get no answer. The status runs initialisation, then pause (counting\n"
    "down the washing interval in ms), washing for the pump time, pause, ...\n"
    "Traffic goes to standard error, one time-stamped line per request and reply.\n"
    "\n"
    "Faults: silent, bad-crc, wrong-command, wrong-address, bad-prefix, bad-len,\n"
    "short-payload (valid packet, 10-byte payload for 01-03, empty otherwise), split (two\n"
    "halves 300 ms apart), late (after 1200 ms), noise (stray bytes before the line),\n"
    "sync-frame (FF, address, 5 bytes, then the reply 200 ms later), flood (':' and 64 KiB of\n"
    "hex digits with no line end, instead of the reply), vanish (half the reply, then the\n"
    "line is closed and the simulator exits), bad-echo (a valid reply whose record has its\n"
    "last byte changed). With several faults each spoilt reply gets one of them at random.\n"
    "\n"
    "A line that goes away (the other end closed, the adapter unplugged), the end of a pipe or\n"
    "terminal on standard input, SIGINT or SIGTERM end the run with one line on standard\n"
    "error and a non-zero status (1, or 128 + the signal's number).\n"
    "\n"
    "Commands on standard input, each acknowledged by a line \"ok ...\" (or \"error ...\")\n"
    "on standard output:\n"
    "  rain on|off   level ok|low   alarm on|off   pacing on|off\n"
    "  fault KIND... | fault none   fault-rate P   fault-count N (spoil N more replies only)\n"
    "  seed N   turnaround MS   state (prints the live status)   params (the stored record\n"
    "  in hex)   flush (drops replies not yet read)\n"
    "  reset (back to the start: record, status clock, flags, faults, seed)   quit\n"
    "\n"
    "The pty's slave end stays open in here, so the line outlives the tool closing its\n"
    "port; a reply the tool never read is still there when it opens the port again.";

void fail(const QString &text)
{
    const QByteArray line = ("orb-module-sim: " + text + '\n').toLocal8Bit();
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
}

bool number(const QCommandLineParser &parser, const QString &option, qint64 low, qint64 high,
            qint64 *out)
{
    if (!parser.isSet(option))
        return true;
    bool ok = false;
    const qint64 value = parser.value(option).toLongLong(&ok, 0);
    if (!ok || value < low || value > high) {
        fail(QStringLiteral("--%1 wants a number from %2 to %3").arg(option).arg(low).arg(high));
        return false;
    }
    *out = value;
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orb-module-sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(help_text));
    parser.addHelpOption();
    parser.addOptions({
        {QStringLiteral("port"), QStringLiteral("Serve this existing serial port, not a pty."),
         QStringLiteral("name")},
        {QStringLiteral("link"), QStringLiteral("Also make a symlink to the pty slave here."),
         QStringLiteral("path")},
        {QStringLiteral("tcp"),
         QStringLiteral("Serve TCP clients one at a time, not a pty: PORT on the loopback address "
                        "(0: any free port), or ADDRESS:PORT."),
         QStringLiteral("[address:]port")},
        {QStringLiteral("address"),
         QStringLiteral("Module address, 0-255 (default 1); a list such as 1-16 answers each of "
                        "them from one shared state."),
         QStringLiteral("list")},
        {QStringLiteral("eol"), QStringLiteral("Reply line end: crlf (default) or lf."),
         QStringLiteral("crlf|lf")},
        {QStringLiteral("baud"), QStringLiteral("Line rate for pacing and --port (default 9600)."),
         QStringLiteral("n")},
        {QStringLiteral("no-pacing"), QStringLiteral("Write replies at once.")},
        {QStringLiteral("turnaround"),
         QStringLiteral("Module's own delay before it answers (default 0)."), QStringLiteral("ms")},
        {QStringLiteral("init"), QStringLiteral("Length of the initialisation (default 1000)."),
         QStringLiteral("ms")},
        {QStringLiteral("rain"), QStringLiteral("Start with the rain flag set.")},
        {QStringLiteral("level-low"), QStringLiteral("Start with the fluid level low.")},
        {QStringLiteral("alarm"), QStringLiteral("Start with the manual-start input set.")},
        {QStringLiteral("fault"), QStringLiteral("Spoil replies this way; repeatable."),
         QStringLiteral("kind")},
        {QStringLiteral("fault-rate"),
         QStringLiteral("Fraction of replies spoilt, 0-1 (default 1)."), QStringLiteral("p")},
        {QStringLiteral("seed"), QStringLiteral("Seed for fault choice and noise (default: time)."),
         QStringLiteral("n")},
    });
    parser.process(app);

    qint64 baud = 9600, turnaround = 0, init = 1000;
    qint64 seed = QDateTime::currentMSecsSinceEpoch() & 0xFFFFFFFF;
    QVector<quint8> addresses{1};
    QString why;
    if (parser.isSet(QStringLiteral("address")) &&
        !orb::parse_address_list(parser.value(QStringLiteral("address")), &addresses, &why)) {
        fail(QStringLiteral("--address %1: %2").arg(parser.value(QStringLiteral("address")), why));
        return 2;
    }
    const quint8 address = addresses.first();
    if (!number(parser, QStringLiteral("baud"), 50, 4000000, &baud) ||
        !number(parser, QStringLiteral("turnaround"), 0, 600000, &turnaround) ||
        !number(parser, QStringLiteral("init"), 0, 86400000, &init) ||
        !number(parser, QStringLiteral("seed"), 0, 0xFFFFFFFFLL, &seed))
        return 2;

    QVector<sim::Fault> faults;
    for (const QString &name : parser.values(QStringLiteral("fault"))) {
        sim::Fault f = sim::Fault::none;
        if (!sim::fault_from_name(name, &f)) {
            fail(QStringLiteral("unknown fault %1; known: %2")
                     .arg(name, sim::fault_names().join(QStringLiteral(", "))));
            return 2;
        }
        if (f != sim::Fault::none)
            faults.append(f);
    }
    double rate = 1.0;
    if (parser.isSet(QStringLiteral("fault-rate"))) {
        bool ok = false;
        rate = parser.value(QStringLiteral("fault-rate")).toDouble(&ok);
        if (!ok || rate < 0 || rate > 1) {
            fail(QStringLiteral("--fault-rate wants a number from 0 to 1"));
            return 2;
        }
    }
    const QString eol = parser.value(QStringLiteral("eol"));
    if (!eol.isEmpty() && eol != QLatin1String("crlf") && eol != QLatin1String("lf")) {
        fail(QStringLiteral("--eol wants crlf or lf"));
        return 2;
    }

    sim::Link *link = nullptr;
    QString error;
    if (parser.isSet(QStringLiteral("tcp"))) {
#ifdef ORB_HAVE_NETWORK
        QHostAddress host;
        quint16 tcp_port = 0;
        auto *tcp = new sim::Tcp_link(&app);
        if (parser.isSet(QStringLiteral("port")) ||
            !sim::Tcp_link::parse_endpoint(parser.value(QStringLiteral("tcp")), &host, &tcp_port,
                                           &error)) {
            fail(error.isEmpty() ? QStringLiteral("--tcp and --port exclude each other") : error);
            return 2;
        }
        if (!tcp->open(host, tcp_port, &error)) {
            fail(error);
            return 1;
        }
        link = tcp;
#else
        fail(QStringLiteral("--tcp: built without Qt Network"));
        return 2;
#endif
    } else if (parser.isSet(QStringLiteral("port"))) {
        auto *port = new sim::Port_link(&app);
        if (!port->open(parser.value(QStringLiteral("port")), int(baud), &error)) {
            fail(error);
            return 1;
        }
        link = port;
    } else {
#ifdef Q_OS_UNIX
        auto *pty = new sim::Pty_link(&app);
        if (!pty->open(&error)) {
            fail(error);
            return 1;
        }
        link = pty;
#else
        fail(QStringLiteral("no pseudo-terminals here; give --port"));
        return 2;
#endif
    }

    const QString link_path = parser.value(QStringLiteral("link"));
    if (!link_path.isEmpty()) {
        // Replace an old link from an earlier run, never a real file.
        if (QFileInfo(link_path).isSymLink())
            QFile::remove(link_path);
        if (!QFile::link(link->name(), link_path)) {
            fail(QStringLiteral("cannot make the link %1").arg(link_path));
            return 1;
        }
    }

    sim::Simulator simulator(link, address, init);
    simulator.set_addresses(addresses);
    simulator.set_eol(eol == QLatin1String("lf") ? QByteArray("\n") : QByteArray("\r\n"));
    simulator.set_turnaround(int(turnaround));
    simulator.set_faults(faults);
    simulator.set_fault_rate(rate);
    simulator.set_seed(quint32(seed));
    simulator.sender().set_baud(int(baud));
    simulator.sender().set_pacing(!parser.isSet(QStringLiteral("no-pacing")));
    simulator.module().set_rain(parser.isSet(QStringLiteral("rain")));
    simulator.module().set_level_low(parser.isSet(QStringLiteral("level-low")));
    simulator.module().set_alarm(parser.isSet(QStringLiteral("alarm")));

    simulator.keep_start();

    // Whatever ends the run ends it at once, with one line saying why and nothing after it.
    bool stopping = false;
    const QString line_name = link->name();
    const auto stop = [&](const QString &why, int code) {
        if (std::exchange(stopping, true))
            return;
        link->close();
        fail(why);
        QCoreApplication::exit(code);
    };
    QObject::connect(link, &sim::Link::lost, &app, [&](const QString &why) {
        stop(QStringLiteral("line %1 is gone (%2)").arg(line_name, why), 1);
    });

    sim::Console console;
    QObject::connect(&console, &sim::Console::line, &simulator, &sim::Simulator::command);
    QObject::connect(&console, &sim::Console::closed, &app, [&] {
        stop(QStringLiteral("standard input closed; line %1 closed").arg(line_name), 1);
    });
    console.start();
    sim::on_signals([&](int number) {
        stop(QStringLiteral("signal %1; line %2 closed").arg(number).arg(line_name), 128 + number);
    });

    const QByteArray first = (link->name() + QLatin1Char('\n')).toLocal8Bit();
    std::fwrite(first.constData(), 1, size_t(first.size()), stdout);
    std::fflush(stdout);
    sim::Simulator::traffic(
        QStringLiteral("module %1 on %2, seed %3%4")
            .arg(parser.isSet(QStringLiteral("address")) ? parser.value(QStringLiteral("address"))
                                                         : QString::number(address))
            .arg(link->name())
            .arg(seed)
            .arg(faults.isEmpty() ? QString() : QStringLiteral(", faults at rate %1").arg(rate)));

    const int code = app.exec();
    link->close();
    if (!link_path.isEmpty())
        QFile::remove(link_path);
    return code;
}
