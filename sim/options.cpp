#include "options.h"

#include "console_verbs.h"

#include "protocol/address_list.h"

#include <QCommandLineParser>
#include <QDateTime>

#include <cstdio>

namespace sim {

namespace {

const char intro[] =
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
    "Faults (--fault, or fault on standard input); with several, each spoilt reply gets one\n"
    "of them at random:\n";

const char ending[] =
    "\n"
    "A line that goes away (the other end closed, the adapter unplugged), the end of a pipe or\n"
    "terminal on standard input, SIGINT or SIGTERM end the run with one line on standard\n"
    "error and a non-zero status (1, or 128 + the signal's number).\n"
    "\n"
    "Commands on standard input, each acknowledged by a line \"ok ...\" (or \"error ...\")\n"
    "on standard output:\n";

const char closing[] =
    "\n"
    "The pty's slave end stays open in here, so the line outlives the tool closing its\n"
    "port; a reply the tool never read is still there when it opens the port again.";

bool number(const QCommandLineParser &parser, const QString &option, qint64 low, qint64 high,
            qint64 *out, QString *why)
{
    if (!parser.isSet(option))
        return true;
    bool ok = false;
    const qint64 value = parser.value(option).toLongLong(&ok, 0);
    if (!ok || value < low || value > high) {
        *why = QStringLiteral("--%1 wants a number from %2 to %3").arg(option).arg(low).arg(high);
        return false;
    }
    *out = value;
    return true;
}

} // namespace

const QList<QCommandLineOption> &options()
{
    static const QList<QCommandLineOption> list = {
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
    };
    return list;
}

QString help_description()
{
    QString text = QString::fromLatin1(intro);
    for (const Fault_kind &k : fault_kinds()) {
        if (k.fault != Fault::none)
            text += QStringLiteral("  %1 %2\n")
                        .arg(QString::fromLatin1(k.name).leftJustified(15), QLatin1String(k.about));
    }
    return text + QLatin1String(ending) + console_help() + QLatin1String(closing);
}

void add_options(QCommandLineParser *parser)
{
    parser->setApplicationDescription(help_description());
    parser->addHelpOption();
    parser->addOptions(options());
}

bool take_options(const QCommandLineParser &parser, Options *o, QString *why)
{
    if (!parser.isSet(QStringLiteral("seed")))
        o->seed = QDateTime::currentMSecsSinceEpoch() & 0xFFFFFFFF;
    if (parser.isSet(QStringLiteral("address"))) {
        o->address_text = parser.value(QStringLiteral("address"));
        if (!orb::parse_address_list(o->address_text, &o->addresses, why)) {
            *why = QStringLiteral("--address %1: %2").arg(o->address_text, *why);
            return false;
        }
    }
    if (!number(parser, QStringLiteral("baud"), 50, 4000000, &o->baud, why) ||
        !number(parser, QStringLiteral("turnaround"), 0, 600000, &o->turnaround, why) ||
        !number(parser, QStringLiteral("init"), 0, 86400000, &o->init, why) ||
        !number(parser, QStringLiteral("seed"), 0, 0xFFFFFFFFLL, &o->seed, why))
        return false;
    for (const QString &name : parser.values(QStringLiteral("fault"))) {
        Fault f = Fault::none;
        if (!sim::fault_from_name(name, &f)) {
            *why = QStringLiteral("unknown fault %1; known: %2")
                       .arg(name, fault_names().join(QStringLiteral(", ")));
            return false;
        }
        if (f != Fault::none)
            o->faults.append(f);
    }
    if (parser.isSet(QStringLiteral("fault-rate"))) {
        bool ok = false;
        o->rate = parser.value(QStringLiteral("fault-rate")).toDouble(&ok);
        if (!ok || o->rate < 0 || o->rate > 1) {
            *why = QStringLiteral("--fault-rate wants a number from 0 to 1");
            return false;
        }
    }
    const QString eol = parser.value(QStringLiteral("eol"));
    if (!eol.isEmpty() && eol != QLatin1String("crlf") && eol != QLatin1String("lf")) {
        *why = QStringLiteral("--eol wants crlf or lf");
        return false;
    }
    if (eol == QLatin1String("lf"))
        o->eol = "\n";
    o->port = parser.value(QStringLiteral("port"));
    o->tcp = parser.value(QStringLiteral("tcp"));
    if (!o->tcp.isEmpty() && !o->port.isEmpty()) {
        *why = QStringLiteral("--tcp and --port exclude each other");
        return false;
    }
    o->link_path = parser.value(QStringLiteral("link"));
    o->pacing = !parser.isSet(QStringLiteral("no-pacing"));
    o->rain = parser.isSet(QStringLiteral("rain"));
    o->level_low = parser.isSet(QStringLiteral("level-low"));
    o->alarm = parser.isSet(QStringLiteral("alarm"));
    return true;
}

void complain(const QString &text)
{
    const QByteArray line = ("orb-module-sim: " + text + '\n').toLocal8Bit();
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
}

} // namespace sim
