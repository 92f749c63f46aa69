#include "command_line.h"
#include "commands.h"

#include <QCommandLineParser>
#include <QTemporaryDir>
#include <QtTest>

// What orbctl makes of its command line and environment, before any port is opened.
class tst_command_line : public QObject
{
    Q_OBJECT

    QTemporaryDir dir; // "FILE" in a row stands for a file here holding the row's bytes

private slots:
    void init();
    void cleanup();
    void accepted_data();
    void accepted();
    void refused_data();
    void refused();
    void help_lists_every_command();
};

namespace {

const char *const variables[] = {"ORB_PORT", "ORB_ADDRESS"};

// The settings a command gets, as one line of what the rows look at.
QString shown(const Command &c, const Settings &s)
{
    return QStringLiteral("%1 port=%2 address=%3 timeout=%4 retries=%5 baud=%6 every=%7 count=%8 "
                          "scan=%9-%10 out=%11 changes=%12 pump=%13")
        .arg(c.name, s.port)
        .arg(s.address)
        .arg(s.timeout_ms)
        .arg(s.retries)
        .arg(s.baud)
        .arg(s.every_ms)
        .arg(s.count)
        .arg(s.from)
        .arg(s.to)
        .arg(s.out_file)
        .arg(s.changes.size())
        .arg(s.pump_on ? "on" : "off");
}

} // namespace

void tst_command_line::init()
{
    for (const char *name : variables)
        qunsetenv(name);
}

void tst_command_line::cleanup()
{
    init();
    QFile::remove(dir.filePath(QStringLiteral("FILE")));
}

// Runs one row: its environment, its file, the parse; false when the parser itself refused.
static bool take(const QTemporaryDir &dir, QStringList args, const QStringList &env,
                 const QByteArray &file, const Command **command, Settings *s, QString *why)
{
    for (const QString &pair : env)
        qputenv(pair.section('=', 0, 0).toLatin1(), pair.section('=', 1).toUtf8());
    const QString path = dir.filePath(QStringLiteral("FILE"));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(file) != file.size())
        return false;
    f.close();
    args.replaceInStrings(QStringLiteral("FILE"), path);
    QCommandLineParser parser;
    add_options(&parser);
    if (!parser.parse(QStringList{QStringLiteral("orbctl")} + args)) {
        *why = parser.errorText();
        return false;
    }
    return take_command_line(parser, command, s, why);
}

void tst_command_line::accepted_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QStringList>("env");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("settings");
    const QString plain = "port=p address=1 timeout=1000 retries=0 baud=9600 every=-1 count=0 "
                          "scan=0-255 out= changes=0 pump=off";
    const auto row = [](const char *name, const QStringList &args, const QString &settings,
                        const QByteArray &file = {}, const QStringList &env = {}) {
        QTest::newRow(name) << args << env << file << settings;
    };
    row("test", {"-p", "p", "test"}, "test " + plain);
    row("options before the environment", {"-p", "p", "-a", "9", "test"},
        "test " + QString(plain).replace("ss=1", "ss=9"), {}, {"ORB_PORT=q", "ORB_ADDRESS=7"});
    row("scan waits 200 ms", {"-p", "p", "scan", "--from", "3", "--to", "3"},
        "scan " + QString(plain).replace("=1000", "=200").replace("0-255", "3-3"));
    row("scan, --timeout given", {"-p", "p", "--timeout", "50", "scan"},
        "scan " + QString(plain).replace("=1000", "=50"));
    row("every number option at its largest",
        {"-p", "p", "--address", "255", "--timeout", "3600000", "--retries", "1000", "--baud",
         "100000000", "test"},
        "test port=p address=255 timeout=3600000 retries=1000 baud=100000000 every=-1 "
        "count=0 scan=0-255 out= changes=0 pump=off");
    row("watch in fractions of a second", {"-p", "p", "status", "--watch", "0.25", "--count", "3"},
        "status " + QString(plain).replace("every=-1 count=0", "every=250 count=3"));
}

