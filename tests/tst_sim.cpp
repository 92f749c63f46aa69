#include "sim_process.h"

#include "protocol/crc16.h"
#include "protocol/packet.h"
#include "protocol/param_data.h"
#include "protocol/status_data.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QtTest>

#include <cctype>

#ifdef Q_OS_UNIX
#include <poll.h>
#include <sys/ioctl.h>
#endif

namespace {

struct Chunk
{
    qint64 at_ms; // since the request went out
    QByteArray bytes;
};

// The tool's side of the line, played by a plain QSerialPort on the pty slave.
class Peer
{
public:
    bool open(const QString &path)
    {
        port.setPortName(path);
        port.setBaudRate(9600);
        return port.open(QIODevice::ReadWrite);
    }

    void send(const QByteArray &bytes)
    {
        clock.start();
        port.write(bytes);
        port.waitForBytesWritten(1000);
    }

    // Collects what arrives until stop() says enough or timeout_ms has passed.
    template<typename Stop> QVector<Chunk> collect(int timeout_ms, Stop stop)
    {
        QVector<Chunk> got;
        QByteArray all;
        QDeadlineTimer deadline(timeout_ms);
        while (!deadline.hasExpired()) {
            if (port.bytesAvailable() == 0 &&
                !port.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime()))))
                continue;
            const QByteArray bytes = port.readAll();
            got.append({clock.elapsed(), bytes});
            all += bytes;
            if (stop(all))
                break;
        }
        return got;
    }

    QByteArray read_line(int timeout_ms = 2000)
    {
        return joined(
            collect(timeout_ms, [](const QByteArray &all) { return all.contains('\n'); }));
    }

    QByteArray read_for(int ms)
    {
        return joined(collect(ms, [](const QByteArray &) { return false; }));
    }

    static QByteArray joined(const QVector<Chunk> &chunks)
    {
        QByteArray all;
        for (const Chunk &c : chunks)
            all += c.bytes;
        return all;
    }

    QSerialPort port;
    QElapsedTimer clock;
};

// The packet of the last ":hex" line in text, decoded here rather than by the tool's own reader.
QByteArray decode_line(const QByteArray &text)
{
    const int end = text.lastIndexOf('\n');
    const int colon = text.lastIndexOf(':', end);
    if (end < 0 || colon < 0)
        return {};
    QByteArray hex = text.mid(colon + 1, end - colon - 1);
    if (hex.endsWith('\r'))
        hex.chop(1);
    for (const char c : hex) {
        if (!isxdigit(uchar(c)))
            return {};
    }
    return QByteArray::fromHex(hex);
}

#ifdef Q_OS_UNIX
// Bytes waiting in the kernel for the port, before QSerialPort reads any of them.
int unread(QSerialPort &port)
{
    int n = 0;
    return ioctl(port.handle(), FIONREAD, &n) == 0 ? n : -1;
}
#endif

QByteArray request(int command, const QByteArray &payload = {}, quint8 address = 1)
{
    return orb::frame_packet(orb::build_packet(address, quint8(command), payload));
}

} // namespace

class tst_sim : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void commands_data();
    void commands();
    void write_is_echoed_and_read_back();
    void pause_counts_down();
    void status_follows_inputs_data();
    void status_follows_inputs();
    void faults_data();
    void faults();
    void faults_switch_at_run_time();
    void fault_rate_follows_seed();
    void flush_drops_unread_replies();
    void cycle_runs_on_data();
    void cycle_runs_on();
    void bad_input_data();
    void bad_input();
    void pacing_data();
    void pacing();
    void terminate_removes_link();

private:
    orb::Status_data read_status(Peer &peer);
};

void tst_sim::initTestCase()
{
#ifndef Q_OS_UNIX
    QSKIP("the simulator makes its own line only where there are pseudo-terminals");
#endif
    QVERIFY(QFileInfo::exists(QStringLiteral(ORB_SIM_PATH)));
}

