#include "process_run.h"
#include "sim_process.h"
#include "test_env.h"

#include "protocol/param_data.h"
#include "protocol/version.h"

#include <QSerialPort>
#include <QtTest>

// orbctl run as a process against the simulator on a pseudo-terminal.
namespace {

// "PORT" in args, env and patterns stands for the simulator's line.
QString with_port(QString text, const QString &port)
{
    return text.replace(QRegularExpression(QStringLiteral("\\bPORT\\b")), port);
}

Run orbctl(QStringList args, const QString &port, const QByteArray &input = {},
           const QStringList &env = {})
{
    for (QString &a : args)
        a = with_port(a, port);
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    e.remove(QStringLiteral("ORB_PORT"));
    e.remove(QStringLiteral("ORB_ADDRESS"));
    e.insert(QStringLiteral("ORB_PTZ_WASHING_EXTRA_PORTS"), port);
    for (const QString &pair : env)
        e.insert(pair.section('=', 0, 0), with_port(pair.section('=', 1), port));
    return run_process(QStringLiteral(ORBCTL_PATH), args, e, input);
}

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

const QStringList quick = {"--no-pacing", "--init", "0"};

} // namespace

class tst_orbctl : public QObject
{
    Q_OBJECT

    Test_env env; // the log lands in a scratch directory

private slots:
    void commands_data()
    {
        QTest::addColumn<QStringList>("sim_args");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QStringList>("env");
        QTest::addColumn<QString>("out"); // pattern for stdout
        QTest::addColumn<QString>("log"); // pattern for the --log file; empty: none written
        // clang-format off
        const QString pause = "Пауза, осталось:  3\\d\\d\\d сек\\.  flag_lvl=0 flag_rain=0 alarm_in=0\n";
        QTest::newRow("test") << quick << QStringList{"-p", "PORT", "test"} << QStringList{} << "^module 1 answers\n$" << "";
        QTest::newRow("test, ORB_PORT and ORB_ADDRESS") << quick + QStringList{"--address", "7"} << QStringList{"test"} << QStringList{"ORB_PORT=PORT", "ORB_ADDRESS=7"} << "^module 7 answers\n$" << "";
        QTest::newRow("status, flags") << quick + QStringList{"--rain", "--alarm"} << QStringList{"-p", "PORT", "status"} << QStringList{} << "^Пауза, осталось:  (299|300) сек\\.  flag_lvl=0 flag_rain=1 alarm_in=1\n$" << "";
        QTest::newRow("status --json") << quick + QStringList{"--level-low"} << QStringList{"-p", "PORT", "status", "--json"} << QStringList{} << "^\\{\"address\": 1, \"state\": 2, \"state_text\": \"Пауза\", \"elapsed_time_washout\": 0, \"elapsed_time_washout_pause\": 3\\d{6}, \"elapsed_time_damaged\": 0, \"elapsed_time_wiper\": 0, \"measuring_voltage\": 240, \"flag_lvl\": 1, \"flag_rain\": 0, \"alarm_in\": 0\\}\n$" << "";
        QTest::newRow("status --watch") << quick << QStringList{"-p", "PORT", "status", "--watch", "0.2", "--count", "3"} << QStringList{} << "^(\\d\\d:\\d\\d:\\d\\d\\.\\d{3}  " + pause + "){3}$" << "";
        QTest::newRow("status --watch --json") << quick << QStringList{"-p", "PORT", "status", "--json", "--watch", "0.2", "--count", "3"} << QStringList{} << "^(\\{\"address\": 1, \"state\": 2, [^\n]*\\}\n){3}$" << "";
        QTest::newRow("read") << quick << QStringList{"-p", "PORT", "read"} << QStringList{} << "^addr_cam=1\ntime_interval=3600\ntime_interval_rain=300\ntime_washout=10\ntime_pause_washout=0\ntime_move=5\ntime_tur_1=0\ntime_wiper=5\npreset_move=10\npreset_wiper=11\nmin_voltage=180\nmax_voltage=300\nwiper_not_active=0\nnormal_sensor_rain=0\nnormal_Preset_Initial_Pos=1\nnormal_Work_Reg_Cam=0\nnormal_Num_Tour=1\nnormal_Num_Scan=1\nnormal_Num_Pattern=1\n$" << "";
        QTest::newRow("read --json") << quick << QStringList{"-p", "PORT", "read", "--json"} << QStringList{} << "^\\{\n    \"address\": 1,\n    \"parameters\": \\{\n        \"addr_cam\": 1,\n        \"time_interval\": 3600,\n.*        \"normal_Num_Pattern\": 1\n    \\}\n\\}\n$" << "";
        QTest::newRow("set") << quick << QStringList{"-p", "PORT", "set", "time_wiper=1m", "time_move=5"} << QStringList{} << "^time_wiper: 5 -> 60\n$" << "";
        QTest::newRow("pump on") << quick << QStringList{"-p", "PORT", "pump", "on"} << QStringList{} << "^насос включен\n$" << "";
        QTest::newRow("pump off") << quick << QStringList{"-p", "PORT", "pump", "off"} << QStringList{} << "^насос выключен\n$" << "";
        QTest::newRow("ports") << quick << QStringList{"ports"} << QStringList{} << "(^|\n)PORT\t\\(ORB_PTZ_WASHING_EXTRA_PORTS\\)\n$" << "";
        QTest::newRow("scan 0-15") << quick + QStringList{"--address", "7"} << QStringList{"-p", "PORT", "scan", "--from", "0", "--to", "15"} << QStringList{} << "^7\n$" << "";
        QTest::newRow("scan 7-7") << quick + QStringList{"--address", "7"} << QStringList{"-p", "PORT", "scan", "--from", "7", "--to", "7"} << QStringList{} << "^7\n$" << "";
        QTest::newRow("scan --json") << quick + QStringList{"--address", "7"} << QStringList{"-p", "PORT", "scan", "--from", "5", "--to", "9", "--json"} << QStringList{} << "^\\[7\\]\n$" << "";
        QTest::newRow("--version") << quick << QStringList{"--version"} << QStringList{} << "^orbctl " + QRegularExpression::escape(orb::version()) + "\n$" << "";
        QTest::newRow("--help") << quick << QStringList{"--help"} << QStringList{} << "Exit status:\n  0  success\n  1 .*\n  5  the module's echo" << "";
        QTest::newRow("--log status") << quick << QStringList{"-p", "PORT", "--log", "orb.log", "status"} << QStringList{} << pause
            << "^\\d\\d-\\d\\d-\\d{4} \\d\\d:\\d\\d:\\d\\d INFO Получение статуса УПУ\n[^\n]+ DEBUG Длина пакета = 8\n[^\n]+ DEBUG Отправляем :AABB010300001F84\n"
               "[^\n]+ DEBUG Получено \\[aabb01031700[0-9a-f]{50}\\]\n[^\n]+ DEBUG state Пауза\n([^\n]+ DEBUG [^\n]+\n){7}[^\n]+ INFO OK\n$";
        QTest::newRow("--log test") << quick << QStringList{"-p", "PORT", "--log", "orb.log", "test"} << QStringList{} << "^module 1 answers\n$"
            << " INFO Test\n[^\n]+ DEBUG Длина пакета = 10\n[^\n]+ DEBUG Отправляем :AABB0100020000003837\n"
               "[^\n]+ DEBUG Получено \\[[^\n]*\\]\n[^\n]+ DEBUG Получено \\(hex\\) \\[AABB010002000000[0-9A-F]{4}\\]\n[^\n]+ INFO OK\n$";
        // clang-format on
    }

