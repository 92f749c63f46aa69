#include "process_run.h"
#include "sim_process.h"
#include "test_env.h"

#include "protocol/address_list.h"
#include "protocol/convert.h"

#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

// orbctl over many addresses, over TCP to the simulator, and its metrics read by the real
// Prometheus tools. The contrib/ files have a suite of their own, tst_contrib.
namespace {

// "name/address" -> sample line's value; extra labels under "name/address/labels".
QMap<QString, QString> samples(const QString &text)
{
    static const QRegularExpression line(
        QStringLiteral("^(\\w+)\\{port=\"[^\"]*\",address=\"(\\d+)\"(,[^}]*)?\\} (\\S+)$"));
    QMap<QString, QString> out;
    for (const QString &l : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QRegularExpressionMatch m = line.match(l);
        if (!m.hasMatch())
            continue;
        const QString key = m.captured(1) + QLatin1Char('/') + m.captured(2);
        out.insert(key, m.captured(4));
        if (!m.captured(3).isEmpty())
            out.insert(key + QStringLiteral("/labels"), m.captured(3));
    }
    return out;
}

// The simulator's "state" answer as numbers: state, pause, washout, rain, level, alarm.
QMap<QString, qint64> sim_state(Sim_process &sim)
{
    QMap<QString, qint64> out;
    if (!sim.command(QStringLiteral("state")))
        return out;
    const QStringList words = sim.last_answer().split(QLatin1Char(' ')).mid(1);
    for (int i = 0; i + 1 < words.size(); i += 2)
        out.insert(words.at(i), words.at(i + 1).toLongLong());
    return out;
}

// promtool's lint: nothing on either stream and status 0 for a clean exposition.
QString promtool_complaints(const QString &text)
{
    const Run r = run_process(QStringLiteral("promtool"), {"check", "metrics"},
                              QProcessEnvironment::systemEnvironment(), text.toUtf8());
    return r.code == 0 && r.out.trimmed().isEmpty() && r.err.trimmed().isEmpty()
               ? QString()
               : QStringLiteral("status %1: %2%3").arg(r.code).arg(r.out, r.err);
}

// A loopback port nobody listens on (for a moment: the test takes it at once).
quint16 closed_port()
{
    QTcpServer s;
    s.listen(QHostAddress::LocalHost);
    return s.serverPort();
}

const QStringList quick = {"--no-pacing", "--init", "0"};

} // namespace

class tst_fleet : public QObject
{
    Q_OBJECT

    Test_env env;

    static bool have(const char *tool)
    {
        return !QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty();
    }

private slots:
    void metrics_data()
    {
        QTest::addColumn<QStringList>("sim_args");
        QTest::addColumn<QStringList>("before"); // orbctl arguments run first, PORT for the line
        QTest::addColumn<QString>("addresses");
        QTest::addColumn<QString>("down"); // addresses that must not answer, comma-joined
        // clang-format off
        QTest::newRow("pty, one module, rain and manual start") << quick + QStringList{"--rain", "--alarm"} << QStringList() << "1" << "";
        QTest::newRow("pty, washing") << quick << QStringList{"pump", "on"} << "1" << "";
        QTest::newRow("pty, initialisation") << QStringList{"--no-pacing", "--init", "600000"} << QStringList() << "1" << "";
        QTest::newRow("tcp, three modules") << quick + QStringList{"--tcp", "0", "--address", "1-3", "--rain"} << QStringList() << "1-3" << "";
        QTest::newRow("tcp, absent module among good ones") << quick + QStringList{"--tcp", "0", "--address", "4,6", "--level-low"} << QStringList() << "4-6" << "5";
        QTest::newRow("pty, all absent") << quick + QStringList{"--address", "9"} << QStringList() << "1,2" << "1,2";
        // clang-format on
    }