orb::Status_data tst_sim::read_status(Peer &peer)
{
    peer.send(request(0x03));
    const QByteArray reply = decode_line(peer.read_line());
    orb::Status_data s;
    s.state = 0xFFFF;
    if (orb::check_reply(reply, 1, 0x03).code == orb::reply_ok)
        orb::Status_data::decode(orb::packet_payload(reply), &s);
    return s;
}

void tst_sim::commands_data()
{
    QTest::addColumn<int>("command");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<int>("reply_payload");

    QTest::newRow("00 test") << 0x00 << QByteArray(2, '\0') << 2;
    QTest::newRow("01 read parameters") << 0x01 << QByteArray() << orb::Param_data::size;
    QTest::newRow("02 write parameters")
        << 0x02 << orb::Param_data().encode() << orb::Param_data::size;
    QTest::newRow("03 status") << 0x03 << QByteArray() << orb::Status_data::size;
    QTest::newRow("04 pump on") << 0x04 << QByteArray() << 0;
    QTest::newRow("05 pump off") << 0x05 << QByteArray() << 0;
}

void tst_sim::commands()
{
    QFETCH(int, command);
    QFETCH(QByteArray, payload);
    QFETCH(int, reply_payload);

    Sim_process sim(
        {QStringLiteral("--no-pacing"), QStringLiteral("--address"), QStringLiteral("0x2A")});
    QVERIFY(sim.is_running());
    Peer peer;
    QVERIFY(peer.open(sim.path()));

    peer.send(request(command, payload, 0x2A));
    const QByteArray text = peer.read_line();
    QVERIFY2(text.startsWith(':') && text.endsWith("\r\n"), text.constData());
    const QByteArray reply = decode_line(text);
    const orb::Reply_check check = orb::check_reply(reply, 0x2A, command);
    QVERIFY2(check.code == orb::reply_ok, qPrintable(check.message));
    QCOMPARE(orb::packet_payload(reply).size(), reply_payload);

    // The same request for address 1 is someone else's: the module keeps quiet.
    peer.send(request(command, payload, 1));
    QCOMPARE(peer.read_for(300), QByteArray());
}

void tst_sim::write_is_echoed_and_read_back()
{
    Sim_process sim({QStringLiteral("--no-pacing")});
    QVERIFY(sim.is_running());
    Peer peer;
    QVERIFY(peer.open(sim.path()));

    orb::Param_data p;
    p.addr_cam = 7;
    p.time_interval = 9000;
    p.time_interval_rain = 330;
    p.time_washout = 0x01020304;
    p.time_move = 12;
    p.time_wiper = 6;
    p.preset_move = 0x1234;
    p.preset_wiper = 99;
    p.wiper_not_active = 1;
    p.normal_sensor_rain = 1;
    p.normal_Preset_Initial_Pos = 200;
    p.normal_Work_Reg_Cam = 3;
    p.normal_Num_Tour = 4;
    p.normal_Num_Scan = 5;
    p.normal_Num_Pattern = 6;
    const QByteArray record = p.encode();

    peer.send(request(0x02, record));
    const QByteArray echo = decode_line(peer.read_line());
    QCOMPARE(orb::check_reply(echo, 1, 0x02).code, int(orb::reply_ok));
    QCOMPARE(orb::packet_payload(echo).toHex(), record.toHex());

    peer.send(request(0x01));
    const QByteArray read = decode_line(peer.read_line());
    QCOMPARE(orb::check_reply(read, 1, 0x01).code, int(orb::reply_ok));
    QCOMPARE(orb::packet_payload(read).toHex(), record.toHex());

    // A record cut short is not stored and gets no answer.
    peer.send(request(0x02, record.left(20)));
    QCOMPARE(peer.read_for(300), QByteArray());
    peer.send(request(0x01));
    QCOMPARE(orb::packet_payload(decode_line(peer.read_line())).toHex(), record.toHex());
}

