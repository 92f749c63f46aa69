#include "pty_pair.h"
#include "sim_process.h"

#include "protocol/packet.h"

#include <QSerialPort>
#include <QtTest>

#include <csignal>

namespace {

// A parameter record of distinct bytes, so a shifted or swapped field shows.
const QByteArray record = QByteArray::fromHex(QByteArray("0123456789ABCDEF").repeated(5)).left(34);

QByteArray request(int command, const QByteArray &payload = {}, int address = 1)
{
    return orb::frame_packet(orb::build_packet(quint8(address), quint8(command), payload));
}

QByteArray packet(const QByteArray &text) // of the last ":hex" line
{
    const int colon = text.lastIndexOf(':'), end = text.indexOf('\n', colon);
    return colon < 0 || end < 0 ? QByteArray() : QByteArray::fromHex(text.mid(colon, end - colon));
}

struct Line : Sim_process // with the tool's end of the line, a plain QSerialPort on the pty
{
    using Sim_process::Sim_process;
    QByteArray send(const QByteArray &bytes, int timeout_ms = 2000) // the answer up to a line end
    {
        const QDeadlineTimer until(timeout_ms);
        port.write(bytes);
        for (text.clear(); !text.contains('\n') && port.waitForReadyRead(until.remainingTime());) {
            first_ms = text.isEmpty() ? timeout_ms - until.remainingTime() : first_ms;
            text += port.readAll();
            end_ms = timeout_ms - until.remainingTime();
        }
        return text;
    }
    QSerialPort port{path()};
    bool open = port.open(QIODevice::ReadWrite);
    QByteArray text;
    qint64 first_ms = 0, end_ms = 0; // since the last request went out
};

} // namespace

