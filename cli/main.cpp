#include "client.h"
#include "commands.h"
#include "fleet.h"
#include "log.h"
#include "transport.h"

#include "protocol/address_list.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>

#include <cstdio>

namespace {

const char commands_text[] =
    "Talks to the ORB camera-washing module on a serial line.\n"
    "\n"
    "Commands:\n"
    "  ports                          serial ports with description, maker and serial number\n"
    "  test                           does the module answer?\n"
    "  status [--watch S] [--count N] state line, remaining time and flags; --watch polls\n"
    "                                 every S seconds until Ctrl-C or N polls\n"
    "  read [-o FILE]                 all parameters as NAME=VALUE lines (--json: an object\n"
    "                                 that write takes back)\n"
    "  write FILE                     parameters from FILE (- for stdin), JSON or NAME=VALUE;\n"
    "                                 fields not in the file keep the module's values\n"
    "  set NAME=VALUE...              change the named parameters, keep the rest\n"
    "  pump on|off                    switch the washer pump\n"
    "  scan [--from N] [--to M]       addresses that answer (default 0-255, 200 ms each)\n"
    "\n"
    "Values are whole numbers in the module's units; the fields in seconds (time_interval,\n"
    "time_interval_rain, time_washout, time_move, time_wiper) also take 90s, 15m, 2h30m.\n"
    "write and set read the record, change the given fields, write it whole and check the\n"
    "module's echo.";

const char exit_text[] = "\n"
                         "Exit status:\n"
                         "  0  success\n"
                         "  1  the module answered wrongly (reply check failed, short record)\n"
                         "  2  bad usage or input; nothing was sent\n"
                         "  3  no reply within the timeout (scan: no address answered)\n"
                         "  4  the port cannot be opened or was lost\n"
                         "  5  the module's echo of a write differs from what was sent\n";

struct Usage_error
{
    QString text;
};

// Value of an option or its environment variable, as a whole number from low to high.
bool number_option(const QCommandLineParser &parser, const QString &name, const char *env,
                   qint64 low, qint64 high, qint64 *out, QString *why)
{
    QString text;
    if (parser.isSet(name))
        text = parser.value(name);
    else if (env && qEnvironmentVariableIsSet(env))
        text = qEnvironmentVariable(env);
    else
        return true;
    qint64 value = 0;
    if (!parse_count(text, high, &value) || value < low) {
        *why = QStringLiteral("--%1 wants a whole number from %2 to %3, not %4")
                   .arg(name)
                   .arg(low)
                   .arg(high)
                   .arg(text);
        return false;
    }
    *out = value;
    return true;
}

// Arguments a command takes after its name; -1 for one or more.
int arguments_of(const QString &command)
{
    if (command == QLatin1String("write") || command == QLatin1String("pump"))
        return 1;
    return command == QLatin1String("set") ? -1 : 0;
}

// Seconds with an optional fraction, as --watch takes them, in milliseconds.
bool period_ms(const QString &text, qint64 *out)
{
    bool ok = false;
    const double seconds = text.toDouble(&ok);
    if (!ok || !(seconds >= 0) || seconds > 86400)
        return false;
    *out = qint64(seconds * 1000 + 0.5);
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orbctl"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ORBCTL_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(commands_text));
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("What to do."),
                                 QStringLiteral("COMMAND [ARGS]"));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("This text."));
    const QCommandLineOption version(QStringLiteral("version"), QStringLiteral("The version."));
    parser.addOptions({
        {{QStringLiteral("p"), QStringLiteral("port")},
         QStringLiteral("Serial port, or tcp://HOST:PORT for a serial device server in raw TCP "
                        "mode (default: $ORB_PORT)."),
         QStringLiteral("name")},
        {{QStringLiteral("a"), QStringLiteral("address")},
         QStringLiteral("Module address 0-255, or a list such as 1-8,12,20-22 (default: "
                        "$ORB_ADDRESS, else 1)."),
         QStringLiteral("list")},
        {QStringLiteral("timeout"), QStringLiteral("Wait for a reply (default 1000, scan 200)."),
         QStringLiteral("ms")},
        {QStringLiteral("retries"),
         QStringLiteral("Ask again after no reply or a wrong one (default 0)."),
         QStringLiteral("n")},
        {QStringLiteral("baud"), QStringLiteral("Line rate (default 9600)."), QStringLiteral("n")},
        {QStringLiteral("json"), QStringLiteral("JSON output.")},
        {QStringLiteral("log"), QStringLiteral("Append to this log, in the tool's format."),
         QStringLiteral("file")},
        {{QStringLiteral("v"), QStringLiteral("verbose")}, QStringLiteral("Wire lines on stderr.")},
        {QStringLiteral("watch"), QStringLiteral("status: poll every S seconds."),
         QStringLiteral("s")},
        {QStringLiteral("count"), QStringLiteral("status --watch: stop after N polls."),
         QStringLiteral("n")},
        {QStringLiteral("from"), QStringLiteral("scan: first address (default 0)."),
         QStringLiteral("n")},
        {QStringLiteral("to"), QStringLiteral("scan: last address (default 255)."),
         QStringLiteral("n")},
        {QStringLiteral("prometheus"),
         QStringLiteral("status: metrics in Prometheus' text format.")},
        {QStringLiteral("o"),
         QStringLiteral("read, status --prometheus: write to FILE (replaced whole), not stdout."),
         QStringLiteral("file")},
        help,
        version,
    });

    // Every check runs before the port is opened: bad input sends nothing.
    const auto usage = [](const QString &text) {
        fail(text);
        return int(exit_usage);
    };
    if (!parser.parse(QCoreApplication::arguments()))
        return usage(parser.errorText());
    if (parser.isSet(help)) {
        out(parser.helpText() + QLatin1String(exit_text));
        return exit_ok;
    }
    if (parser.isSet(version)) {
        out(QStringLiteral("orbctl %1\n").arg(QCoreApplication::applicationVersion()));
        return exit_ok;
    }
    QStringList args = parser.positionalArguments();
    if (args.isEmpty())
        return usage(QStringLiteral("no command; see orbctl --help"));
    const QString command = args.takeFirst();
    const QStringList commands = {"ports", "test", "status", "read",
                                  "write", "set",  "pump",   "scan"};
    if (!commands.contains(command))
        return usage(QStringLiteral("unknown command %1; see orbctl --help").arg(command));

    const QList<QPair<QString, QString>> only = {{"watch", "status"},
                                                 {"count", "status"},
                                                 {"prometheus", "status"},
                                                 {"from", "scan"},
                                                 {"to", "scan"}};
    for (const auto &pair : only) {
        if (parser.isSet(pair.first) && command != pair.second)
            return usage(QStringLiteral("%1%2 belongs to %3")
                             .arg(pair.first.size() == 1 ? "-" : "--", pair.first, pair.second));
    }

    Settings s;
    s.json = parser.isSet(QStringLiteral("json"));
    qint64 timeout = command == QLatin1String("scan") ? 200 : 1000, retries = 0, baud = 9600,
           every = -1, count = 0, from = 0, to = 255;
    QString why;
    const bool address_set = parser.isSet("address");
    const QString address_text =
        address_set ? parser.value("address") : qEnvironmentVariable("ORB_ADDRESS");
    if ((address_set || qEnvironmentVariableIsSet("ORB_ADDRESS")) &&
        !orb::parse_address_list(address_text, &s.addresses, &why))
        return usage(QStringLiteral("%1 %2: %3")
                         .arg(address_set ? "--address" : "ORB_ADDRESS", address_text, why));
    if (!number_option(parser, "timeout", nullptr, 1, 3600000, &timeout, &why) ||
        !number_option(parser, "retries", nullptr, 0, 1000, &retries, &why) ||
        !number_option(parser, "baud", nullptr, 1, 100000000, &baud, &why) ||
        !number_option(parser, "count", nullptr, 1, 1000000000, &count, &why) ||
        !number_option(parser, "from", nullptr, 0, 255, &from, &why) ||
        !number_option(parser, "to", nullptr, 0, 255, &to, &why))
        return usage(why);
    if (from > to)
        return usage(QStringLiteral("--from %1 is past --to %2").arg(from).arg(to));
    if (parser.isSet("watch") && !period_ms(parser.value("watch"), &every))
        return usage(QStringLiteral("--watch wants seconds, not %1").arg(parser.value("watch")));
    if (parser.isSet("count") && every < 0)
        return usage(QStringLiteral("--count belongs to --watch"));
    const bool metrics = parser.isSet("prometheus");
    if (parser.isSet("o") && command != QLatin1String("read") && !metrics)
        return usage(QStringLiteral("-o belongs to read and status --prometheus"));
    if (metrics && (s.json || every >= 0))
        return usage(QStringLiteral("--prometheus goes without --json and --watch"));
    s.address = s.addresses.first();
    s.timeout_ms = int(timeout);
    s.retries = int(retries);

    const int arg_count = arguments_of(command);
    if ((arg_count >= 0 && args.size() != arg_count) || (arg_count < 0 && args.isEmpty()))
        return usage(QStringLiteral("%1: wrong arguments; see orbctl --help").arg(command));

    QVector<Assignment> changes;
    if (command == QLatin1String("set")) {
        for (const QString &arg : qAsConst(args)) {
            Assignment a;
            if (!parse_assignment(arg, &a, &why))
                return usage(why);
            changes.append(a);
        }
    } else if (command == QLatin1String("write")) {
        QFile file;
        const bool stdin_file = args.first() == QLatin1String("-");
        const bool opened = stdin_file
                                ? file.open(stdin, QIODevice::ReadOnly)
                                : (file.setFileName(args.first()), file.open(QIODevice::ReadOnly));
        if (!opened)
            return usage(
                QStringLiteral("cannot read %1: %2").arg(args.first(), file.errorString()));
        if (!parse_param_file(file.readAll(), &changes, &why))
            return usage(QStringLiteral("%1: %2").arg(args.first(), why));
    } else if (command == QLatin1String("pump") && args.first() != QLatin1String("on") &&
               args.first() != QLatin1String("off")) {
        return usage(QStringLiteral("pump wants on or off, not %1").arg(args.first()));
    }

    if (command == QLatin1String("ports"))
        return cmd_ports(s);

    const QString port =
        parser.isSet("port") ? parser.value("port") : qEnvironmentVariable("ORB_PORT");
    if (port.isEmpty())
        return usage(QStringLiteral("no port: give -p NAME or set ORB_PORT"));

    Log log;
    log.set_file(parser.value("log"));
    Client client(&log, parser.isSet("verbose"));
    if (is_tcp_name(port) && parser.isSet("baud"))
        fail(QStringLiteral("--baud does not apply to %1: the device server's own setting does")
                 .arg(port));
    // Reaching a device server gets the reply timeout, but never less than a second.
    const Outcome opened = client.open(port, int(baud), int(qMax(timeout, qint64(1000))));
    if (metrics)
        return cmd_metrics(client, log, s, port, opened, parser.value("o"));
    if (opened.code != exit_ok) {
        fail(opened.message);
        return opened.code;
    }
    if (command == QLatin1String("test"))
        return cmd_test(client, log, s);
    if (command == QLatin1String("status"))
        return cmd_status(client, log, s, every, count);
    if (command == QLatin1String("read"))
        return cmd_read(client, log, s, parser.value("o"));
    if (command == QLatin1String("pump"))
        return cmd_pump(client, log, s, args.first() == QLatin1String("on"));
    if (command == QLatin1String("scan"))
        return cmd_scan(client, log, s, int(from), int(to));
    return cmd_write(client, log, s, changes);
}