void tst_sim::pause_counts_down()
{
    Sim_process sim({QStringLiteral("--no-pacing"), QStringLiteral("--init"), QStringLiteral("0")});
    QVERIFY(sim.is_running());
    Peer peer;
    QVERIFY(peer.open(sim.path()));

    const orb::Status_data first = read_status(peer);
    QElapsedTimer since;
    since.start();
    QCOMPARE(first.state, quint16(2));
    QVERIFY(first.elapsed_time_washout_pause > 3500 * 1000);
    QVERIFY(first.elapsed_time_washout_pause <= 3600 * 1000);

    orb::Status_data later;
    QTRY_VERIFY_WITH_TIMEOUT((later = read_status(peer)).elapsed_time_washout_pause + 200 <=
                                 first.elapsed_time_washout_pause,
                             3000);
    QCOMPARE(later.state, quint16(2));
    // Milliseconds: the counter never runs ahead of the clock.
    QVERIFY(first.elapsed_time_washout_pause - later.elapsed_time_washout_pause <=
            quint32(since.elapsed() + 50));
}

void tst_sim::status_follows_inputs_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("state");
    QTest::addColumn<int>("flag_rain");
    QTest::addColumn<int>("flag_lvl");
    QTest::addColumn<int>("alarm_in");

    const QStringList none;
    QTest::newRow("initialisation first") << none << QString() << 0 << 0 << 0 << 0;
    QTest::newRow("--rain") << QStringList{QStringLiteral("--rain")} << QString() << 0 << 1 << 0
                            << 0;
    QTest::newRow("--level-low") << QStringList{QStringLiteral("--level-low")} << QString() << 0
                                 << 0 << 1 << 0;
    QTest::newRow("--alarm") << QStringList{QStringLiteral("--alarm")} << QString() << 0 << 0 << 0
                             << 1;
    QTest::newRow("stdin rain on") << none << QStringLiteral("rain on") << 0 << 1 << 0 << 0;
    QTest::newRow("stdin rain off")
        << QStringList{QStringLiteral("--rain")} << QStringLiteral("rain off") << 0 << 0 << 0 << 0;
    QTest::newRow("stdin level low") << none << QStringLiteral("level low") << 0 << 0 << 1 << 0;
    QTest::newRow("stdin alarm on") << none << QStringLiteral("alarm on") << 0 << 0 << 0 << 1;
    QTest::newRow("pump on washes") << none << QStringLiteral("pump on") << 1 << 0 << 0 << 0;
    QTest::newRow("pump off pauses") << none << QStringLiteral("pump off") << 2 << 0 << 0 << 0;
}

void tst_sim::status_follows_inputs()
{
    QFETCH(QStringList, args);
    QFETCH(QString, command);
    QFETCH(int, state);
    QFETCH(int, flag_rain);
    QFETCH(int, flag_lvl);
    QFETCH(int, alarm_in);

    Sim_process sim(args + QStringList{QStringLiteral("--no-pacing"), QStringLiteral("--init"),
                                       QStringLiteral("60000")});
    QVERIFY(sim.is_running());
    Peer peer;
    QVERIFY(peer.open(sim.path()));

    if (command.startsWith(QLatin1String("pump"))) {
        peer.send(request(command.endsWith(QLatin1String("on")) ? 0x04 : 0x05));
        QCOMPARE(orb::check_reply(decode_line(peer.read_line()), 1, 0x03).code,
                 int(orb::reply_command)); // the pump's own code, not the status one
    } else if (!command.isEmpty()) {
        QVERIFY2(sim.command(command), qPrintable(sim.last_answer()));
        QCOMPARE(sim.last_answer(), QStringLiteral("ok ") + command);
    }
    const orb::Status_data s = read_status(peer);
    QCOMPARE(int(s.state), state);
    QCOMPARE(int(s.flag_rain), flag_rain);
    QCOMPARE(int(s.flag_lvl), flag_lvl);
    QCOMPARE(int(s.alarm_in), alarm_in);
    if (state == 1)
        QVERIFY(s.elapsed_time_washout > 0 && s.elapsed_time_washout <= 10 * 1000);
    if (state == 2)
        QVERIFY(s.elapsed_time_washout_pause > 3590 * 1000);
}

