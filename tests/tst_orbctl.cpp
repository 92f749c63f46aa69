#include "process_run.h"
#include "sim_process.h"
#include "test_env.h"

#include "protocol/convert.h"
#include "protocol/param_data.h"
#include "protocol/version.h"

#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QSerialPort>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include <csignal>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

// orbctl run as a process against the simulator, on a pseudo-terminal or over TCP, its metrics
// read by the real Prometheus tools; the simulator's TCP line. The contrib/ files have a suite of
// their own, tst_contrib.
namespace {

// The record the simulator holds now.
orb::Param_data stored(Sim_process &sim)
{
    orb::Param_data data;
    if (sim.command(QStringLiteral("params")))
        orb::Param_data::decode(QByteArray::fromHex(sim.last_answer().mid(3).toLatin1()), &data);
    return data;
}

// Every request the simulator has seen, once all earlier traffic is in.
int requests(Sim_process &sim)
{
    if (sim.is_running() && !(sim.command("seed 1") && sim.wait_traffic("== seed 1")))
        return -1;
    return sim.traffic().count(QLatin1String("<- :"));
}

// A loopback port nobody listens on (for a moment: the test takes it at once).
quint16 closed_port()
{
    QTcpServer s;
    s.listen(QHostAddress::LocalHost);
    return s.serverPort();
}

// "name/address" -> an orb_ sample's value, its labels but the address, sorted, under
// "name/address/labels": the node exporter serves them sorted, orbctl writes port first.
QMap<QString, QString> samples(const QString &text)
{
    static const QRegularExpression line(QStringLiteral("^(orb_\\w+)\\{([^}]*)\\} (\\S+)$"),
                                         QRegularExpression::MultilineOption);
    static const QRegularExpression label(QStringLiteral("(\\w+)=\"((?:[^\"\\\\]|\\\\.)*)\""));
    QMap<QString, QString> out;
    for (auto it = line.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        QString address;
        QStringList labels;
        for (auto l = label.globalMatch(m.captured(2)); l.hasNext();) {
            const QRegularExpressionMatch pair = l.next();
            if (pair.captured(1) == QLatin1String("address"))
                address = pair.captured(2);
            else
                labels << pair.captured(0);
        }
        labels.sort();
        out.insert(m.captured(1) + QLatin1Char('/') + address, m.captured(3));
        out.insert(m.captured(1) + QLatin1Char('/') + address + "/labels", labels.join(','));
    }
    return out;
}

// The page the real node exporter serves from a textfile folder; empty if none came.
QString node_exporter_page(const QString &exporter, const QString &dir)
{
    const quint16 port = closed_port();
    QProcess node;
    node.setProcessChannelMode(QProcess::MergedChannels);
    node.start(exporter, {QStringLiteral("--web.listen-address=127.0.0.1:%1").arg(port),
                          "--collector.disable-defaults", "--collector.textfile",
                          "--collector.textfile.directory=" + dir});
    if (!node.waitForStarted(5000))
        return {};
    QNetworkAccessManager net;
    net.setProxy(QNetworkProxy::NoProxy); // straight to the loopback, whatever the settings
    QString page;
    const QDeadlineTimer deadline(10000);
    while (page.isEmpty() && !deadline.hasExpired() && node.state() == QProcess::Running) {
        QNetworkReply *reply =
            net.get(QNetworkRequest(QUrl(QStringLiteral("http://127.0.0.1:%1/metrics").arg(port))));
        QSignalSpy done(reply, &QNetworkReply::finished);
        if (done.isValid() && done.wait(5000) && reply->error() == QNetworkReply::NoError)
            page = QString::fromUtf8(reply->readAll());
        else
            QTest::qWait(100);
        reply->deleteLater();
    }
    node.terminate();
    node.waitForFinished(3000);
    if (page.isEmpty())
        qWarning("the node exporter said: %s", node.readAll().constData());
    return page;
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

const QStringList quick = {"--no-pacing", "--init", "0"};

} // namespace

class tst_orbctl : public QObject
{
    Q_OBJECT

