#include "command_line.h"

#include "commands.h"
#include "values.h"

#include "protocol/address_list.h"

#include <QCommandLineParser>

namespace {

// Where the commands' descriptions start in --help.
constexpr int about_column = 33;

QString commands_text()
{
    QString text = QStringLiteral("Talks to the ORB camera-washing module on a serial line.\n"
                                  "\n"
                                  "Commands:\n");
    for (const Command &c : commands()) {
        text += QStringLiteral("  ") + c.usage.leftJustified(about_column - 3) + QLatin1Char(' ');
        text += c.about.join(QLatin1Char('\n') + QString(about_column, QLatin1Char(' '))) +
                QLatin1Char('\n');
    }
    QStringList seconds;
    for (const orb::Param_field &f : orb::param_fields) {
        if (f.seconds)
            seconds << QLatin1String(f.name);
    }
    return text +
           QStringLiteral("\n"
                          "Values are whole numbers in the module's units; the fields in seconds\n"
                          "(%1)\n"
                          "also take 90s, 15m, 2h30m.\n"
                          "write and set read the record, change the given fields, write it whole "
                          "and check the\n"
                          "module's echo.\n"
                          "\n"
                          "Output is UTF-8, --json included; on Windows a console gets the text as "
                          "wide\n"
                          "characters, so Russian reads right whatever the console's code page.")
               .arg(seconds.join(QStringLiteral(", ")));
}

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

// -a or ORB_ADDRESS: one address or a list.
bool take_addresses(const QCommandLineParser &parser, QVector<quint8> *out, QString *why)
{
    const bool given = parser.isSet(QStringLiteral("address"));
    if (!given && !qEnvironmentVariableIsSet("ORB_ADDRESS"))
        return true;
    const QString text =
        given ? parser.value(QStringLiteral("address")) : qEnvironmentVariable("ORB_ADDRESS");
    if (orb::parse_address_list(text, out, why))
        return true;
    *why = QStringLiteral("%1 %2: %3").arg(given ? "--address" : "ORB_ADDRESS", text, *why);
    return false;
}

// What several addresses and the metrics ask of the other options.
bool take_fleet_options(const QCommandLineParser &parser, const Settings &s, QString *why)
{
    if (s.prometheus && (s.json || s.every_ms >= 0)) {
        *why = QStringLiteral("--prometheus goes without --json and --watch");
        return false;
    }
    if (parser.isSet(QStringLiteral("o")) && !s.prometheus &&
        parser.positionalArguments().value(0) == QLatin1String("status")) {
        *why = QStringLiteral("-o belongs to read and status --prometheus");
        return false;
    }
    // One file per module, or each would overwrite the last.
    if (!s.prometheus && s.addresses.size() > 1 && !s.out_file.isEmpty() &&
        !s.out_file.contains(QLatin1String("{address}"))) {
        *why = QStringLiteral("-o with several addresses wants {address} in the file name, "
                              "not %1")
                   .arg(s.out_file);
        return false;
    }
    return true;
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

// Every option of one command line in one place: whether it belongs to the command, numbers in
// range, --watch and --count together.
bool take_options(const QCommandLineParser &parser, const Command &command, Settings *s,
                  QString *why)
{
    for (const Command &c : commands()) {
        for (const QString &option : c.options) {
            if (!parser.isSet(option) || command.options.contains(option))
                continue;
            QStringList owners;
            for (const Command &owner : commands()) {
                if (owner.options.contains(option))
                    owners << owner.name;
            }
            *why = QStringLiteral("%1%2 belongs to %3")
                       .arg(option.size() == 1 ? "-" : "--", option,
                            owners.join(QStringLiteral(" and ")));
            return false;
        }
    }
    if (!take_addresses(parser, &s->addresses, why))
        return false;
    qint64 timeout = command.timeout_ms, retries = s->retries, baud = s->baud, count = s->count,
           from = s->from, to = s->to;
    if (!number_option(parser, "timeout", nullptr, 1, 3600000, &timeout, why) ||
        !number_option(parser, "retries", nullptr, 0, 1000, &retries, why) ||
        !number_option(parser, "baud", nullptr, 1, 100000000, &baud, why) ||
        !number_option(parser, "count", nullptr, 1, 1000000000, &count, why) ||
        !number_option(parser, "from", nullptr, 0, 255, &from, why) ||
        !number_option(parser, "to", nullptr, 0, 255, &to, why))
        return false;
    if (from > to) {
        *why = QStringLiteral("--from %1 is past --to %2").arg(from).arg(to);
        return false;
    }
    if (parser.isSet("watch") && !period_ms(parser.value("watch"), &s->every_ms)) {
        *why = QStringLiteral("--watch wants seconds, not %1").arg(parser.value("watch"));
        return false;
    }
    if (parser.isSet("count") && s->every_ms < 0) {
        *why = QStringLiteral("--count belongs to --watch");
        return false;
    }
    s->address = s->addresses.first();
    s->timeout_ms = int(timeout);
    s->retries = int(retries);
    s->baud = int(baud);
    s->count = count;
    s->from = int(from);
    s->to = int(to);
    s->json = parser.isSet(QStringLiteral("json"));
    s->verbose = parser.isSet(QStringLiteral("verbose"));
    s->log_file = parser.value(QStringLiteral("log"));
    s->out_file = parser.value(QStringLiteral("o"));
    s->prometheus = parser.isSet(QStringLiteral("prometheus"));
    s->baud_given = parser.isSet(QStringLiteral("baud"));
    return take_fleet_options(parser, *s, why);
}

} // namespace

const QList<QCommandLineOption> &orbctl_options()
{
    static const QList<QCommandLineOption> list = {
        {{QStringLiteral("p"), QStringLiteral("port")},
         QStringLiteral("Serial port, or tcp://HOST:PORT for a serial device server in raw TCP "
                        "mode (default: $ORB_PORT)."),
         QStringLiteral("name")},
        {{QStringLiteral("a"), QStringLiteral("address")},
         QStringLiteral("Module address 0-255, or a list such as 1-8,12,20-22: each is asked in "
                        "turn (default: $ORB_ADDRESS, else 1)."),
         QStringLiteral("list")},
        {QStringLiteral("timeout"), QStringLiteral("Wait for a reply (default 1000, scan 200)."),
         QStringLiteral("ms")},
        {QStringLiteral("retries"),
         QStringLiteral("Ask again after no reply or a wrong one (default 0)."),
         QStringLiteral("n")},
        {QStringLiteral("baud"), QStringLiteral("Line rate (default 9600)."), QStringLiteral("n")},
        {QStringLiteral("json"), QStringLiteral("JSON output.")},
        {QStringLiteral("lang"),
         QStringLiteral("Messages in en or ru (default: $ORB_LANG, else ru); --json and "
                        "--prometheus output stays as it is."),
         QStringLiteral("code")},
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
        {QStringLiteral("prometheus"), QStringLiteral("status: metrics for Prometheus.")},
        {QStringLiteral("o"),
         QStringLiteral("read, status --prometheus: write FILE whole, not stdout; {address} in "
                        "it stands for the module's address."),
         QStringLiteral("file")},
        {{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("This text.")},
        {QStringLiteral("version"), QStringLiteral("The version.")},
    };
    return list;
}

void add_options(QCommandLineParser *parser)
{
    parser->setApplicationDescription(commands_text());
    parser->addPositionalArgument(QStringLiteral("command"), QStringLiteral("What to do."),
                                  QStringLiteral("COMMAND [ARGS]"));
    parser->addOptions(orbctl_options());
}

QString help_text(const QCommandLineParser &parser)
{
    return parser.helpText() + exit_status_help();
}

bool take_command_line(const QCommandLineParser &parser, const Command **command, Settings *s,
                       QString *why)
{
    QStringList args = parser.positionalArguments();
    if (args.isEmpty()) {
        *why = QStringLiteral("no command; see orbctl --help");
        return false;
    }
    const QString name = args.takeFirst();
    const Command *c = find_command(name);
    if (!c) {
        *why = QStringLiteral("unknown command %1; see orbctl --help").arg(name);
        return false;
    }
    if (!take_options(parser, *c, s, why))
        return false;
    if ((c->arguments >= 0 && args.size() != c->arguments) ||
        (c->arguments < 0 && args.isEmpty())) {
        *why = QStringLiteral("%1: wrong arguments; see orbctl --help").arg(name);
        return false;
    }
    if (c->take && !c->take(args, s, why))
        return false;
    s->port = parser.isSet("port") ? parser.value("port") : qEnvironmentVariable("ORB_PORT");
    if (c->uses_port && s->port.isEmpty()) {
        *why = QStringLiteral("no port: give -p NAME or set ORB_PORT");
        return false;
    }
    if (s->addresses.size() == 1)
        s->out_file.replace(QLatin1String("{address}"), QString::number(s->address));
    *command = c;
    return true;
}