void tst_sim::faults_data()
{
    QTest::addColumn<QString>("fault");
    // check_reply's verdict on the line that arrives; -1: no line at all.
    QTest::addColumn<int>("code");

    QTest::newRow("silent") << QStringLiteral("silent") << -1;
    QTest::newRow("bad-crc") << QStringLiteral("bad-crc") << int(orb::reply_crc);
    QTest::newRow("wrong-command") << QStringLiteral("wrong-command") << int(orb::reply_command);
    QTest::newRow("wrong-address") << QStringLiteral("wrong-address") << int(orb::reply_prefix);
    QTest::newRow("bad-prefix") << QStringLiteral("bad-prefix") << int(orb::reply_prefix);
    QTest::newRow("bad-len") << QStringLiteral("bad-len") << int(orb::reply_size);
    QTest::newRow("short-payload") << QStringLiteral("short-payload") << int(orb::reply_ok);
    QTest::newRow("split") << QStringLiteral("split") << int(orb::reply_ok);
    QTest::newRow("late") << QStringLiteral("late") << int(orb::reply_ok);
    QTest::newRow("noise") << QStringLiteral("noise") << int(orb::reply_ok);
    QTest::newRow("sync-frame") << QStringLiteral("sync-frame") << int(orb::reply_ok);
    QTest::newRow("flood") << QStringLiteral("flood") << -1;
    QTest::newRow("vanish") << QStringLiteral("vanish") << -1;
}

void tst_sim::faults()
{
    QFETCH(QString, fault);
    QFETCH(int, code);

    Sim_process sim({QStringLiteral("--no-pacing"), QStringLiteral("--fault"), fault});
    QVERIFY(sim.is_running());
    Peer peer;
    QVERIFY(peer.open(sim.path()));

    peer.send(request(0x03));
    const QVector<Chunk> chunks =
        peer.collect(fault == QLatin1String("flood") ? 5000 : 1800, [&](const QByteArray &all) {
            return all.contains('\n') ||
                   (fault == QLatin1String("flood") && all.size() >= 64 * 1024);
        });
    const QByteArray all = Peer::joined(chunks);
    const QByteArray reply = decode_line(all);
    QVERIFY(sim.wait_traffic(QStringLiteral("fault ") + fault));

    if (code < 0) {
        QVERIFY2(!all.contains('\n') && !all.contains('\r'), all.left(100).constData());
    } else {
        QVERIFY2(!reply.isEmpty(), all.constData());
        QCOMPARE(orb::check_reply(reply, 1, 0x03).code, code);
    }

    const int first_colon = all.indexOf(':');
    if (fault == QLatin1String("silent")) {
        QCOMPARE(all, QByteArray());
    } else if (fault == QLatin1String("bad-crc")) {
        // Only the CRC is wrong: sealed afresh, the same bytes pass.
        QByteArray mended = reply.left(reply.size() - 2);
        orb::put_le16(mended, orb::crc16(mended));
        QCOMPARE(orb::check_reply(mended, 1, 0x03).code, int(orb::reply_ok));
    } else if (fault == QLatin1String("wrong-command")) {
        QVERIFY(uchar(reply.at(3)) != 0x03);
    } else if (fault == QLatin1String("wrong-address")) {
        // Only the address is wrong: checked against that address, the reply is whole.
        QCOMPARE(orb::check_reply(reply, uchar(reply.at(2)), 0x03).code, int(orb::reply_ok));
        QVERIFY(uchar(reply.at(2)) != 1);
    } else if (fault == QLatin1String("bad-prefix")) {
        QVERIFY(reply.startsWith(QByteArray::fromHex("55AA")));
        QByteArray mended = reply;
        mended[0] = char(0xAA);
        mended[1] = char(0xBB);
        QCOMPARE(orb::check_reply(mended, 1, 0x03).code, int(orb::reply_crc));
    } else if (fault == QLatin1String("bad-len")) {
        QCOMPARE(int(orb::get_le16(reply, 4)), reply.size() - 8 + 1);
    } else if (fault == QLatin1String("short-payload")) {
        QCOMPARE(orb::packet_payload(reply).size(), 10);
        orb::Status_data s;
        QVERIFY(!orb::Status_data::decode(orb::packet_payload(reply), &s));
    } else if (fault == QLatin1String("split")) {
        // The line end comes a good while after the first half.
        QVERIFY(chunks.size() >= 2);
        QVERIFY(!chunks.first().bytes.contains('\n'));
        QVERIFY2(chunks.last().at_ms - chunks.first().at_ms >= 250,
                 qPrintable(QString::number(chunks.last().at_ms - chunks.first().at_ms)));
    } else if (fault == QLatin1String("late")) {
        QVERIFY2(chunks.first().at_ms >= 1100, qPrintable(QString::number(chunks.first().at_ms)));
    } else if (fault == QLatin1String("noise")) {
        QVERIFY(first_colon > 0);
        QVERIFY(!all.left(first_colon).contains('\n'));
    } else if (fault == QLatin1String("sync-frame")) {
        QCOMPARE(first_colon, 7);
        QCOMPARE(uchar(all.at(0)), uchar(0xFF));
        QCOMPARE(uchar(all.at(1)), uchar(0x01));
        // Written on its own, well before the line.
        QVERIFY(chunks.first().bytes.size() == 7);
    } else if (fault == QLatin1String("flood")) {
        QCOMPARE(all.size(), 64 * 1024);
    } else if (fault == QLatin1String("vanish")) {
        QVERIFY(first_colon == 0 && all.size() > 4);
        QVERIFY(sim.wait_finished(3000));
        QCOMPARE(sim.exit_status(), QProcess::NormalExit);
    }
}