    Test_env env; // the log lands in a scratch directory

private slots:
    void runs_data()
    {
        QTest::addColumn<QStringList>("sim_args");
        QTest::addColumn<QStringList>("console"); // simulator commands before the run
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("input"); // on standard input
        QTest::addColumn<QStringList>("env");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("out"); // patterns; "PORT" stands for the simulator's line
        QTest::addColumn<QString>("err");
        QTest::addColumn<QStringList>("written"); // NAME=PATTERN: the files left, in name order
        QTest::addColumn<int>("sent");            // requests the module saw; -1: it left; -2: any
        QTest::addColumn<int>("min_ms");          // the run takes at least this long
        QTest::addColumn<QStringList>("changed"); // NAME=VALUE the record gets, the rest kept
        // Commands that succeed: status 0, nothing on stderr.
        const auto done = [](const char *name, const QStringList &sim_args, const QStringList &args,
                             const QString &out, const QString &log = QString(),
                             const QStringList &env = {}) {
            QTest::newRow(name) << sim_args << QStringList() << args << QByteArray() << env << 0
                                << out << "^$"
                                << (log.isEmpty() ? QStringList() : QStringList{"orb.log=" + log})
                                << -2 << 0 << QStringList();
        };
        // A write or set changes the fields given and keeps the rest.
        const auto change = [](const char *name, const QStringList &args, const QByteArray &input,
                               const QStringList &changed) {
            QTest::newRow(name) << quick << QStringList() << QStringList{"-p", "PORT"} + args
                                << input << QStringList() << 0 << QString() << "^$" << QStringList()
                                << -2 << 0 << changed;
        };
        const QStringList p = {"-p", "PORT"};
        const QStringList at_7 = quick + QStringList{"--address", "7"};
        const QString pause =
            "Пауза, осталось:  3\\d\\d\\d сек\\.  flag_lvl=0 flag_rain=0 alarm_in=0\n";
        // clang-format off
        done("test", quick, p + QStringList{"test"}, "^module 1 answers\n$");
        done("test, ORB_PORT and ORB_ADDRESS", at_7, {"test"}, "^module 7 answers\n$", {}, {"ORB_PORT=PORT", "ORB_ADDRESS=7"});
        done("status, flags", quick + QStringList{"--rain", "--alarm"}, p + QStringList{"status"}, "^Пауза, осталось:  (299|300) сек\\.  flag_lvl=0 flag_rain=1 alarm_in=1\n$");
        done("status --json", quick + QStringList{"--level-low"}, p + QStringList{"status", "--json"},
            "^\\{\"address\": 1, \"state\": 2, \"state_text\": \"Пауза\", "
            "\"elapsed_time_washout\": 0, \"elapsed_time_washout_pause\": 3\\d{6}, "
            "\"elapsed_time_damaged\": 0, \"elapsed_time_wiper\": 0, "
            "\"measuring_voltage\": 240, \"flag_lvl\": 1, \"flag_rain\": 0, \"alarm_in\": 0\\}\n$");
        done("status --watch", quick, p + QStringList{"status", "--watch", "0.2", "--count", "3"}, "^(\\d\\d:\\d\\d:\\d\\d\\.\\d{3}  " + pause + "){3}$");
        done("status --watch --json", quick, p + QStringList{"status", "--json", "--watch", "0.2", "--count", "3"}, "^(\\{\"address\": 1, \"state\": 2, [^\n]*\\}\n){3}$");
        done("read", quick, p + QStringList{"read"},
            "^addr_cam=1\ntime_interval=3600\ntime_interval_rain=300\ntime_washout=10\n"
            "time_pause_washout=0\ntime_move=5\ntime_tur_1=0\ntime_wiper=5\npreset_move=10\n"
            "preset_wiper=11\nmin_voltage=180\nmax_voltage=300\nwiper_not_active=0\n"
            "normal_sensor_rain=0\nnormal_Preset_Initial_Pos=1\nnormal_Work_Reg_Cam=0\n"
            "normal_Num_Tour=1\nnormal_Num_Scan=1\nnormal_Num_Pattern=1\n$");
        done("read --json", quick, p + QStringList{"read", "--json"},
            "^\\{\n    \"address\": 1,\n    \"parameters\": \\{\n"
            "        \"addr_cam\": 1,\n        \"time_interval\": 3600,\n"
            ".*        \"normal_Num_Pattern\": 1\n    \\}\n\\}\n$");
        done("set", quick, p + QStringList{"set", "time_wiper=1m", "time_move=5"}, "^time_wiper: 5 -> 60\n$");
        done("pump on", quick, p + QStringList{"pump", "on"}, "^насос включен\n$");
        done("ports", quick, {"ports"}, "(^|\n)PORT\t\\(ORB_PTZ_WASHING_EXTRA_PORTS\\)\n$");
        const QStringList at_2_7_9 = quick + QStringList{"--address", "2,7,9"};
        done("scan --from --to --json", at_2_7_9, p + QStringList{"scan", "--from", "7", "--to", "9", "--json"}, "^\\[7, 9\\]\n$");
        done("--version", quick, {"--version"}, "^orbctl " + QRegularExpression::escape(orb::version()) + "\n$");
        done("--help", quick, {"--help"}, "Exit status:\n  0  success\n  1 .*\n  5  the module's echo");
        const QString line = "\n[^\n]+ ";
        done("--log status", quick, p + QStringList{"--log", "orb.log", "status"}, pause,
            "^\\d\\d-\\d\\d-\\d{4} \\d\\d:\\d\\d:\\d\\d INFO Получение статуса УПУ" + line +
                "DEBUG Длина пакета = 8" + line + "DEBUG Отправляем :AABB010300001F84" + line +
                "DEBUG Получено \\[aabb01031700[0-9a-f]{50}\\]" + line + "DEBUG state Пауза\n" +
                "([^\n]+ DEBUG [^\n]+\n){7}[^\n]+ INFO OK\n$");
        // --lang en: the lines a person reads in English; the log and the JSON as they are.
        done("--lang=en --log status", quick, p + QStringList{"--lang=en", "--log", "orb.log", "status"},
            "^Pause, left: 3\\d\\d\\d s  flag_lvl=0 flag_rain=0 alarm_in=0\n$",
            " INFO Получение статуса УПУ" + line + "DEBUG Длина пакета = 8\n.*DEBUG state Пауза\n");
        done("status --json, ORB_LANG=en", quick, p + QStringList{"status", "--json"}, "^\\{\"address\": 1, \"state\": 2, \"state_text\": \"Пауза\", ", {}, {"ORB_LANG=en"});
        done("pump on, ORB_LANG=en", quick, p + QStringList{"pump", "on"}, "^pump on\n$", {}, {"ORB_LANG=en"});
        done("--log test", quick, p + QStringList{"--log", "orb.log", "test"}, "^module 1 answers\n$",
            " INFO Test" + line + "DEBUG Длина пакета = 10" + line +
                "DEBUG Отправляем :AABB0100020000003837" + line + "DEBUG Получено \\[[^\n]*\\]" +
                line + "DEBUG Получено \\(hex\\) \\[AABB010002000000[0-9A-F]{4}\\]" + line +
                "INFO OK\n$");
        change("set 2h30m", {"set", "time_interval=2h30m"}, {}, {"time_interval=9000"});
        change("set largest", {"set", "time_washout=4294967295", "normal_Num_Pattern=255", "time_interval=18h12m15s"}, {}, {"time_washout=4294967295", "normal_Num_Pattern=255", "time_interval=65535"});
        change("set twice, last wins", {"set", "time_move=1", "time_move=2"}, {}, {"time_move=2"});
        change("write json, two fields", {"write", "-"}, "{\"parameters\": {\"max_voltage\": 280, \"time_interval_rain\": \"10m\"}}", {"max_voltage=280", "time_interval_rain=600"});
        change("write text, comments", {"write", "-"}, "# backup\n\npreset_wiper = 12  # new\nnormal_Work_Reg_Cam=3\n", {"preset_wiper=12", "normal_Work_Reg_Cam=3"});
        // clang-format on

        // The parsers' own rows are in tst_values and tst_command_line; these show that a refusal
        // ends the process before the port is opened, one row for each way the input comes (the
        // options, a file, standard input, the environment) and for each check made after parsing:
        // one line on stderr, status 2, nothing sent.
        const auto refused = [](const char *name, const QStringList &args, const QString &err,
                                const QByteArray &input = {}, const QStringList &env = {}) {
            QTest::newRow(name) << quick << QStringList() << args << input << env << 2 << "^$"
                                << "^orbctl: [^\n]*" + err + "[^\n]*\n$" << QStringList() << 0 << 0
                                << QStringList();
        };
        const QStringList set = p + QStringList{"set"}, write = p + QStringList{"write", "-"};
        // clang-format off
        refused("unknown field", set + QStringList{"time_move=1", "wash_time=5"}, "unknown field wash_time");
        refused("malformed JSON", write, "-: malformed JSON at offset", "{\"parameters\": {\"time_move\": 3}");
        refused("text, bad line", write, "-: line 2: bogus: NAME=VALUE wanted", "time_move=3\nbogus\n");
        refused("-o in a missing folder", p + QStringList{"read", "-o", "no-such-folder/backup"}, "cannot write no-such-folder/backup");
        refused("metrics to a missing folder", p + QStringList{"status", "--prometheus", "-o", "no-such-folder/orb_washing.prom"}, "cannot write no-such-folder/orb_washing.prom");
        refused("file missing", p + QStringList{"write", "no-such-file"}, "cannot read no-such-file");
        refused("ORB_ADDRESS -1", p + QStringList{"test"}, "ORB_ADDRESS -1: -1 is not an address or a range N-M", {}, {"ORB_ADDRESS=-1"});
        refused("no port", {"test"}, "no port: give -p NAME or set ORB_PORT");
        refused("unknown option", p + QStringList{"--fast", "test"}, "fast");
        // clang-format on

        // The module's faults and the port's; many addresses, each its own exchange in the order
        // given, every one tried; TCP lines. A line that cannot be opened or goes away is said so,
        // with the metrics still written. In the arguments CLOSED is a loopback port nobody listens
        // on, FULL one that never answers.
        const auto row = [](const char *name, const QStringList &sim_args,
                            const QStringList &console, const QStringList &args, int code,
                            const QString &out, const QString &err, int sent = -2, int min_ms = 0,
                            const QStringList &written = {}) {
            QTest::newRow(name) << sim_args << console << args << QByteArray() << QStringList()
                                << code << out << err << written << sent << min_ms << QStringList();
        };
        const QStringList status = {"-p", "PORT", "--timeout", "300", "status"};
        const QStringList test = {"-p", "PORT", "test"};
        const QStringList retry_1 = {"--retries", "1"}, retry_2 = {"--retries", "2"};
        const QStringList three = quick + QStringList{"--address", "1-3"};
        const QStringList tcp = three + QStringList{"--tcp", "0"},
                          tcp_1 = quick + QStringList{"--tcp", "0"};
        // clang-format off
        row("bad-crc", quick, {"fault bad-crc"}, status, 1, "", "^orbctl: Контрольная сумма не корректнa! 0x[0-9a-f]+ != 0x[0-9a-f]+\n$", 1);
        row("short-payload, status", quick, {"fault short-payload"}, status, 1, "", "^orbctl: Ответ модуля короче записи: 10 байт данных вместо 23\n$", 1);
        row("short-payload, set", quick, {"fault short-payload"}, {"-p", "PORT", "set", "time_move=9"}, 1, "", "10 байт данных вместо 34\n$", 1);
        row("flaky, --retries 2", quick, {"fault silent", "fault-count 2"}, retry_2 + status, 0, "", "^$", 3, 600);
        row("flaky, --retries 1", quick, {"fault silent", "fault-count 2"}, retry_1 + status, 3, "", "^orbctl: no reply within 300 ms\n$", 2, 600);
        row("a new fault lifts the count", quick, {"fault-count 1", "fault silent"}, retry_1 + status, 3, "", "no reply", 2, 600);
        row("bad-crc once, --retries 1", quick, {"fault bad-crc", "fault-count 1"}, retry_1 + test, 0, "", "^$", 2);
        row("noise before the reply", quick, {"fault noise"}, status, 0, "", "^$", 1);
        row("reply in two halves", quick, {"fault split"}, test, 0, "", "^$", 1, 300);
        row("echo differs", quick, {"fault bad-echo"}, {"-p", "PORT", "set", "time_move=3"}, 5, "", "^orbctl: the module's echo differs: normal_Num_Pattern sent 0, module has 1\n$", 2);
        row("line lost, not retried", quick, {"fault vanish"}, retry_2 + QStringList{"-p", "PORT", "status"}, 4, "", "^orbctl: port \\S+ lost: ", -1);
        row("bad-crc, --lang en", quick, {"fault bad-crc"}, QStringList{"--lang", "en"} + status, 1, "", "^orbctl: Wrong checksum! 0x[0-9a-f]+ != 0x[0-9a-f]+\n$", 1);
        row("--lang de: Russian, said once", quick, {}, test + QStringList{"--lang", "de"}, 0, "", "^orbctl: no translation for language \"de\": the texts stay Russian", 1);
        row("port busy", quick, {}, test, 4, "", "^orbctl: cannot open PORT: ", 0);
        row("no such port", quick, {}, {"-p", "PORT-gone", "test"}, 4, "", "^orbctl: cannot open PORT-gone: ", 0);
        row("status 1-3, text", three, {}, {"-p", "PORT", "-a", "1-3", "status"}, 0, "^1: " + pause + "2: " + pause + "3: " + pause + "$", "^$");
        row("test, order given", three, {}, {"-p", "PORT", "-a", "3,1,2", "test"}, 0, "^3: module 3 answers\n1: module 1 answers\n2: module 2 answers\n$", "^$");
        row("one failing among good ones", three, {}, {"-p", "PORT", "-a", "1,7,3", "--timeout", "200", "test"}, 3, "^1: module 1 answers\n3: module 3 answers\n$", "^orbctl: failed: 7 \\(no reply within 200 ms\\)\n$");
        row("first failure's status", three, {"fault bad-crc", "fault-count 1"}, {"-p", "PORT", "-a", "1,7,3", "--timeout", "200", "pump", "off"}, 1, "^3: насос выключен\n$", "^orbctl: failed: 1 \\(Контрольная сумма [^)]+\\), 7 \\(no reply within 200 ms\\)\n$");
        row("test --json, failed one", tcp, {}, {"-p", "PORT", "-a", "3,4,1", "--timeout", "200", "test", "--json"}, 3, "^\\[\n\\{\"address\": 3, \"ok\": true\\},\n\\{\"address\": 4, \"error\": \\{\"status\": 3, \"message\": \"no reply within 200 ms\"\\}\\},\n\\{\"address\": 1, \"ok\": true\\}\n\\]\n$", "^orbctl: failed: 4 \\(no reply within 200 ms\\)\n$");
        row("status --json, tcp", tcp, {}, {"-p", "PORT", "-a", "2-3", "status", "--json"}, 0, "^\\[\n\\{\"address\": 2, \"state\": 2, [^\n]+\\},\n\\{\"address\": 3, \"state\": 2, [^\n]+\\}\n\\]\n$", "^$");
        row("port lost mid-list", three, {"fault vanish"}, {"-p", "PORT", "-a", "5,1,2", "--timeout", "200", "test"}, 3, "^$", "^orbctl: failed: 5 \\(no reply within 200 ms\\), 1 \\(port [^ ]+ lost: [^)]+\\), 2 \\(not tried\\)\n$");
        row("port lost mid-list, json", tcp, {"fault vanish"}, {"-p", "PORT", "-a", "1,2", "pump", "on", "--json"}, 4, "^\\[\n\\{\"address\": 1, \"error\": \\{\"status\": 4, \"message\": \"port tcp://[^\"]+ lost: [^\"]+\"\\}\\},\n\\{\"address\": 2, \"error\": \\{\"status\": 4, \"message\": \"not tried\"\\}\\}\n\\]\n$", "^orbctl: failed: 1 \\(port [^)]+\\), 2 \\(not tried\\)\n$");
        row("status --watch, two in turn", three, {}, {"-p", "PORT", "-a", "2,1", "status", "--watch", "0.2", "--count", "2"}, 0, "^(\\d\\d:\\d\\d:\\d\\d\\.\\d{3}  2: " + pause + "\\d\\d:\\d\\d:\\d\\d\\.\\d{3}  1: " + pause + "){2}$", "^$");
        row("scan, tcp", tcp, {}, {"-p", "PORT", "scan", "--from", "0", "--to", "5"}, 0, "^1\n2\n3\n$", "^$");
        row("tcp refused", {}, {}, {"-p", "tcp://127.0.0.1:CLOSED", "test"}, 4, "^$", "^orbctl: cannot open tcp://127.0.0.1:\\d+: connection refused\n$");
        row("tcp refused, metrics still written", {}, {}, {"-p", "tcp://127.0.0.1:CLOSED", "-a", "1,2", "status", "--prometheus"}, 4, "orb_washing_up\\{[^}]*address=\"2\"\\} 0\n.*orb_washing_failure_info\\{[^}]*address=\"2\",status=\"4\",reason=\"not tried: cannot open [^\"]+: connection refused\"\\} 1\n$", "^orbctl: cannot open [^\n]+: connection refused\norbctl: failed: 1 \\(not tried\\), 2 \\(not tried\\)\n$");
        row("tcp lost, loopback named", quick + QStringList{"--tcp", "127.0.0.1:0"}, {"fault vanish"}, {"-p", "PORT", "status"}, 4, "^$", "^orbctl: port tcp://127\\.0\\.0\\.1:[1-9]\\d* lost: [^\n]+\n$");
        row("tcp lost mid-list", tcp_1 + QStringList{"--address", "2-3"}, {"fault vanish"}, {"-p", "PORT", "-a", "1-4", "--timeout", "300", "status", "--prometheus"}, 3, "orb_washing_failure_info\\{[^}]*address=\"3\",status=\"4\",reason=\"not tried: port [^\"]+ lost", "^orbctl: failed: 1 \\(no reply within 300 ms\\), 2 \\(port tcp://127\\.0\\.0\\.1:[1-9]\\d* lost: [^)]+\\), 3 \\(not tried\\), 4 \\(not tried\\)\n$");
        row("port busy, tcp", tcp_1, {}, {"-p", "PORT", "test"}, 4, "^$", "^orbctl: port tcp://[^ ]+ lost: ");
        row("tcp connect timeout", {}, {}, {"-p", "tcp://127.0.0.1:FULL", "test"}, 4, "^$", "^orbctl: cannot open tcp://127.0.0.1:\\d+: no connection within 1000 ms\n$");
        row("tcp without a port number", {}, {}, {"-p", "tcp://127.0.0.1", "test"}, 2, "^$", "^orbctl: tcp://127.0.0.1 is not tcp://HOST:[P]ORT\n$");
        row("tcp on every address, --baud said once", quick + QStringList{"--tcp", "0.0.0.0:0"}, {}, {"-p", "PORT", "--baud", "19200", "test"}, 0, "^module 1 answers\n$", "^orbctl: --baud does not apply to tcp://0\\.0\\.0\\.0:[1-9]\\d*: the device server's own setting does\n$");
        row("read --json -o, one file per module", quick + QStringList{"--address", "4,9"}, {"fault bad-crc", "fault-count 1"}, {"-p", "PORT", "-a", "9,6,4", "--timeout", "200", "read", "--json", "-o", "backup-{address}"}, 1, "^\\[\n\\{\"address\": 9, \"error\": \\{\"status\": 1, [^\n]+\\}\\},\n\\{\"address\": 6, \"error\": \\{\"status\": 3, [^\n]+\\}\\}\n\\]\n$", "^orbctl: failed: 9 \\([^)]+\\), 6 \\(no reply within 200 ms\\)\n$", -2, 0, {"backup-4=^\\{\n    \"address\": 4,\n    \"parameters\": \\{\n        \"addr_cam\": 1,\n.*\"normal_Num_Pattern\": 1\n    \\}\n\\}\n$"});
        // clang-format on
    }