    // Every value the metrics carry for a module comes from its status, checked against what
    // the simulator holds, and promtool finds nothing to say about the text.
    void metrics()
    {
        QFETCH(QStringList, sim_args);
        QFETCH(QStringList, before);
        QFETCH(QString, addresses);
        QFETCH(QString, down);
        Sim_process sim(sim_args);
        QVERIFY(sim.is_running());
        if (!before.isEmpty())
            QCOMPARE(run_orbctl(QStringList{"-p", sim.path()} + before).code, 0);
        const Run r = run_orbctl(
            {"-p", sim.path(), "-a", addresses, "--timeout", "300", "status", "--prometheus"});
        const QMap<QString, qint64> state = sim_state(sim);
        QVERIFY(!state.isEmpty());
        QCOMPARE(r.code, down.isEmpty() ? 0 : 3);
        const QMap<QString, QString> m = samples(r.out);
        QVector<quint8> list;
        QString why;
        const QStringList absent = down.split(',', Qt::SkipEmptyParts);
        QVERIFY(orb::parse_address_list(addresses, &list, &why));
        for (const quint8 address : qAsConst(list)) {
            const QString a = QLatin1Char('/') + QString::number(address);
            if (absent.contains(QString::number(address))) {
                QCOMPARE(m.value("orb_washing_up" + a), QStringLiteral("0"));
                QCOMPARE(m.value("orb_washing_failure_info" + a + "/labels"),
                         QStringLiteral(",status=\"3\",reason=\"no reply within 300 ms\""));
                QVERIFY(!m.contains("orb_washing_state" + a));
                QVERIFY2(r.err.contains(QStringLiteral("%1 (no reply").arg(address)),
                         qPrintable(r.err));
                continue;
            }
            QCOMPARE(m.value("orb_washing_up" + a), QStringLiteral("1"));
            QVERIFY(!m.contains("orb_washing_failure_info" + a));
            QCOMPARE(
                m.value("orb_washing_state_info" + a + "/labels"),
                QStringLiteral(",state=\"%1\"").arg(orb::state_text(int(state.value("state")))));
            const QStringList same = {"state/state", "fluid_flag/level", "rain_flag/rain",
                                      "manual_start_flag/alarm"};
            for (const QString &pair : same) // metric/simulator's name
                QCOMPARE(m.value("orb_washing_" + pair.section('/', 0, 0) + a).toLongLong(),
                         state.value(pair.section('/', 1)));
            // The simulator was asked after orbctl: its count is lower by the time between.
            const double left = m.value("orb_washing_seconds_left" + a).toDouble();
            const double sim_left = state.value("pause") / 1000.0;
            QVERIFY2(
                left >= sim_left && left - sim_left < 3,
                qPrintable(QStringLiteral("%1 s, %2 s in the simulator").arg(left).arg(sim_left)));
            const Run json =
                run_orbctl({"-p", sim.path(), "-a", QString::number(address), "status", "--json"});
            QCOMPARE(json.code, 0);
            QCOMPARE(m.value("orb_washing_measuring_voltage" + a),
                     QString::number(QJsonDocument::fromJson(json.out.toUtf8())
                                         .object()
                                         .value("measuring_voltage")
                                         .toInt()));
            const double took = m.value("orb_washing_exchange_seconds" + a).toDouble();
            QVERIFY2(took > 0 && took < 0.3, qPrintable(QString::number(took)));
        }
        if (!have("promtool"))
            QSKIP("promtool is not installed (Debian package prometheus)");
        const QString complaints = promtool_complaints(r.out);
        QVERIFY2(complaints.isEmpty(), qPrintable(complaints));
    }