void tst_sim::faults_switch_at_run_time()
{
    Sim_process sim({QStringLiteral("--no-pacing")});
    QVERIFY(sim.is_running());
    Peer peer;
    QVERIFY(peer.open(sim.path()));

    auto verdict = [&] {
        peer.send(request(0x01));
        return orb::check_reply(decode_line(peer.read_line()), 1, 0x01).code;
    };
    QCOMPARE(verdict(), int(orb::reply_ok));
    QVERIFY(sim.command(QStringLiteral("fault bad-crc")));
    QCOMPARE(sim.last_answer(), QStringLiteral("ok fault bad-crc"));
    QCOMPARE(verdict(), int(orb::reply_crc));
    QVERIFY(sim.command(QStringLiteral("fault none")));
    QCOMPARE(verdict(), int(orb::reply_ok));

    // A fault rate of 0 spoils nothing, whatever is listed.
    QVERIFY(sim.command(QStringLiteral("fault wrong-command")));
    QVERIFY(sim.command(QStringLiteral("fault-rate 0")));
    QCOMPARE(verdict(), int(orb::reply_ok));

    QVERIFY(!sim.command(QStringLiteral("fault no-such-thing")));
    QVERIFY(sim.last_answer().startsWith(QLatin1String("error")));
    QVERIFY(!sim.command(QStringLiteral("jump")));
    QVERIFY(sim.command(QStringLiteral("state")));
    QVERIFY2(sim.last_answer().startsWith(QLatin1String("ok state 0 pause ")),
             qPrintable(sim.last_answer()));
    QVERIFY(sim.command(QStringLiteral("quit")));
    QVERIFY(sim.wait_finished(3000));
    QCOMPARE(sim.exit_code(), 0);
}

void tst_sim::fault_rate_follows_seed()
{
    auto verdicts = [](const QString &seed) {
        Sim_process sim({QStringLiteral("--no-pacing"), QStringLiteral("--fault"),
                         QStringLiteral("bad-crc"), QStringLiteral("--fault"),
                         QStringLiteral("wrong-command"), QStringLiteral("--fault-rate"),
                         QStringLiteral("0.5"), QStringLiteral("--seed"), seed});
        Peer peer;
        QString out;
        if (!sim.is_running() || !peer.open(sim.path()))
            return out;
        for (int i = 0; i < 16; ++i) {
            peer.send(request(0x04));
            out += QString::number(orb::check_reply(decode_line(peer.read_line()), 1, 0x04).code);
        }
        return out;
    };
    const QString first = verdicts(QStringLiteral("7"));
    QCOMPARE(first.size(), 16);
    QCOMPARE(verdicts(QStringLiteral("7")), first);
    QVERIFY2(first.contains(QLatin1Char('0')) && first.contains(QLatin1Char('4')) &&
                 first.contains(QLatin1Char('5')),
             qPrintable(first));
    QVERIFY(verdicts(QStringLiteral("8")) != first);
}

