#include "command_line.h"
#include "commands.h"

#include <QCommandLineParser>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// The settings a command gets, as one line of what the rows look at.
QString shown(const Command &c, const Settings &s)
{
    return QString::asprintf("%s port=%s address=%d timeout=%d retries=%d baud=%d every=%lld "
                             "count=%lld scan=%d-%d out=%s changes=%d pump=%s",
                             qPrintable(c.name), qPrintable(s.port), s.address, s.timeout_ms,
                             s.retries, s.baud, s.every_ms, s.count, s.from, s.to,
                             qPrintable(s.out_file), int(s.changes.size()),
                             s.pump_on ? "on" : "off");
}

} // namespace

// What orbctl makes of its command line and environment, before any port is opened.
class tst_command_line : public QObject
{
    Q_OBJECT

    QTemporaryDir dir; // "FILE" in a row stands for a file here holding the row's bytes

private slots:
    void init()
    {
        qunsetenv("ORB_PORT");
        qunsetenv("ORB_ADDRESS");
    }

    void parse_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QStringList>("env");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("settings"); // what the command gets
        QTest::addColumn<QString>("why");      // or why it is refused; "FILE" stands for the path
        const QString plain = "port=p address=1 timeout=1000 retries=0 baud=9600 every=-1 count=0 "
                              "scan=0-255 out= changes=0 pump=off";
        const auto row = [](const char *name, const QStringList &args, const QString &settings,
                            const QByteArray &file = {}, const QStringList &env = {}) {
            QTest::newRow(name) << args << env << file << settings << QString();
        };
        const auto refused = [](const char *name, const QStringList &args, const QString &why,
                                const QByteArray &file = {}, const QStringList &env = {}) {
            QTest::newRow(name) << args << env << file << QString() << why;
        };
        const QStringList p = {"-p", "p"};
        const QStringList write = {"-p", "p", "write", "FILE"};
        // clang-format off
        row("test", p + QStringList{"test"}, "test " + plain);
        row("options before the environment", p + QStringList{"-a", "9", "test"}, "test " + QString(plain).replace("ss=1", "ss=9"), {}, {"ORB_PORT=q", "ORB_ADDRESS=7"});
        row("scan waits 200 ms", p + QStringList{"scan", "--from", "3", "--to", "3"}, "scan " + QString(plain).replace("=1000", "=200").replace("0-255", "3-3"));
        row("scan, --timeout given", p + QStringList{"--timeout", "50", "scan"}, "scan " + QString(plain).replace("=1000", "=50"));
        row("every number option at its largest", p + QStringList{"--address", "255", "--timeout", "3600000", "--retries", "1000", "--baud", "100000000", "test"}, "test port=p address=255 timeout=3600000 retries=1000 baud=100000000 every=-1 count=0 scan=0-255 out= changes=0 pump=off");
        row("watch in fractions of a second", p + QStringList{"status", "--watch", "0.25", "--count", "3"}, "status " + QString(plain).replace("every=-1 count=0", "every=250 count=3"));
        refused("no command", p, "no command; see orbctl --help");
        refused("unknown command", p + QStringList{"wash"}, "unknown command wash; see orbctl --help");
        refused("--watch on read", p + QStringList{"read", "--watch", "1"}, "--watch belongs to status");
        refused("--count on test", p + QStringList{"test", "--count", "1"}, "--count belongs to status");
        refused("--prometheus on read", p + QStringList{"read", "--prometheus"}, "--prometheus belongs to status");
        refused("-o on status", p + QStringList{"status", "-o", "x"}, "-o belongs to read and status --prometheus");
        refused("--to on read", p + QStringList{"read", "--to", "3"}, "--to belongs to scan");
        refused("--count without --watch", p + QStringList{"status", "--count", "3"}, "--count belongs to --watch");
        refused("--prometheus with --json", p + QStringList{"status", "--prometheus", "--json"}, "--prometheus goes without --json and --watch");
        refused("read -o without {address}", p + QStringList{"-a", "1,2", "read", "-o", "backup"}, "-o with several addresses wants {address} in the file name, not backup");
        refused("--watch not seconds", p + QStringList{"status", "--watch", "soon"}, "--watch wants seconds, not soon");
        refused("--watch negative", p + QStringList{"status", "--watch", "-1"}, "--watch wants seconds, not -1");
        refused("--watch over a day", p + QStringList{"status", "--watch", "86401"}, "--watch wants seconds, not 86401");
        refused("--from past --to", p + QStringList{"scan", "--from", "9", "--to", "3"}, "--from 9 is past --to 3");
        refused("address 256", p + QStringList{"-a", "256", "test"}, "--address 256: 256 is past 255");
        refused("--timeout 0", p + QStringList{"--timeout", "0", "test"}, "--timeout wants a whole number from 1 to 3600000, not 0");
        refused("--retries past 1000", p + QStringList{"--retries", "1001", "test"}, "--retries wants a whole number from 0 to 1000, not 1001");
        refused("--baud 0", p + QStringList{"--baud", "0", "test"}, "--baud wants a whole number from 1 to 100000000, not 0");
        refused("--to 256", p + QStringList{"scan", "--to", "256"}, "--to wants a whole number from 0 to 255, not 256");
        refused("set nothing", p + QStringList{"set"}, "set: wrong arguments; see orbctl --help");
        refused("test with an argument", p + QStringList{"test", "now"}, "test: wrong arguments; see orbctl --help");
        refused("write two files", write + QStringList{"FILE"}, "write: wrong arguments; see orbctl --help", "time_move=1");
        refused("pump sideways", p + QStringList{"pump", "up"}, "pump wants on or off, not up");
        refused("write, empty file", write, "FILE: no field to write");
        refused("empty ORB_PORT", {"status"}, "no port: give -p NAME or set ORB_PORT", {}, {"ORB_PORT="});
        // clang-format on
    }

    void parse()
    {
        QFETCH(QStringList, args);
        QFETCH(QStringList, env);
        QFETCH(QByteArray, file);
        QFETCH(QString, settings);
        QFETCH(QString, why);
        for (const QString &pair : env)
            qputenv(pair.section('=', 0, 0).toLatin1(), pair.section('=', 1).toUtf8());
        QFile f(dir.filePath(QStringLiteral("FILE")));
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(file) == file.size());
        f.close();
        QCommandLineParser parser;
        add_options(&parser);
        QVERIFY(parser.parse(QStringList{"orbctl"} + args.replaceInStrings("FILE", f.fileName())));
        const Command *command = nullptr;
        Settings s;
        QString said;
        const bool taken = take_command_line(parser, &command, &s, &said);
        QCOMPARE(said, why.replace(QStringLiteral("FILE"), f.fileName()));
        QCOMPARE(taken, why.isEmpty());
        QCOMPARE(command ? shown(*command, s) : QString(), settings);
    }

    // The commands' lines in --help come from their table: every command is there, in the
    // column the rest of the text keeps.
    void help_lists_every_command()
    {
        QCommandLineParser parser;
        add_options(&parser);
        const QStringList lines = help_text(parser).split(QLatin1Char('\n'));
        for (const Command &c : commands()) {
            const QString start = QStringLiteral("  ") + c.usage + QLatin1Char(' ');
            const auto at = std::find_if(lines.begin(), lines.end(),
                                         [&](const QString &l) { return l.startsWith(start); });
            QVERIFY2(at != lines.end(), qPrintable(c.name));
            QCOMPARE(at->indexOf(c.about.first()), 33);
        }
    }
};

QTEST_GUILESS_MAIN(tst_command_line)
#include "tst_command_line.moc"