class tst_sim : public QObject
{
    Q_OBJECT

private slots:
    void replies_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QString>("text"); // all that arrives
        QTest::addColumn<int>("code");     // check_reply's verdict against the request
        QTest::addColumn<int>("first_ms"); // least wait for the first byte, then for the line end
        QTest::addColumn<int>("gap_ms");
        // clang-format off
        const QByteArray get = request(0x01), state = request(0x03);
        const QString params = "AABB01012200[0-9A-F]{72}\r\n$", status = "^:AABB01031700[0-9A-F]{50}\r\n$";
        QTest::newRow("00 test") << request(0x00, "\x12\x34") << "^:AABB010002001234[0-9A-F]{4}\r\n$" << 0 << 0 << 0;
        QTest::newRow("01 read parameters") << get << "^:" + params << 0 << 0 << 0;
        QTest::newRow("02 write parameters") << request(0x02, record) << "^:AABB01022200" + QString(record.toHex().toUpper()) + "[0-9A-F]{4}\r\n$" << 0 << 0 << 0;
        QTest::newRow("03 status") << state << status << 0 << 0 << 0;
        QTest::newRow("04 pump on") << request(0x04) << "^:AABB01040000[0-9A-F]{4}\r\n$" << 0 << 0 << 0;
        QTest::newRow("05 pump off") << request(0x05) << "^:AABB01050000[0-9A-F]{4}\r\n$" << 0 << 0 << 0;
        QTest::newRow("other address") << request(0x03, {}, 2) << "^$" << int(orb::reply_empty) << 0 << 0;
        QTest::newRow("short record") << request(0x02, record.left(20)) << "^$" << int(orb::reply_empty) << 0 << 0;
        QTest::newRow("garbage, then status") << "hello\x01\x02\xff\x80 world" + state << status << 0 << 0 << 0;
        QTest::newRow("over-long line, then status") << ':' + QByteArray(10000, 'A') + '\n' + state << status << 0 << 0 << 0;
        QTest::newRow("flood, then status") << ':' + QByteArray(64 * 1024, '5') + state << status << 0 << 0 << 0;
        QTest::newRow("fault silent") << get << "^$" << int(orb::reply_empty) << 0 << 0;
        QTest::newRow("fault bad-crc") << get << "^:" + params << int(orb::reply_crc) << 0 << 0;
        QTest::newRow("fault wrong-command") << get << "^:AABB01(?!01)..2200[0-9A-F]{72}\r\n$" << int(orb::reply_command) << 0 << 0;
        QTest::newRow("fault wrong-address") << get << "^:AABB(?!01)..012200[0-9A-F]{72}\r\n$" << int(orb::reply_prefix) << 0 << 0;
        QTest::newRow("fault bad-prefix") << get << "^:(?!AABB)....01012200[0-9A-F]{72}\r\n$" << int(orb::reply_prefix) << 0 << 0;
        QTest::newRow("fault bad-len") << get << "^:AABB0101(?!2200)....[0-9A-F]{72}\r\n$" << int(orb::reply_size) << 0 << 0;
        QTest::newRow("fault short-payload") << get << "^:AABB01010A00[0-9A-F]{24}\r\n$" << 0 << 0 << 0;
        QTest::newRow("fault split") << get << "^:" + params << 0 << 0 << 250;
        QTest::newRow("fault late") << get << "^:" + params << 0 << 1100 << 0;
        QTest::newRow("fault noise") << get << "^[^:\r\n]+:" + params << 0 << 0 << 0;
        QTest::newRow("fault sync-frame") << get << "^\\x{FF}\\x{01}[^:\r\n]{5}:" + params << 0 << 0 << 150;
        QTest::newRow("fault flood") << get << "^:[0-9A-F]{65535}$" << int(orb::reply_empty) << 0 << 0;
        QTest::newRow("fault vanish") << get << "^:AABB01012200[0-9A-F]*$" << int(orb::reply_empty) << 0 << 0;
        // clang-format on
    }

    void replies()
    {
        QFETCH(QByteArray, input);
        QFETCH(QString, text);
        QFETCH(int, code);
        QFETCH(int, first_ms);
        QFETCH(int, gap_ms);
        const QString tag = QTest::currentDataTag();
        Line line({"--no-pacing"});
        QVERIFY(!tag.startsWith("fault") || line.command(tag));
        const QByteArray reply = packet(line.send(input, text == "^$" ? 500 : 2000));
        QVERIFY2(QRegularExpression(text).match(QLatin1String(line.text)).hasMatch(), line.text);
        QCOMPARE(orb::check_reply(reply, 1, packet(input).at(3)).code, code);
        QVERIFY(line.first_ms >= first_ms && line.end_ms - line.first_ms >= gap_ms);
        QVERIFY(!tag.endsWith("vanish") || line.proc.waitForFinished(3000));
        const QByteArray stored = orb::packet_payload(packet(line.send(request(0x01), 500)));
        QCOMPARE(stored == record, tag.startsWith("02")); // only a whole write is kept
    }

    void pacing()
    {
        Line paced, fast({"--no-pacing"});
        QCOMPARE(paced.send(request(0x01)), fast.send(request(0x01)));
        // ':', 84 hex digits and CR LF at ten bits a character take 90.6 ms at 9600 baud.
        QVERIFY2(paced.end_ms >= 85 && fast.end_ms < 40, qPrintable(QString::number(paced.end_ms)));
    }

    // 'reset' takes the module back to how it started, whatever was done to it.
    void reset_data()
    {
        QTest::addColumn<QStringList>("setup"); // console commands; ":" lines go on the line
        QTest::addColumn<int>("command");       // of the probe, before and after
        QTest::addColumn<int>("from");          // payload bytes compared from here on
        QTest::newRow("record") << QStringList{":02"} << 0x01 << 0;
        QTest::newRow("flags") << QStringList{"rain on", "level low", "alarm on"} << 0x03 << 20;
        QTest::newRow("fault") << QStringList{"fault silent"} << 0x01 << 0;
        QTest::newRow("reply on its way") << QStringList{"fault late", ":00"} << 0x01 << 0;
    }
    void reset()
    {
        QFETCH(QStringList, setup);
        QFETCH(int, command);
        QFETCH(int, from);
        Line line({"--no-pacing", "--init", "0"});
        const QByteArray before = orb::packet_payload(packet(line.send(request(command))));
        QVERIFY(before.size() > from);
        for (const QString &step : setup) {
            if (!step.startsWith(':')) {
                QVERIFY(line.command(step));
                continue;
            }
            const int code = step.mid(1).toInt(nullptr, 16);
            line.port.write(request(code, code == 0x02 ? record : QByteArray("\x12\x34")));
            QVERIFY(line.port.waitForBytesWritten(1000));
            QVERIFY(line.wait_traffic(QString("<- :AABB010%1").arg(code)));
        }
        QVERIFY(line.command("reset"));
        const QByteArray after = orb::packet_payload(packet(line.send(request(command))));
        QCOMPARE(after.mid(from), before.mid(from));
    }

    // However the line goes, the simulator ends at once with one line saying so; before, a
    // vanished port peer kept it reporting read errors at full speed, without end.
    void line_lost_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("last"); // the one line after the start line
        // clang-format off
        QTest::newRow("port: peer closed") << "close" << 1 << "line \\S+ is gone \\(.+\\)";
        QTest::newRow("port: SIGTERM") << "term" << 128 + SIGTERM << "signal 15; line \\S+ closed";
        QTest::newRow("pty: stdin closed") << "stdin" << 1 << "standard input closed; line \\S+ closed";
        QTest::newRow("pty: SIGTERM") << "term" << 128 + SIGTERM << "signal 15; line \\S+ closed";
        QTest::newRow("pty: SIGINT") << "int" << 128 + SIGINT << "signal 2; line \\S+ closed";
        // clang-format on
    }
    void line_lost()
    {
        QFETCH(QString, how);
        QFETCH(int, code);
        QFETCH(QString, last);
        Pty pty;
        QVERIFY(pty.is_open());
        const bool port = QString(QTest::currentDataTag()).startsWith("port");
        Sim_process sim(port ? QStringList{"--port", pty.slave_path()} : QStringList{});
        QVERIFY(sim.is_running());
        QVERIFY(sim.wait_traffic("module 1 on "));
        if (how == "close")
            pty.close_master();
        else if (how == "stdin")
            sim.proc.closeWriteChannel();
        else
            ::kill(pid_t(sim.proc.processId()), how == "int" ? SIGINT : SIGTERM);
        QVERIFY(sim.proc.waitForFinished(2000));
        QCOMPARE(sim.proc.exitStatus(), QProcess::NormalExit);
        QCOMPARE(sim.proc.exitCode(), code);
        const QStringList lines = sim.traffic().split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 2);
        QVERIFY2(
            QRegularExpression("^orb-module-sim: " + last + "$").match(lines.last()).hasMatch(),
            qPrintable(lines.last()));
    }
};

QTEST_GUILESS_MAIN(tst_sim)
#include "tst_sim.moc"