void tst_sim::flush_drops_unread_replies()
{
#ifdef Q_OS_UNIX
    Sim_process sim(
        {QStringLiteral("--no-pacing"), QStringLiteral("--fault"), QStringLiteral("split")});
    QVERIFY(sim.is_running());
    Peer peer;
    QVERIFY(peer.open(sim.path()));

    // First half in the line unread, second half still due: flush must drop both.
    peer.send(request(0x01));
    // Waits on the descriptor itself: running the event loop would let QSerialPort take the bytes.
    pollfd ready = {int(peer.port.handle()), POLLIN, 0};
    QCOMPARE(::poll(&ready, 1, 2000), 1);
    QVERIFY(unread(peer.port) > 0);
    QVERIFY(sim.command(QStringLiteral("flush")));
    QVERIFY(sim.command(QStringLiteral("fault none")));
    QCOMPARE(unread(peer.port), 0);
    QCOMPARE(peer.read_for(500), QByteArray());

    peer.send(request(0x01));
    const QByteArray text = peer.read_line();
    QVERIFY(text.startsWith(':'));
    QCOMPARE(orb::check_reply(decode_line(text), 1, 0x01).code, int(orb::reply_ok));
#else
    QSKIP("pseudo-terminals only");
#endif
}

void tst_sim::cycle_runs_on_data()
{
    QTest::addColumn<bool>("rain");
    QTest::addColumn<int>("interval");
    QTest::addColumn<int>("interval_rain");

    QTest::newRow("dry: washing interval") << false << 1 << 3600;
    QTest::newRow("rain: wiper interval") << true << 3600 << 1;
}

void tst_sim::cycle_runs_on()
{
    QFETCH(bool, rain);
    QFETCH(int, interval);
    QFETCH(int, interval_rain);

    Sim_process sim({QStringLiteral("--no-pacing"), QStringLiteral("--init"), QStringLiteral("0")});
    QVERIFY(sim.is_running());
    Peer peer;
    QVERIFY(peer.open(sim.path()));
    if (rain)
        QVERIFY(sim.command(QStringLiteral("rain on")));

    orb::Param_data p = orb::Param_data();
    p.time_interval = quint16(interval);
    p.time_interval_rain = quint16(interval_rain);
    p.time_washout = 1;
    peer.send(request(0x02, p.encode()));
    QCOMPARE(orb::check_reply(decode_line(peer.read_line()), 1, 0x02).code, int(orb::reply_ok));

    // Pause of one second, washing of one second, pause again.
    QCOMPARE(read_status(peer).state, quint16(2));
    QTRY_COMPARE_WITH_TIMEOUT(read_status(peer).state, quint16(1), 3000);
    QTRY_COMPARE_WITH_TIMEOUT(read_status(peer).state, quint16(2), 3000);
    QVERIFY(read_status(peer).elapsed_time_washout_pause <= 1000);
}