    void commands()
    {
        QFETCH(QStringList, sim_args);
        QFETCH(QStringList, args);
        QFETCH(QStringList, env);
        QFETCH(QString, out);
        QFETCH(QString, log);
        QFile::remove(QStringLiteral("orb.log"));
        Sim_process sim(sim_args);
        QVERIFY(sim.is_running());
        const Run r = orbctl(args, sim.path(), {}, env);
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QVERIFY2(r.err.isEmpty(), qPrintable(r.err));
        QVERIFY2(matches(with_port(out, sim.path()), r.out), qPrintable(r.out));
        QFile file(QStringLiteral("orb.log"));
        QCOMPARE(file.open(QIODevice::ReadOnly | QIODevice::Text), !log.isEmpty());
        const QString text = file.isOpen() ? QString::fromLocal8Bit(file.readAll()) : QString();
        QVERIFY2(log.isEmpty() || matches(log, text), qPrintable(text));
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
        const QStringList set = {"-p",
                                 "PORT",
                                 "set",
                                 "time_interval=2h30m",
                                 "time_pause_washout=77",
                                 "min_voltage=190",
                                 "time_tur_1=4",
                                 "normal_Num_Pattern=9",
                                 "wiper_not_active=1"};
        QCOMPARE(orbctl(set, from.path()).code, 0);
        QVERIFY(stored(from).encode() != stored(to).encode());
        const Run backup =
            orbctl(QStringList{"-p", "PORT", "read", "-o", "backup"} + format, from.path());
        QVERIFY2(backup.code == 0 && backup.out.isEmpty(), qPrintable(backup.err));
        const Run restore = orbctl({"-p", "PORT", "write", "backup"}, to.path());
        QVERIFY2(restore.code == 0, qPrintable(restore.err));
        QCOMPARE(stored(to).encode().toHex(), stored(from).encode().toHex());
        const Run again = orbctl(QStringList{"-p", "PORT", "read"} + format, to.path());
        QFile file(QStringLiteral("backup"));
        QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
        QCOMPARE(again.out, QString::fromUtf8(file.readAll()));
    }

