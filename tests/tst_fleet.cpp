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
#include <QtTest>

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

    void sim_tcp_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");        // -1: still running
        QTest::addColumn<QString>("pattern"); // first line of stdout, or stderr
        // clang-format off
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
    // The real node exporter then serves what orbctl wrote.
    void metrics_file()
    {
        Sim_process sim(quick + QStringList{"--tcp", "0", "--address", "3,7", "--level-low"});
        QVERIFY(sim.is_running());
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("orb_washing.prom"));
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
        const Run r = run_orbctl({"-p", sim.path(), "-a", "3,7,9", "--timeout", "200", "status",
                                  "--prometheus", "-o", file});
        ::umask(mask);
        QVERIFY2(r.code == 3 && r.out.isEmpty(), qPrintable(r.err));
        QVERIFY(::stat(QFile::encodeName(file).constData(), &after) == 0);
        QVERIFY(before.st_ino != after.st_ino);
        QVERIFY(after.st_mode & S_IROTH);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"orb_washing.prom"});
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QMap<QString, QString> m = samples(QString::fromUtf8(f.readAll()));
        const QMap<QString, QString> want = {{"orb_washing_up/3", "1"},
                                             {"orb_washing_up/9", "0"},
                                             {"orb_washing_fluid_flag/7", "1"}};
        for (auto it = want.cbegin(); it != want.cend(); ++it)
            QCOMPARE(m.value(it.key()), it.value());

        const QString exporter =
            QStandardPaths::findExecutable(QStringLiteral("prometheus-node-exporter"));
        if (exporter.isEmpty())
            QSKIP("prometheus-node-exporter is not installed");
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
        for (auto it = want.cbegin(); it != want.cend(); ++it) {
            const QString line = QStringLiteral("%1{address=\"%2\",port=\"%3\"} %4")
                                     .arg(it.key().section('/', 0, 0), it.key().section('/', 1),
                                          sim.path(), it.value());
            QVERIFY2(page.contains(line), qPrintable(line + "\n" + page));
        }
        QVERIFY(page.contains(QLatin1String("node_textfile_scrape_error 0")));
    }
};

QTEST_GUILESS_MAIN(tst_fleet)
#include "tst_fleet.moc"