void tst_sim::bad_input_data()
{
    QTest::addColumn<QByteArray>("input");
    // What the traffic says about it.
    QTest::addColumn<QString>("why");

    QTest::newRow("garbage") << QByteArray("hello\x01\x02\xff\x80 world")
                             << QStringLiteral("skipped");
    QTest::newRow("binary with zeros")
        << QByteArray("\0\0\xAA\xBB\0", 5) << QStringLiteral("skipped");
    QTest::newRow("odd hex digits")
        << QByteArray(":AABB010300001F8\n") << QStringLiteral("odd number");
    QTest::newRow("not hex") << QByteArray(":AABB01G300001F84\n") << QStringLiteral("not hex");
    QTest::newRow("empty line") << QByteArray(":\r\n") << QStringLiteral("empty line");
    QTest::newRow("bad crc") << QByteArray(":AABB010300001F85\n") << QStringLiteral("0x851f");
    QTest::newRow("other address") << request(0x03, {}, 2) << QStringLiteral("no answer");
    QTest::newRow("unknown command") << request(0x07) << QStringLiteral("unknown command 0x07");
    QTest::newRow("over-long line")
        << (':' + QByteArray(10000, 'A') + '\n') << QStringLiteral("longer than 4096");
    QTest::newRow("flood without line end")
        << (':' + QByteArray(64 * 1024, '5')) << QStringLiteral("longer than 4096");
    QTest::newRow("line cut by the next")
        << QByteArray(":AABB0103") << QStringLiteral("unfinished");
}

void tst_sim::bad_input()
{
    QFETCH(QByteArray, input);
    QFETCH(QString, why);

    Sim_process sim({QStringLiteral("--no-pacing")});
    QVERIFY(sim.is_running());
    Peer peer;
    QVERIFY(peer.open(sim.path()));

    peer.send(input);
    QCOMPARE(peer.read_for(200), QByteArray());
    peer.send(request(0x03));
    QCOMPARE(orb::check_reply(decode_line(peer.read_line()), 1, 0x03).code, int(orb::reply_ok));
    QVERIFY2(sim.wait_traffic(why), qPrintable(sim.traffic()));
    QVERIFY(sim.is_running());
}

void tst_sim::pacing_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("eol");
    // Bounds on the time from request to the reply's line end; -1: none.
    QTest::addColumn<int>("min_ms");
    QTest::addColumn<int>("max_ms");

    // 87 characters at ten bits each take 90.6 ms at 9600 baud.
    QTest::newRow("9600 baud") << QStringList() << QByteArray("\r\n") << 85 << -1;
    QTest::newRow("no pacing, lf")
        << QStringList{QStringLiteral("--no-pacing"), QStringLiteral("--eol"), QStringLiteral("lf")}
        << QByteArray("\n") << -1 << 40;
    QTest::newRow("turnaround 300 ms")
        << QStringList{QStringLiteral("--no-pacing"), QStringLiteral("--turnaround"),
                       QStringLiteral("300")}
        << QByteArray("\r\n") << 300 << -1;
}

void tst_sim::pacing()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, eol);
    QFETCH(int, min_ms);
    QFETCH(int, max_ms);

    Sim_process sim(args);
    QVERIFY(sim.is_running());
    Peer peer;
    QVERIFY(peer.open(sim.path()));

    peer.send(request(0x01));
    const QVector<Chunk> chunks =
        peer.collect(2000, [](const QByteArray &all) { return all.contains('\n'); });
    const QByteArray text = Peer::joined(chunks);
    QVERIFY(text.endsWith(eol));
    QCOMPARE(text.size(), 85 + eol.size());
    QCOMPARE(orb::check_reply(decode_line(text), 1, 0x01).code, int(orb::reply_ok));
    const qint64 took = chunks.last().at_ms;
    if (min_ms >= 0)
        QVERIFY2(took >= min_ms, qPrintable(QString::number(took)));
    if (max_ms >= 0)
        QVERIFY2(took < max_ms, qPrintable(QString::number(took)));
}

void tst_sim::terminate_removes_link()
{
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("ttyORB"));
    Sim_process sim({QStringLiteral("--link"), link});
    QVERIFY(sim.is_running());
    QCOMPARE(QFileInfo(link).symLinkTarget(), sim.path());

    QVERIFY(sim.stop(3000));
    QCOMPARE(sim.exit_status(), QProcess::NormalExit);
    QCOMPARE(sim.exit_code(), 0);
    QVERIFY(!QFileInfo(link).isSymLink());
}

QTEST_GUILESS_MAIN(tst_sim)
#include "tst_sim.moc"