    void set_keeps_the_rest_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QStringList>("changed"); // NAME=VALUE in plain numbers
        // clang-format off
        QTest::newRow("set 2h30m") << QStringList{"set", "time_interval=2h30m"} << QByteArray() << QStringList{"time_interval=9000"};
        QTest::newRow("set 90s, 15m") << QStringList{"set", "time_washout=90s", "time_wiper=15m"} << QByteArray() << QStringList{"time_washout=90", "time_wiper=900"};
        QTest::newRow("set largest") << QStringList{"set", "time_washout=4294967295", "normal_Num_Pattern=255", "time_interval=18h12m15s"} << QByteArray() << QStringList{"time_washout=4294967295", "normal_Num_Pattern=255", "time_interval=65535"};
        QTest::newRow("set twice, last wins") << QStringList{"set", "time_move=1", "time_move=2"} << QByteArray() << QStringList{"time_move=2"};
        QTest::newRow("write json, two fields") << QStringList{"write", "-"} << QByteArray("{\"parameters\": {\"max_voltage\": 280, \"time_interval_rain\": \"10m\"}}") << QStringList{"max_voltage=280", "time_interval_rain=600"};
        QTest::newRow("write text, comments") << QStringList{"write", "-"} << QByteArray("# backup\n\npreset_wiper = 12  # new\nnormal_Work_Reg_Cam=3\n") << QStringList{"preset_wiper=12", "normal_Work_Reg_Cam=3"};
        // clang-format on
    }

    void set_keeps_the_rest()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, input);
        QFETCH(QStringList, changed);
        Sim_process sim(quick);
        QVERIFY(sim.is_running());
        orb::Param_data expected = stored(sim);
        for (const QString &pair : changed)
            expected.set_value(orb::param_field_index(pair.section('=', 0, 0)),
                               pair.section('=', 1).toUInt());
        const Run r = orbctl(QStringList{"-p", "PORT"} + args, sim.path(), input);
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QCOMPARE(stored(sim).encode().toHex(), expected.encode().toHex());
    }

    void refusals_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QStringList>("env");
        QTest::addColumn<QString>("err");
        const QStringList set = {"-p", "PORT", "set"}, write = {"-p", "PORT", "write", "-"};
        // clang-format off
        QTest::newRow("unknown field") << set + QStringList{"time_move=1", "wash_time=5"} << QByteArray() << QStringList() << "unknown field wash_time";
        QTest::newRow("8 bits too big") << set + QStringList{"addr_cam=256"} << QByteArray() << QStringList() << "addr_cam: 256 does not fit, the largest is 255$";
        QTest::newRow("16 bits too big, duration") << set + QStringList{"time_interval=18h12m16s"} << QByteArray() << QStringList() << "time_interval: 18h12m16s does not fit, the largest is 65535 \\(18h12m15s\\)$";
        QTest::newRow("32 bits too big") << set + QStringList{"time_washout=4294967296"} << QByteArray() << QStringList() << "time_washout: 4294967296 does not fit, the largest is 4294967295";
        QTest::newRow("huge number") << set + QStringList{"preset_move=99999999999999999999999"} << QByteArray() << QStringList() << "preset_move: 9+ does not fit, the largest is 65535$";
        QTest::newRow("negative") << set + QStringList{"preset_move=-1"} << QByteArray() << QStringList() << "preset_move: -1 is negative";
        QTest::newRow("fraction") << set + QStringList{"time_move=1.5"} << QByteArray() << QStringList() << "time_move: 1.5 is not a whole number";
        QTest::newRow("fractional duration") << set + QStringList{"time_interval=1.5h"} << QByteArray() << QStringList() << "time_interval: 1.5h is not a whole number";
        QTest::newRow("duration without unit") << set + QStringList{"time_interval=2h30"} << QByteArray() << QStringList() << "time_interval: 2h30 is neither a number of seconds nor a duration";
        QTest::newRow("duration out of order") << set + QStringList{"time_interval=30m2h"} << QByteArray() << QStringList() << "time_interval: 30m2h is neither";
        QTest::newRow("duration for a count") << set + QStringList{"preset_move=5m"} << QByteArray() << QStringList() << "preset_move: 5m is not a number";
        QTest::newRow("no value") << set + QStringList{"time_move="} << QByteArray() << QStringList() << "time_move:  is neither";
        QTest::newRow("malformed JSON") << write << QByteArray("{\"parameters\": {\"time_move\": 3}") << QStringList() << "-: malformed JSON at offset";
        QTest::newRow("JSON fraction") << write << QByteArray("{\"parameters\": {\"time_move\": 2.5}}") << QStringList() << "-: time_move: 2.5 is not a whole number";
        QTest::newRow("JSON negative") << write << QByteArray("{\"parameters\": {\"time_move\": -3}}") << QStringList() << "-: time_move: -3 is negative";
        QTest::newRow("JSON unknown field") << write << QByteArray("{\"address\": 1, \"parameters\": {\"pause\": 3}}") << QStringList() << "-: unknown field pause";
        QTest::newRow("JSON without parameters") << write << QByteArray("{\"time_move\": 3}") << QStringList() << "-: JSON wanted as read --json writes it";
        QTest::newRow("text, bad line") << write << QByteArray("time_move=3\nbogus\n") << QStringList() << "-: line 2: bogus: NAME=VALUE wanted";
        QTest::newRow("-o in a missing folder") << QStringList{"-p", "PORT", "read", "-o", "no-such-folder/backup"} << QByteArray() << QStringList() << "cannot write no-such-folder/backup";
        QTest::newRow("file missing") << QStringList{"-p", "PORT", "write", "no-such-file"} << QByteArray() << QStringList() << "cannot read no-such-file";
        QTest::newRow("address 256") << QStringList{"-p", "PORT", "-a", "256", "test"} << QByteArray() << QStringList() << "--address 256: 256 is past 255";
        QTest::newRow("ORB_ADDRESS -1") << QStringList{"-p", "PORT", "test"} << QByteArray() << QStringList{"ORB_ADDRESS=-1"} << "ORB_ADDRESS -1: -1 is not an address or a range N-M";
        QTest::newRow("no port") << QStringList{"test"} << QByteArray() << QStringList() << "no port: give -p NAME or set ORB_PORT";
        QTest::newRow("unknown command") << QStringList{"-p", "PORT", "wash"} << QByteArray() << QStringList() << "unknown command wash";
        QTest::newRow("unknown option") << QStringList{"-p", "PORT", "--fast", "test"} << QByteArray() << QStringList() << "fast";
        QTest::newRow("pump sideways") << QStringList{"-p", "PORT", "pump", "up"} << QByteArray() << QStringList() << "pump wants on or off, not up";
        QTest::newRow("set nothing") << set << QByteArray() << QStringList() << "set: wrong arguments";
        QTest::newRow("--count without --watch") << QStringList{"-p", "PORT", "status", "--count", "3"} << QByteArray() << QStringList() << "--count belongs to --watch";
        QTest::newRow("--watch on read") << QStringList{"-p", "PORT", "read", "--watch", "1"} << QByteArray() << QStringList() << "--watch belongs to status";
        QTest::newRow("--from past --to") << QStringList{"-p", "PORT", "scan", "--from", "9", "--to", "3"} << QByteArray() << QStringList() << "--from 9 is past --to 3";
        QTest::newRow("--timeout 0") << QStringList{"-p", "PORT", "--timeout", "0", "test"} << QByteArray() << QStringList() << "--timeout wants a whole number from 1";
        // clang-format on
    }

    // Nothing reaches the line: the only request the module sees is a test sent afterwards.
    void refusals()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, input);
        QFETCH(QStringList, env);
        QFETCH(QString, err);
        Sim_process sim(quick);
        QVERIFY(sim.is_running());
        const Run r = orbctl(args, sim.path(), input, env);
        QCOMPARE(r.code, 2);
        QVERIFY2(r.out.isEmpty(), qPrintable(r.out));
        QVERIFY2(r.err.count('\n') == 1 && matches("^orbctl: [^\n]*" + err, r.err),
                 qPrintable(r.err));
        QCOMPARE(orbctl({"-p", "PORT", "test"}, sim.path()).code, 0);
        QCOMPARE(requests(sim), 1);
    }

    void faults_data()
    {
        QTest::addColumn<QStringList>("console"); // simulator commands before the run
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("err");
        QTest::addColumn<int>("sent");   // requests the module saw; -1 when it leaves
        QTest::addColumn<int>("min_ms"); // the run takes at least this long
        const QStringList status = {"-p", "PORT", "--timeout", "300", "status"};
        // clang-format off
        QTest::newRow("silent") << QStringList{"fault silent"} << status << 3 << "^orbctl: no reply within 300 ms\n$" << 1 << 300;
        QTest::newRow("silent, --retries 2") << QStringList{"fault silent"} << QStringList{"--retries", "2"} + status << 3 << "no reply within 300 ms\n$" << 3 << 900;
        QTest::newRow("bad-crc") << QStringList{"fault bad-crc"} << status << 1 << "^orbctl: Контрольная сумма не корректнa! 0x[0-9a-f]+ != 0x[0-9a-f]+\n$" << 1 << 0;
        QTest::newRow("wrong-command") << QStringList{"fault wrong-command"} << status << 1 << "^orbctl: Неверная команда! \\[0x3\\]\n$" << 1 << 0;
        QTest::newRow("wrong-address") << QStringList{"fault wrong-address"} << status << 1 << "^orbctl: Адрес не корректен! \\[0x2\\]\n$" << 1 << 0;
        QTest::newRow("short-payload, status") << QStringList{"fault short-payload"} << status << 1 << "^orbctl: Ответ модуля короче записи: 10 байт данных вместо 23\n$" << 1 << 0;
        QTest::newRow("short-payload, set") << QStringList{"fault short-payload"} << QStringList{"-p", "PORT", "set", "time_move=9"} << 1 << "10 байт данных вместо 34\n$" << 1 << 0;
        QTest::newRow("flaky, --retries 2") << QStringList{"fault silent", "fault-count 2"} << QStringList{"--retries", "2"} + status << 0 << "^$" << 3 << 600;
        QTest::newRow("flaky, --retries 1") << QStringList{"fault silent", "fault-count 2"} << QStringList{"--retries", "1"} + status << 3 << "no reply" << 2 << 600;
        QTest::newRow("bad-crc once, --retries 1") << QStringList{"fault bad-crc", "fault-count 1"} << QStringList{"--retries", "1", "-p", "PORT", "test"} << 0 << "^$" << 2 << 0;
        QTest::newRow("short-payload once, --retries 1") << QStringList{"fault short-payload", "fault-count 1"} << QStringList{"--retries", "1"} + status << 0 << "^$" << 2 << 0;
        QTest::newRow("noise before the reply") << QStringList{"fault noise"} << status << 0 << "^$" << 1 << 0;
        QTest::newRow("reply in two halves") << QStringList{"fault split"} << QStringList{"-p", "PORT", "test"} << 0 << "^$" << 1 << 300;
        QTest::newRow("echo differs") << QStringList{"fault bad-echo"} << QStringList{"-p", "PORT", "set", "time_move=3"} << 5 << "^orbctl: the module's echo differs: normal_Num_Pattern sent 0, module has 1\n$" << 2 << 0;
        QTest::newRow("line lost, not retried") << QStringList{"fault vanish"} << QStringList{"--retries", "2", "-p", "PORT", "status"} << 4 << "^orbctl: port \\S+ lost: " << -1 << 0;
        QTest::newRow("port busy") << QStringList() << QStringList{"-p", "PORT", "test"} << 4 << "^orbctl: cannot open PORT: " << 0 << 0;
        QTest::newRow("no such port") << QStringList() << QStringList{"-p", "PORT-gone", "test"} << 4 << "^orbctl: cannot open PORT-gone: " << 0 << 0;
        // clang-format on
    }

    void faults()
    {
        QFETCH(QStringList, console);
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, err);
        QFETCH(int, sent);
        QFETCH(int, min_ms);
        Sim_process sim(quick);
        QVERIFY(sim.is_running());
        QSerialPort holder(sim.path());
        QVERIFY(QTest::currentDataTag() != QLatin1String("port busy") ||
                holder.open(QIODevice::ReadWrite));
        for (const QString &c : console)
            QVERIFY2(sim.command(c), qPrintable(sim.last_answer()));
        const Run r = orbctl(args, sim.path());
        QCOMPARE(r.code, code);
        QVERIFY2(matches(with_port(err, sim.path()), r.err), qPrintable(r.err));
        QVERIFY2(r.ms >= min_ms, qPrintable(QString::number(r.ms)));
        if (sent < 0)
            QVERIFY(sim.proc.waitForFinished(3000));
        else
            QCOMPARE(requests(sim), sent);
    }

    // Ctrl-C or a plain kill ends a watch between polls, with whole lines and status 0.
    void watch_ends_on_signal()
    {
        Sim_process sim(quick);
        QVERIFY(sim.is_running());
        QProcess p;
        p.start(QStringLiteral(ORBCTL_PATH), {"-p", sim.path(), "status", "--watch", "0.1"});
        QByteArray seen;
        QTRY_VERIFY_WITH_TIMEOUT((seen += p.readAllStandardOutput()).count('\n') >= 2, 5000);
        p.terminate();
        QVERIFY(p.waitForFinished(5000));
        QVERIFY((seen += p.readAllStandardOutput()).endsWith('\n'));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
        QVERIFY(p.readAllStandardError().isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_orbctl)
#include "tst_orbctl.moc"