    void runs()
    {
        QFETCH(QStringList, sim_args);
        QFETCH(QStringList, console);
        QFETCH(QStringList, args);
        QFETCH(QByteArray, input);
        QFETCH(QStringList, env);
        QFETCH(QString, out);
        QFETCH(QString, err);
        QFETCH(QStringList, written);
        QFETCH(int, sent);
        QFETCH(int, min_ms);
        QFETCH(QStringList, changed);
        // The files a row leaves are then all it wrote.
        for (const QString &name : QDir().entryList(QDir::Files))
            QVERIFY(QFile::remove(name));
        Sim_process sim(sim_args);
        QVERIFY(sim.is_running());
        QSerialPort holder(sim.path());
        QTcpSocket tcp_holder;
        if (QByteArray(QTest::currentDataTag()).startsWith("port busy")) {
            const QUrl url(sim.path());
            if (url.scheme() == QLatin1String("tcp")) {
                tcp_holder.connectToHost(url.host(), quint16(url.port()));
                QVERIFY(tcp_holder.waitForConnected(3000));
                QVERIFY(sim.wait_traffic(QStringLiteral("connected")));
            } else {
                QVERIFY(holder.open(QIODevice::ReadWrite));
            }
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
        for (const QString &c : console)
            QVERIFY2(sim.command(c), qPrintable(sim.last_answer()));
        orb::Param_data expected = stored(sim);
        for (const QString &pair : changed)
            expected.set_value(orb::param_field_index(pair.section('=', 0, 0)),
                               pair.section('=', 1).toUInt());
        const Run r = run_orbctl(args, sim.path(), input, env);
        if (full >= 0)
            ::close(full);
        QTEST(r.code, "code");
        QVERIFY2(matches(with_port(out, sim.path()), r.out), qPrintable(r.out));
        QVERIFY2(matches(with_port(err, sim.path()), r.err), qPrintable(r.err));
        QVERIFY2(r.ms >= min_ms, qPrintable(QString::number(r.ms)));
        QStringList names;
        for (const QString &pair : written) {
            QFile f(pair.section('=', 0, 0));
            QVERIFY2(f.open(QIODevice::ReadOnly | QIODevice::Text), qPrintable(f.fileName()));
            const QString text = orb::decode_log(f.readAll()); // the log's encoding; JSON is ASCII
            QVERIFY2(matches(pair.section('=', 1, -1), text), qPrintable(text));
            names << f.fileName();
        }
        QCOMPARE(QDir().entryList(QDir::Files), names);
        if (!changed.isEmpty())
            QCOMPARE(stored(sim).encode().toHex(), expected.encode().toHex());
        if (sent == -1)
            QVERIFY(sim.proc.waitForFinished(3000));
        else if (sent >= 0)
            QCOMPARE(requests(sim), sent);
    }

    void round_trip_data()
    {
        QTest::addColumn<QStringList>("format");
        QTest::newRow("json") << QStringList{"--json"};
        QTest::newRow("text") << QStringList{};
    }

    // A backup of one module written to another leaves the second with the first one's record,
    // fields the window cannot show included.
    void round_trip()
    {
        QFETCH(QStringList, format);
        Sim_process from(quick), to(quick);
        QVERIFY(from.is_running() && to.is_running());
        const QString fields = "time_interval=2h30m time_pause_washout=77 min_voltage=190 "
                               "time_tur_1=4 normal_Num_Pattern=9 wiper_not_active=1";
        const QStringList set = QStringList{"-p", "PORT", "set"} + fields.split(' ');
        QCOMPARE(run_orbctl(set, from.path()).code, 0);
        QVERIFY(stored(from).encode() != stored(to).encode());
        const Run backup =
            run_orbctl(QStringList{"-p", "PORT", "read", "-o", "backup"} + format, from.path());
        QVERIFY2(backup.code == 0 && backup.out.isEmpty(), qPrintable(backup.err));
        const Run restore = run_orbctl({"-p", "PORT", "write", "backup"}, to.path());
        QVERIFY2(restore.code == 0, qPrintable(restore.err));
        QCOMPARE(stored(to).encode().toHex(), stored(from).encode().toHex());
        const Run again = run_orbctl(QStringList{"-p", "PORT", "read"} + format, to.path());
        QFile file(QStringLiteral("backup"));
        QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
        QCOMPARE(again.out, QString::fromUtf8(file.readAll()));
    }

    void watch_ends_on_signal_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("Ctrl-C") << SIGINT;
        QTest::newRow("kill") << SIGTERM;
    }

