#include "command_line.h"

#include "commands.h"
#include "values.h"

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
    return text +
           QStringLiteral("\n"
                          "Values are whole numbers in the module's units; the fields in seconds "
                          "(time_interval,\n"
                          "time_interval_rain, time_washout, time_move, time_wiper) also take 90s, "
                          "15m, 2h30m.\n"
                          "write and set read the record, change the given fields, write it whole "
                          "and check the\n"
                          "module's echo.");
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
    for (const Command &owner : commands()) {
        for (const QString &option : owner.options) {
            if (parser.isSet(option) && owner.name != command.name) {
                *why = QStringLiteral("%1%2 belongs to %3")
                           .arg(option.size() == 1 ? "-" : "--", option, owner.name);
                return false;
            }
        }
    }
    qint64 address = s->address, timeout = command.timeout_ms, retries = s->retries, baud = s->baud,
           count = s->count, from = s->from, to = s->to;
    if (!number_option(parser, "address", "ORB_ADDRESS", 0, 255, &address, why) ||
        !number_option(parser, "timeout", nullptr, 1, 3600000, &timeout, why) ||
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
    s->address = quint8(address);
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
    return true;
}

} // namespace

void add_options(QCommandLineParser *parser)
{
    parser->setApplicationDescription(commands_text());
    parser->addPositionalArgument(QStringLiteral("command"), QStringLiteral("What to do."),
                                  QStringLiteral("COMMAND [ARGS]"));
    parser->addOptions({
        {{QStringLiteral("p"), QStringLiteral("port")},
         QStringLiteral("Serial port (default: $ORB_PORT)."),
         QStringLiteral("name")},
        {{QStringLiteral("a"), QStringLiteral("address")},
         QStringLiteral("Module address 0-255 (default: $ORB_ADDRESS, else 1)."),
         QStringLiteral("n")},
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
        {QStringLiteral("o"), QStringLiteral("read: write to FILE, not stdout."),
         QStringLiteral("file")},
        {{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("This text.")},
        {QStringLiteral("version"), QStringLiteral("The version.")},
    });
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
    *command = c;
    return true;
}
