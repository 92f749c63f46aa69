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
    QTest::newRow("test") << QStringList{"-p", "p", "test"} << QStringList{} << QByteArray()
                          << "test " + plain;
    QTest::newRow("ports needs no port") << QStringList{"ports"} << QStringList{} << QByteArray()
                                         << "ports " + QString(plain).replace("port=p", "port=");
    QTest::newRow("port and address from the environment")
        << QStringList{"status"} << QStringList{"ORB_PORT=q", "ORB_ADDRESS=7"} << QByteArray()
        << "status " + QString(plain).replace("port=p", "port=q").replace("ss=1", "ss=7");
    QTest::newRow("options before the environment")
        << QStringList{"-p", "p", "-a", "9", "test"} << QStringList{"ORB_PORT=q", "ORB_ADDRESS=7"}
        << QByteArray() << "test " + QString(plain).replace("ss=1", "ss=9");
    QTest::newRow("scan waits 200 ms")
        << QStringList{"-p", "p", "scan", "--from", "3", "--to", "3"} << QStringList{}
        << QByteArray()
        << "scan " + QString(plain).replace("=1000", "=200").replace("0-255", "3-3");
    QTest::newRow("scan, --timeout given")
        << QStringList{"-p", "p", "--timeout", "50", "scan"} << QStringList{} << QByteArray()
        << "scan " + QString(plain).replace("=1000", "=50");
    QTest::newRow("every number option at its largest")
        << QStringList{"-p",        "p",    "--address", "255",       "--timeout", "3600000",
                       "--retries", "1000", "--baud",    "100000000", "test"}
        << QStringList{} << QByteArray()
        << "test port=p address=255 timeout=3600000 retries=1000 baud=100000000 every=-1 "
           "count=0 scan=0-255 out= changes=0 pump=off";
    QTest::newRow("watch in fractions of a second")
        << QStringList{"-p", "p", "status", "--watch", "0.25", "--count", "3"} << QStringList{}
        << QByteArray()
        << "status " + QString(plain).replace("every=-1 count=0", "every=250 count=3");
    QTest::newRow("read -o") << QStringList{"-p", "p", "read", "-o", "backup"} << QStringList{}
                             << QByteArray()
                             << "read " + QString(plain).replace(" out=", " out=backup");
    QTest::newRow("set, two fields")
        << QStringList{"-p", "p", "set", "time_move=1", "time_wiper=2m"} << QStringList{}
        << QByteArray() << "set " + QString(plain).replace("changes=0", "changes=2");
    QTest::newRow("write, one field")
        << QStringList{"-p", "p", "write", "FILE"} << QStringList{}
        << QByteArray("# one\ntime_move=4\n")
        << "write " + QString(plain).replace("changes=0", "changes=1");
    QTest::newRow("pump on") << QStringList{"-p", "p", "pump", "on"} << QStringList{}
                             << QByteArray() << "pump " + QString(plain).replace("=off", "=on");
    QTest::newRow("pump off") << QStringList{"-p", "p", "pump", "off"} << QStringList{}
                              << QByteArray() << "pump " + plain;
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
    QTest::newRow("no command") << QStringList{"-p", "p"} << QStringList{} << QByteArray()
                                << "no command; see orbctl --help";
    QTest::newRow("unknown command") << p + QStringList{"wash"} << QStringList{} << QByteArray()
                                     << "unknown command wash; see orbctl --help";
    QTest::newRow("unknown option") << p + QStringList{"--fast", "test"} << QStringList{}
                                    << QByteArray() << "Unknown option 'fast'.";
    QTest::newRow("--watch on read") << p + QStringList{"read", "--watch", "1"} << QStringList{}
                                     << QByteArray() << "--watch belongs to status";
    QTest::newRow("--count on test") << p + QStringList{"test", "--count", "1"} << QStringList{}
                                     << QByteArray() << "--count belongs to status";
    QTest::newRow("-o on status") << p + QStringList{"status", "-o", "x"} << QStringList{}
                                  << QByteArray() << "-o belongs to read and status --prometheus";
    QTest::newRow("--to on read") << p + QStringList{"read", "--to", "3"} << QStringList{}
                                  << QByteArray() << "--to belongs to scan";
    QTest::newRow("--count without --watch")
        << p + QStringList{"status", "--count", "3"} << QStringList{} << QByteArray()
        << "--count belongs to --watch";
    QTest::newRow("--watch not seconds")
        << p + QStringList{"status", "--watch", "soon"} << QStringList{} << QByteArray()
        << "--watch wants seconds, not soon";
    QTest::newRow("--watch negative") << p + QStringList{"status", "--watch", "-1"} << QStringList{}
                                      << QByteArray() << "--watch wants seconds, not -1";
    QTest::newRow("--watch over a day")
        << p + QStringList{"status", "--watch", "86401"} << QStringList{} << QByteArray()
        << "--watch wants seconds, not 86401";
    QTest::newRow("--from past --to") << p + QStringList{"scan", "--from", "9", "--to", "3"}
                                      << QStringList{} << QByteArray() << "--from 9 is past --to 3";
    QTest::newRow("address 256") << p + QStringList{"-a", "256", "test"} << QStringList{}
                                 << QByteArray() << "--address 256: 256 is past 255";
    QTest::newRow("ORB_ADDRESS -1")
        << p + QStringList{"test"} << QStringList{"ORB_ADDRESS=-1"} << QByteArray()
        << "ORB_ADDRESS -1: -1 is not an address or a range N-M";
    QTest::newRow("--timeout 0") << p + QStringList{"--timeout", "0", "test"} << QStringList{}
                                 << QByteArray()
                                 << "--timeout wants a whole number from 1 to 3600000, not 0";
    QTest::newRow("--retries past 1000")
        << p + QStringList{"--retries", "1001", "test"} << QStringList{} << QByteArray()
        << "--retries wants a whole number from 0 to 1000, not 1001";
    QTest::newRow("--baud 0") << p + QStringList{"--baud", "0", "test"} << QStringList{}
                              << QByteArray()
                              << "--baud wants a whole number from 1 to 100000000, not 0";
    QTest::newRow("--to 256") << p + QStringList{"scan", "--to", "256"} << QStringList{}
                              << QByteArray() << "--to wants a whole number from 0 to 255, not 256";
    QTest::newRow("set nothing") << p + QStringList{"set"} << QStringList{} << QByteArray()
                                 << "set: wrong arguments; see orbctl --help";
    QTest::newRow("test with an argument")
        << p + QStringList{"test", "now"} << QStringList{} << QByteArray()
        << "test: wrong arguments; see orbctl --help";
    QTest::newRow("write two files")
        << write + QStringList{"FILE"} << QStringList{} << QByteArray("time_move=1")
        << "write: wrong arguments; see orbctl --help";
    QTest::newRow("pump sideways") << p + QStringList{"pump", "up"} << QStringList{} << QByteArray()
                                   << "pump wants on or off, not up";
    QTest::newRow("set, bad value")
        << p + QStringList{"set", "time_move=1", "addr_cam=256"} << QStringList{} << QByteArray()
        << "addr_cam: 256 does not fit, the largest is 255";
    QTest::newRow("write, bad line") << write << QStringList{} << QByteArray("time_move=3\nbogus\n")
                                     << "FILE: line 2: bogus: NAME=VALUE wanted";
    QTest::newRow("write, empty file")
        << write << QStringList{} << QByteArray() << "FILE: no field to write";
    QTest::newRow("write, comments only")
        << write << QStringList{} << QByteArray("# backup of module 3\n")
        << "FILE: no field to write";
    QTest::newRow("write, JSON without fields")
        << write << QStringList{} << QByteArray("{\"parameters\":{}}") << "FILE: no field to write";
    QTest::newRow("no port") << QStringList{"test"} << QStringList{} << QByteArray()
                             << "no port: give -p NAME or set ORB_PORT";
    QTest::newRow("empty ORB_PORT") << QStringList{"status"} << QStringList{"ORB_PORT="}
                                    << QByteArray() << "no port: give -p NAME or set ORB_PORT";
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
