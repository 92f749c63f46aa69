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
#include <memory>
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

// The command line, checked.
struct Options
{
    QString port; // empty: a pseudo-terminal
    QString tcp;  // [address:]port to listen on; empty: no TCP
    QString link_path;
    QVector<quint8> addresses{1};
    QString address_text = QStringLiteral("1");
    qint64 baud = 9600, turnaround = 0, init = 1000;
    qint64 seed = QDateTime::currentMSecsSinceEpoch() & 0xFFFFFFFF;
    QVector<sim::Fault> faults;
    double rate = 1.0;
    QByteArray eol = "\r\n";
    bool pacing = true, rain = false, level_low = false, alarm = false;
};

void add_options(QCommandLineParser *parser)
{
    parser->setApplicationDescription(QString::fromLatin1(help_text));
    parser->addHelpOption();
    parser->addOptions({
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
}

// False when the options are wrong; the reason is on standard error by then.
bool take_options(const QCommandLineParser &parser, Options *o)
{
    QString why;
    if (parser.isSet(QStringLiteral("address"))) {
        o->address_text = parser.value(QStringLiteral("address"));
        if (!orb::parse_address_list(o->address_text, &o->addresses, &why)) {
            fail(QStringLiteral("--address %1: %2").arg(o->address_text, why));
            return false;
        }
    }
    if (!number(parser, QStringLiteral("baud"), 50, 4000000, &o->baud) ||
        !number(parser, QStringLiteral("turnaround"), 0, 600000, &o->turnaround) ||
        !number(parser, QStringLiteral("init"), 0, 86400000, &o->init) ||
        !number(parser, QStringLiteral("seed"), 0, 0xFFFFFFFFLL, &o->seed))
        return false;
    for (const QString &name : parser.values(QStringLiteral("fault"))) {
        sim::Fault f = sim::Fault::none;
        if (!sim::fault_from_name(name, &f)) {
            fail(QStringLiteral("unknown fault %1; known: %2")
                     .arg(name, sim::fault_names().join(QStringLiteral(", "))));
            return false;
        }
        if (f != sim::Fault::none)
            o->faults.append(f);
    }
    if (parser.isSet(QStringLiteral("fault-rate"))) {
        bool ok = false;
        o->rate = parser.value(QStringLiteral("fault-rate")).toDouble(&ok);
        if (!ok || o->rate < 0 || o->rate > 1) {
            fail(QStringLiteral("--fault-rate wants a number from 0 to 1"));
            return false;
        }
    }
    const QString eol = parser.value(QStringLiteral("eol"));
    if (!eol.isEmpty() && eol != QLatin1String("crlf") && eol != QLatin1String("lf")) {
        fail(QStringLiteral("--eol wants crlf or lf"));
        return false;
    }
    if (eol == QLatin1String("lf"))
        o->eol = "\n";
    o->port = parser.value(QStringLiteral("port"));
    o->tcp = parser.value(QStringLiteral("tcp"));
    if (!o->tcp.isEmpty() && !o->port.isEmpty()) {
        fail(QStringLiteral("--tcp and --port exclude each other"));
        return false;
    }
    o->link_path = parser.value(QStringLiteral("link"));
    o->pacing = !parser.isSet(QStringLiteral("no-pacing"));
    o->rain = parser.isSet(QStringLiteral("rain"));
    o->level_low = parser.isSet(QStringLiteral("level-low"));
    o->alarm = parser.isSet(QStringLiteral("alarm"));
    return true;
}

// The serial port asked for or a new pseudo-terminal, and the symlink to it; null with *code
// set when that fails.
sim::Link *open_link(const Options &o, QObject *parent, int *code)
{
    sim::Link *link = nullptr;
    QString error;
    *code = 1;
    if (!o.tcp.isEmpty()) {
#ifdef ORB_HAVE_NETWORK
        QHostAddress host;
        quint16 tcp_port = 0;
        auto *tcp = new sim::Tcp_link(parent);
        if (!sim::Tcp_link::parse_endpoint(o.tcp, &host, &tcp_port, &error)) {
            fail(error);
            *code = 2;
            return nullptr;
        }
        if (!tcp->open(host, tcp_port, &error)) {
            fail(error);
            return nullptr;
        }
        link = tcp;
#else
        fail(QStringLiteral("--tcp: built without Qt Network"));
        *code = 2;
        return nullptr;
#endif
    } else if (!o.port.isEmpty()) {
        auto *port = new sim::Port_link(parent);
        if (!port->open(o.port, int(o.baud), &error)) {
            fail(error);
            return nullptr;
        }
        link = port;
    } else {
#ifdef Q_OS_UNIX
        auto *pty = new sim::Pty_link(parent);
        if (!pty->open(&error)) {
            fail(error);
            return nullptr;
        }
        link = pty;
#else
        fail(QStringLiteral("no pseudo-terminals here; give --port"));
        *code = 2;
        return nullptr;
#endif
    }
    if (!o.link_path.isEmpty()) {
        // Replace an old link from an earlier run, never a real file.
        if (QFileInfo(o.link_path).isSymLink())
            QFile::remove(o.link_path);
        if (!QFile::link(link->name(), o.link_path)) {
            fail(QStringLiteral("cannot make the link %1").arg(o.link_path));
            return nullptr;
        }
    }
    return link;
}

void set_up(sim::Simulator &simulator, const Options &o)
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
        fail(why);
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
    add_options(&parser);
    parser.process(app);
    Options o;
    if (!take_options(parser, &o))
        return 2;
    int code = 0;
    sim::Link *link = open_link(o, &app, &code);
    if (!link)
        return code;

    sim::Simulator simulator(link, o.addresses.first(), o.init);
    set_up(simulator, o);
    sim::Console console;
    QObject::connect(&console, &sim::Console::line, &simulator,
                     [&simulator](const QString &text) { run_console_command(simulator, text); });
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

    code = app.exec();
    link->close();
    if (!o.link_path.isEmpty())
        QFile::remove(o.link_path);
    return code;
}