    void runs_data()
    {
        QTest::addColumn<QStringList>("sim_args");
        QTest::addColumn<QStringList>("sim_commands");
        QTest::addColumn<QStringList>("args"); // PORT: the simulator's line
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("out"); // pattern for stdout
        QTest::addColumn<QString>("err"); // pattern for stderr
        const QStringList three = quick + QStringList{"--address", "1-3"};
        const QStringList tcp = three + QStringList{"--tcp", "0"},
                          tcp_1 = quick + QStringList{"--tcp", "0"};
        const QString pause =
            "Пауза, осталось:  3\\d{3} сек\\.  flag_lvl=0 flag_rain=0 alarm_in=0\n";
        // clang-format off
        QTest::newRow("status 1-3, text") << three << QStringList() << QStringList{"-p", "PORT", "-a", "1-3", "status"} << 0 << "^1: " + pause + "2: " + pause + "3: " + pause + "$" << "^$";
        QTest::newRow("test, order given") << three << QStringList() << QStringList{"-p", "PORT", "-a", "3,1,2", "test"} << 0 << "^3: module 3 answers\n1: module 1 answers\n2: module 2 answers\n$" << "^$";
        QTest::newRow("one address, no prefix") << three << QStringList() << QStringList{"-p", "PORT", "-a", "2", "test"} << 0 << "^module 2 answers\n$" << "^$";
        QTest::newRow("one failing among good ones") << three << QStringList() << QStringList{"-p", "PORT", "-a", "1,7,3", "--timeout", "200", "test"} << 3 << "^1: module 1 answers\n3: module 3 answers\n$" << "^orbctl: failed: 7 \\(no reply within 200 ms\\)\n$";
        QTest::newRow("first failure's status") << three << QStringList{"fault bad-crc", "fault-count 1"} << QStringList{"-p", "PORT", "-a", "1,7,3", "--timeout", "200", "pump", "off"} << 1 << "^3: насос выключен\n$" << "^orbctl: failed: 1 \\(Контрольная сумма [^)]+\\), 7 \\(no reply within 200 ms\\)\n$";
        QTest::newRow("test --json, failed one") << tcp << QStringList() << QStringList{"-p", "PORT", "-a", "3,4,1", "--timeout", "200", "test", "--json"} << 3 << "^\\[\n\\{\"address\": 3, \"ok\": true\\},\n\\{\"address\": 4, \"error\": \\{\"status\": 3, \"message\": \"no reply within 200 ms\"\\}\\},\n\\{\"address\": 1, \"ok\": true\\}\n\\]\n$" << "^orbctl: failed: 4 \\(no reply within 200 ms\\)\n$";
        QTest::newRow("status --json, tcp") << tcp << QStringList() << QStringList{"-p", "PORT", "-a", "2-3", "status", "--json"} << 0 << "^\\[\n\\{\"address\": 2, \"state\": 2, [^\n]+\\},\n\\{\"address\": 3, \"state\": 2, [^\n]+\\}\n\\]\n$" << "^$";
        QTest::newRow("port lost mid-list") << three << QStringList{"fault vanish"} << QStringList{"-p", "PORT", "-a", "5,1,2", "--timeout", "200", "test"} << 3 << "^$" << "^orbctl: failed: 5 \\(no reply within 200 ms\\), 1 \\(port [^ ]+ lost: [^)]+\\), 2 \\(not tried\\)\n$";
        QTest::newRow("port lost mid-list, json") << tcp << QStringList{"fault vanish"} << QStringList{"-p", "PORT", "-a", "1,2", "pump", "on", "--json"} << 4 << "^\\[\n\\{\"address\": 1, \"error\": \\{\"status\": 4, \"message\": \"port tcp://[^\"]+ lost: [^\"]+\"\\}\\},\n\\{\"address\": 2, \"error\": \\{\"status\": 4, \"message\": \"not tried\"\\}\\}\n\\]\n$" << "^orbctl: failed: 1 \\(port [^)]+\\), 2 \\(not tried\\)\n$";
        QTest::newRow("status --watch, two in turn") << three << QStringList() << QStringList{"-p", "PORT", "-a", "2,1", "status", "--watch", "0.2", "--count", "2"} << 0 << "^(\\d\\d:\\d\\d:\\d\\d\\.\\d{3}  2: " + pause + "\\d\\d:\\d\\d:\\d\\d\\.\\d{3}  1: " + pause + "){2}$" << "^$";
        QTest::newRow("scan, tcp") << tcp << QStringList() << QStringList{"-p", "PORT", "scan", "--from", "0", "--to", "5"} << 0 << "^1\n2\n3\n$" << "^$";
        QTest::newRow("read -o without {address}") << three << QStringList() << QStringList{"-p", "PORT", "-a", "1,2", "read", "-o", "backup"} << 2 << "^$" << "^orbctl: -o with several addresses wants \\{address\\} in the file name, not backup\n$";
        QTest::newRow("tcp refused") << QStringList() << QStringList() << QStringList{"-p", "tcp://127.0.0.1:CLOSED", "test"} << 4 << "^$" << "^orbctl: cannot open tcp://127.0.0.1:\\d+: connection refused\n$";
        QTest::newRow("tcp refused, metrics still written") << QStringList() << QStringList() << QStringList{"-p", "tcp://127.0.0.1:CLOSED", "-a", "1,2", "status", "--prometheus"} << 4 << "orb_washing_up\\{[^}]*address=\"2\"\\} 0\n.*orb_washing_failure_info\\{[^}]*address=\"2\",status=\"4\",reason=\"not tried: cannot open [^\"]+: connection refused\"\\} 1\n$" << "^orbctl: cannot open [^\n]+: connection refused\norbctl: failed: 1 \\(not tried\\), 2 \\(not tried\\)\n$";
        QTest::newRow("tcp lost") << tcp_1 << QStringList{"fault vanish"} << QStringList{"-p", "PORT", "status"} << 4 << "^$" << "^orbctl: port tcp://127.0.0.1:\\d+ lost: [^\n]+\n$";
        QTest::newRow("tcp lost mid-list") << tcp_1 + QStringList{"--address", "2-3"} << QStringList{"fault vanish"} << QStringList{"-p", "PORT", "-a", "1-4", "--timeout", "300", "status", "--prometheus"} << 3 << "orb_washing_failure_info\\{[^}]*address=\"3\",status=\"4\",reason=\"not tried: port [^\"]+ lost" << "^orbctl: failed: 1 \\(no reply within 300 ms\\), 2 \\(port tcp://[^ ]+ lost: [^)]+\\), 3 \\(not tried\\), 4 \\(not tried\\)\n$";
        QTest::newRow("tcp, line taken by another client") << tcp_1 << QStringList() << QStringList{"-p", "PORT", "test"} << 4 << "^$" << "^orbctl: port tcp://[^ ]+ lost: ";
        QTest::newRow("tcp connect timeout") << QStringList() << QStringList() << QStringList{"-p", "tcp://127.0.0.1:FULL", "test"} << 4 << "^$" << "^orbctl: cannot open tcp://127.0.0.1:\\d+: no connection within 1000 ms\n$";
        QTest::newRow("tcp without a port number") << QStringList() << QStringList() << QStringList{"-p", "tcp://127.0.0.1", "test"} << 2 << "^$" << "^orbctl: tcp://127.0.0.1 is not tcp://HOST:PORT\n$";
        QTest::newRow("tcp, --baud said once") << tcp_1 << QStringList() << QStringList{"-p", "PORT", "--baud", "19200", "test"} << 0 << "^module 1 answers\n$" << "^orbctl: --baud does not apply to tcp://[^ ]+: the device server's own setting does\n$";
        QTest::newRow("--prometheus with --json") << quick << QStringList() << QStringList{"-p", "PORT", "status", "--prometheus", "--json"} << 2 << "^$" << "^orbctl: --prometheus goes without --json and --watch\n$";
        QTest::newRow("--prometheus on read") << quick << QStringList() << QStringList{"-p", "PORT", "read", "--prometheus"} << 2 << "^$" << "^orbctl: --prometheus belongs to status\n$";
        // clang-format on
    }