    // Either ends a watch between polls, with whole lines and status 0.
    void watch_ends_on_signal()
    {
        QFETCH(int, signal);
        Sim_process sim(quick);
        QVERIFY(sim.is_running());
        QProcess p;
        p.start(QStringLiteral(ORBCTL_PATH), {"-p", sim.path(), "status", "--watch", "0.1"});
        QByteArray seen;
        QTRY_VERIFY_WITH_TIMEOUT((seen += p.readAllStandardOutput()).count('\n') >= 2, 5000);
        ::kill(pid_t(p.processId()), signal);
        QVERIFY(p.waitForFinished(5000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
        QVERIFY(p.readAllStandardError().isEmpty());
        seen += p.readAllStandardOutput();
        const QString last = QString::fromUtf8(seen).section('\n', -2, -2);
        QVERIFY2(seen.endsWith('\n') && matches("^\\d\\d:\\d\\d:\\d\\d\\.\\d{3}  Пауза", last),
                 seen.constData());
    }

    void metrics_data()
    {
        QTest::addColumn<QStringList>("sim_args");
        QTest::addColumn<QStringList>("before"); // orbctl arguments run first, PORT for the line
        QTest::addColumn<QString>("addresses");  // comma-joined
        QTest::addColumn<QString>("down");       // addresses that must not answer, comma-joined
        // clang-format off
        QTest::newRow("pty, one module, rain and manual start") << quick + QStringList{"--rain", "--alarm"} << QStringList() << "1" << "";
        QTest::newRow("pty, washing") << quick << QStringList{"pump", "on"} << "1" << "";
        QTest::newRow("pty, initialisation") << QStringList{"--no-pacing", "--init", "600000"} << QStringList() << "1" << "";
        QTest::newRow("tcp, three modules") << quick + QStringList{"--tcp", "0", "--address", "1-3", "--rain"} << QStringList() << "1,2,3" << "";
        QTest::newRow("tcp, absent module among good ones") << quick + QStringList{"--tcp", "0", "--address", "4,6", "--level-low"} << QStringList() << "4,5,6" << "5";
        QTest::newRow("pty, all absent") << quick + QStringList{"--address", "9"} << QStringList() << "1,2" << "1,2";
        // clang-format on
    }

    // Every value the metrics carry for a module comes from its status, checked against what
    // the simulator holds, and promtool finds nothing to say about the text. The textfile
    // collector must never read half a file: the old file is replaced by a new one (another
    // inode), readable by the node exporter's user, with nothing left beside it; the real node
    // exporter serves what orbctl wrote.
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
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("orb_washing.prom"));
        {
            QFile old(file);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("# old\n");
        }
        struct stat old_file
        {
        }, new_file{};
        QVERIFY(::stat(QFile::encodeName(file).constData(), &old_file) == 0);
        const mode_t mask = ::umask(022);
        const Run r = run_orbctl({"-p", sim.path(), "-a", addresses, "--timeout", "300", "status",
                                  "--prometheus", "-o", file});
        ::umask(mask);
        const QMap<QString, qint64> state = sim_state(sim);
        QVERIFY(!state.isEmpty());
        QVERIFY2(r.code == (down.isEmpty() ? 0 : 3) && r.out.isEmpty(), qPrintable(r.err));
        QVERIFY(::stat(QFile::encodeName(file).constData(), &new_file) == 0);
        QVERIFY(old_file.st_ino != new_file.st_ino);
        QVERIFY(new_file.st_mode & S_IROTH);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"orb_washing.prom"});
        QFile written(file);
        QVERIFY(written.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(written.readAll());
        const QMap<QString, QString> m = samples(text);
        const QString port = QStringLiteral("port=\"%1\"").arg(sim.path());
        const QStringList absent = down.split(',', Qt::SkipEmptyParts);
        for (const QString &address : addresses.split(',')) {
            const QString a = QLatin1Char('/') + address;
            QCOMPARE(m.value("orb_washing_up" + a + "/labels"), port);
            if (absent.contains(address)) {
                QCOMPARE(m.value("orb_washing_up" + a), QStringLiteral("0"));
                QCOMPARE(m.value("orb_washing_failure_info" + a + "/labels"),
                         port + ",reason=\"no reply within 300 ms\",status=\"3\"");
                QVERIFY(!m.contains("orb_washing_state" + a));
                QVERIFY2(r.err.contains(QStringLiteral("%1 (no reply").arg(address)),
                         qPrintable(r.err));
                continue;
            }
            QCOMPARE(m.value("orb_washing_up" + a), QStringLiteral("1"));
            QVERIFY(!m.contains("orb_washing_failure_info" + a));
            QCOMPARE(m.value("orb_washing_state_info" + a + "/labels"),
                     port + QStringLiteral(",state=\"%1\"")
                                .arg(orb::state_text(int(state.value("state")))));
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
            const Run json = run_orbctl({"-p", sim.path(), "-a", address, "status", "--json"});
            QCOMPARE(json.code, 0);
            QCOMPARE(m.value("orb_washing_measuring_voltage" + a),
                     QString::number(QJsonDocument::fromJson(json.out.toUtf8())
                                         .object()
                                         .value("measuring_voltage")
                                         .toInt()));
            const double took = m.value("orb_washing_exchange_seconds" + a).toDouble();
            QVERIFY2(took > 0 && took < 0.3, qPrintable(QString::number(took)));
        }
        const QString exporter =
            QStandardPaths::findExecutable(QStringLiteral("prometheus-node-exporter"));
        if (!have("promtool") || exporter.isEmpty())
            QSKIP("promtool or prometheus-node-exporter is not installed (Debian packages "
                  "prometheus, prometheus-node-exporter)");
        const QString page = node_exporter_page(exporter, dir.path());
        QVERIFY(page.contains(QLatin1String("\nnode_textfile_scrape_error 0\n")));
        QCOMPARE(samples(page), m);
        // promtool's lint: nothing on either stream and status 0 for a clean exposition.
        const Run lint = run_process(QStringLiteral("promtool"), {"check", "metrics"},
                                     QProcessEnvironment::systemEnvironment(), text.toUtf8());
        QVERIFY2(lint.code == 0 && (lint.out + lint.err).trimmed().isEmpty(),
                 qPrintable(lint.out + lint.err));
    }

    // The simulator's --tcp and --address refused: status 2 and why, before any line is opened.
    // The TCP lines it opens are in runs.
    void sim_refused_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("pattern"); // for stderr
        // clang-format off
        QTest::newRow("port past 65535") << QStringList{"--tcp", "70000"} << "--tcp wants PORT or ADDRESS:PORT \\(a numeric address\\), not 70000";
        QTest::newRow("host name") << QStringList{"--tcp", "localhost:0"} << "not localhost:0";
        QTest::newRow("with --port") << QStringList{"--tcp", "0", "--port", "/dev/null"} << "--tcp and --port exclude each other";
        QTest::newRow("address list refused") << QStringList{"--address", "3,3"} << "--address 3,3: 3 is given twice";
        // clang-format on
    }

    void sim_refused()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, pattern);
        QProcess sim;
        sim.start(QStringLiteral(ORB_SIM_PATH), args);
        QVERIFY(sim.waitForFinished(5000));
        QCOMPARE(sim.exitCode(), 2);
        const QString err = QString::fromUtf8(sim.readAllStandardError());
        QVERIFY2(matches(pattern, err), qPrintable(err));
    }
};

QTEST_GUILESS_MAIN(tst_orbctl)
#include "tst_orbctl.moc"