void tst_command_line::accepted()
{
    QFETCH(QStringList, args);
    QFETCH(QStringList, env);
    QFETCH(QByteArray, file);
    QFETCH(QString, settings);
    const Command *command = nullptr;
    Settings s;
    QString why;
    QVERIFY2(take(dir, args, env, file, &command, &s, &why), qPrintable(why));
    QVERIFY(command);
    QCOMPARE(shown(*command, s), settings);
}

void tst_command_line::refused_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QStringList>("env");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("why"); // "FILE" stands for the file's path
    const QStringList p = {"-p", "p"};
    const QStringList write = {"-p", "p", "write", "FILE"};
    const auto row = [](const char *name, const QStringList &args, const QString &why,
                        const QByteArray &file = {}, const QStringList &env = {}) {
        QTest::newRow(name) << args << env << file << why;
    };
    row("no command", {"-p", "p"}, "no command; see orbctl --help");
    row("unknown command", p + QStringList{"wash"}, "unknown command wash; see orbctl --help");
    row("--watch on read", p + QStringList{"read", "--watch", "1"}, "--watch belongs to status");
    row("--count on test", p + QStringList{"test", "--count", "1"}, "--count belongs to status");
    row("-o on status", p + QStringList{"status", "-o", "x"},
        "-o belongs to read and status --prometheus");
    row("--to on read", p + QStringList{"read", "--to", "3"}, "--to belongs to scan");
    row("--count without --watch", p + QStringList{"status", "--count", "3"},
        "--count belongs to --watch");
    row("--watch not seconds", p + QStringList{"status", "--watch", "soon"},
        "--watch wants seconds, not soon");
    row("--watch negative", p + QStringList{"status", "--watch", "-1"},
        "--watch wants seconds, not -1");
    row("--watch over a day", p + QStringList{"status", "--watch", "86401"},
        "--watch wants seconds, not 86401");
    row("--from past --to", p + QStringList{"scan", "--from", "9", "--to", "3"},
        "--from 9 is past --to 3");
    row("address 256", p + QStringList{"-a", "256", "test"}, "--address 256: 256 is past 255");
    row("--timeout 0", p + QStringList{"--timeout", "0", "test"},
        "--timeout wants a whole number from 1 to 3600000, not 0");
    row("--retries past 1000", p + QStringList{"--retries", "1001", "test"},
        "--retries wants a whole number from 0 to 1000, not 1001");
    row("--baud 0", p + QStringList{"--baud", "0", "test"},
        "--baud wants a whole number from 1 to 100000000, not 0");
    row("--to 256", p + QStringList{"scan", "--to", "256"},
        "--to wants a whole number from 0 to 255, not 256");
    row("set nothing", p + QStringList{"set"}, "set: wrong arguments; see orbctl --help");
    row("test with an argument", p + QStringList{"test", "now"},
        "test: wrong arguments; see orbctl --help");
    row("write two files", write + QStringList{"FILE"}, "write: wrong arguments; see orbctl --help",
        "time_move=1");
    row("pump sideways", p + QStringList{"pump", "up"}, "pump wants on or off, not up");
    row("write, empty file", write, "FILE: no field to write");
    row("empty ORB_PORT", {"status"}, "no port: give -p NAME or set ORB_PORT", {}, {"ORB_PORT="});
}

void tst_command_line::refused()
{
    QFETCH(QStringList, args);
    QFETCH(QStringList, env);
    QFETCH(QByteArray, file);
    QFETCH(QString, why);
    const Command *command = nullptr;
    Settings s;
    QString said;
    QVERIFY(!take(dir, args, env, file, &command, &s, &said));
    QCOMPARE(said, QString(why).replace(QStringLiteral("FILE"), dir.filePath("FILE")));
    QVERIFY(!command);
}

// The commands' lines in --help come from their table: every command is there, in the
// column the rest of the text keeps.
void tst_command_line::help_lists_every_command()
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

QTEST_GUILESS_MAIN(tst_command_line)
#include "tst_command_line.moc"