    // Each address its own exchange, in the order given, every one tried; a line that cannot
    // be opened or goes away said so, with the metrics still written.
    void runs()
    {
        QFETCH(QStringList, sim_args);
        QFETCH(QStringList, sim_commands);
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, out);
        QFETCH(QString, err);
        Sim_process sim(sim_args);
        QVERIFY(sim_args.isEmpty() || sim.is_running());
        for (const QString &c : qAsConst(sim_commands))
            QVERIFY(sim.command(c));
        QTcpSocket holder; // takes the simulator's line first
        if (QTest::currentDataTag() == QLatin1String("tcp, line taken by another client")) {
            const QUrl url(sim.path());
            holder.connectToHost(url.host(), quint16(url.port()));
            QVERIFY(holder.waitForConnected(3000));
            QVERIFY(sim.wait_traffic(QStringLiteral("connected")));
        }
        // A listener whose backlog of one is taken: a further connect hangs unanswered.
        int full = -1;
        quint16 full_port = 0;
        QTcpSocket first;
        if (args.join(' ').contains(QLatin1String("FULL"))) {
            full = ::socket(AF_INET, SOCK_STREAM, 0);
            sockaddr_in a{};
            a.sin_family = AF_INET;
            a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            socklen_t size = sizeof a;
            QVERIFY(::bind(full, reinterpret_cast<sockaddr *>(&a), size) == 0);
            QVERIFY(::listen(full, 0) == 0);
            QVERIFY(::getsockname(full, reinterpret_cast<sockaddr *>(&a), &size) == 0);
            full_port = ntohs(a.sin_port);
            first.connectToHost(QHostAddress::LocalHost, full_port);
            QVERIFY(first.waitForConnected(3000));
        }
        args.replaceInStrings(QStringLiteral("CLOSED"), QString::number(closed_port()));
        args.replaceInStrings(QStringLiteral("FULL"), QString::number(full_port));
        const Run r = run_orbctl(args, sim.path());
        if (full >= 0)
            ::close(full);
        QVERIFY2(r.code == code, qPrintable(QStringLiteral("%1: %2").arg(r.code).arg(r.err)));
        QVERIFY2(matches(out, r.out), qPrintable(r.out));
        QVERIFY2(matches(err, r.err), qPrintable(r.err));
    }

    // One backup per module, each what a single read of that module gives.
    void read_files()
    {
        Sim_process sim(quick + QStringList{"--address", "4,9"});
        QVERIFY(sim.is_running());
        QVERIFY(sim.command(QStringLiteral("fault bad-crc")) &&
                sim.command(QStringLiteral("fault-count 1")));
        const Run r = run_orbctl({"-p", sim.path(), "-a", "9,6,4", "--timeout", "200", "read",
                                  "--json", "-o", "backup-{address}.json"});
        QCOMPARE(r.code, 1);
        QCOMPARE(QDir().entryList({"backup-*"}), QStringList{"backup-4.json"});
        const Run single = run_orbctl({"-p", sim.path(), "-a", "4", "read", "--json"});
        QFile file(QStringLiteral("backup-4.json"));
        QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
        QCOMPARE(QString::fromUtf8(file.readAll()), single.out);
        QVERIFY(file.remove());
        QVERIFY2(r.err.contains(QLatin1String("failed: 9 (")) &&
                     r.err.contains(QLatin1String("6 (no reply within 200 ms)")),
                 qPrintable(r.err));
    }

    void sim_tcp_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");        // -1: still running
        QTest::addColumn<QString>("pattern"); // first line of stdout, or stderr
        // clang-format off
        QTest::newRow("port only: loopback") << QStringList{"--tcp", "0"} << -1 << "^tcp://127\\.0\\.0\\.1:[1-9]\\d*$";
        QTest::newRow("loopback named") << QStringList{"--tcp", "127.0.0.1:0"} << -1 << "^tcp://127\\.0\\.0\\.1:[1-9]\\d*$";
        QTest::newRow("every address, asked for") << QStringList{"--tcp", "0.0.0.0:0"} << -1 << "^tcp://0\\.0\\.0\\.0:[1-9]\\d*$";
        QTest::newRow("port past 65535") << QStringList{"--tcp", "70000"} << 2 << "--tcp wants PORT or ADDRESS:PORT \\(a numeric address\\), not 70000";
        QTest::newRow("host name") << QStringList{"--tcp", "localhost:0"} << 2 << "not localhost:0";
        QTest::newRow("with --port") << QStringList{"--tcp", "0", "--port", "/dev/null"} << 2 << "--tcp and --port exclude each other";
        QTest::newRow("address list refused") << QStringList{"--address", "3,3"} << 2 << "--address 3,3: 3 is given twice";
        // clang-format on
    }

    void sim_tcp()
    {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, pattern);
        QProcess sim;
        sim.start(QStringLiteral(ORB_SIM_PATH), args);
        if (code < 0) {
            QVERIFY(sim.waitForReadyRead(5000));
            const QString first = QString::fromUtf8(sim.readLine()).trimmed();
            sim.terminate();
            sim.waitForFinished(3000);
            QVERIFY2(matches(pattern, first), qPrintable(first));
            return;
        }
        QVERIFY(sim.waitForFinished(5000));
        QCOMPARE(sim.exitCode(), code);
        const QString err = QString::fromUtf8(sim.readAllStandardError());
        QVERIFY2(matches(pattern, err), qPrintable(err));
    }

    // The textfile collector must never read half a file: the old file is replaced by a new
    // one (another inode), readable by the node exporter's user, with nothing left beside it.
    void metrics_file_replaced()
    {
        Sim_process sim(quick + QStringList{"--address", "1-2"});
        QVERIFY(sim.is_running());
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("orb_washing.prom"));
        const QStringList args = {"-p",     sim.path(),     "-a", "1-2",
                                  "status", "--prometheus", "-o", file};
        {
            QFile old(file);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("# old\n");
        }
        struct stat before
        {
        }, after{};
        QVERIFY(::stat(QFile::encodeName(file).constData(), &before) == 0);
        const mode_t mask = ::umask(022);
        const Run r = run_orbctl(args);
        ::umask(mask);
        QVERIFY2(r.code == 0 && r.out.isEmpty(), qPrintable(r.err));
        QVERIFY(::stat(QFile::encodeName(file).constData(), &after) == 0);
        QVERIFY(before.st_ino != after.st_ino);
        QVERIFY(after.st_mode & S_IROTH);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"orb_washing.prom"});
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QMap<QString, QString> m = samples(QString::fromUtf8(f.readAll()));
        QCOMPARE(m.value("orb_washing_up/1"), QStringLiteral("1"));
        QCOMPARE(m.value("orb_washing_up/2"), QStringLiteral("1"));
    }

    // The real node exporter serves what orbctl wrote into its textfile folder.
    void node_exporter()
    {
        const QString exporter =
            QStandardPaths::findExecutable(QStringLiteral("prometheus-node-exporter"));
        if (exporter.isEmpty())
            QSKIP("prometheus-node-exporter is not installed");
        Sim_process sim(quick + QStringList{"--tcp", "0", "--address", "3,7", "--level-low"});
        QVERIFY(sim.is_running());
        QTemporaryDir dir;
        const Run r = run_orbctl({"-p", sim.path(), "-a", "3,7,9", "--timeout", "200", "status",
                                  "--prometheus", "-o", dir.filePath("orb_washing.prom")});
        QCOMPARE(r.code, 3);
        const quint16 port = closed_port();
        QProcess node;
        node.setProcessChannelMode(QProcess::MergedChannels);
        node.start(exporter, {QStringLiteral("--web.listen-address=127.0.0.1:%1").arg(port),
                              "--collector.disable-defaults", "--collector.textfile",
                              "--collector.textfile.directory=" + dir.path()});
        QVERIFY(node.waitForStarted(5000));
        QNetworkAccessManager net;
        net.setProxy(QNetworkProxy::NoProxy); // straight to the loopback, whatever the settings
        QString page;
        const QDeadlineTimer deadline(10000);
        while (page.isEmpty() && !deadline.hasExpired() && node.state() == QProcess::Running) {
            QNetworkReply *reply = net.get(
                QNetworkRequest(QUrl(QStringLiteral("http://127.0.0.1:%1/metrics").arg(port))));
            QSignalSpy done(reply, &QNetworkReply::finished);
            QVERIFY(done.isValid());
            QVERIFY(done.wait(5000));
            if (reply->error() == QNetworkReply::NoError)
                page = QString::fromUtf8(reply->readAll());
            else
                QTest::qWait(100);
            reply->deleteLater();
        }
        node.terminate();
        node.waitForFinished(3000);
        QVERIFY2(!page.isEmpty(), node.readAll().constData());
        const QString label = QStringLiteral("port=\"%1\"").arg(sim.path());
        for (const QString &want : {QStringLiteral("orb_washing_up{address=\"3\",%1} 1"),
                                    QStringLiteral("orb_washing_up{address=\"9\",%1} 0"),
                                    QStringLiteral("orb_washing_fluid_flag{address=\"7\",%1} 1")})
            QVERIFY2(page.contains(want.arg(label)), qPrintable(want.arg(label) + "\n" + page));
        QVERIFY(page.contains(QLatin1String("node_textfile_scrape_error 0")));
    }
};

QTEST_GUILESS_MAIN(tst_fleet)
#include "tst_fleet.moc"
