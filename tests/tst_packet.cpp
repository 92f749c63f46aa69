#include "protocol/crc16.h"
#include "protocol/packet.h"

#include <QtTest>

using namespace orb;

class tst_packet : public QObject
{
    Q_OBJECT

private slots:
    void wire_line_data();
    void wire_line();
    void frame();
    void build_limits();
    void reply_valid_data();
    void reply_valid();
    void reply_invalid_data();
    void reply_invalid();
    void payload_data();
    void payload();
};

static QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

// AA BB, address, command, len, payload as given, then the packet's real CRC.
static QByteArray with_crc(quint8 address, quint8 command, quint16 len, const QByteArray &payload)
{
    QByteArray p = hex("aabb");
    p.append(char(address));
    p.append(char(command));
    put_le16(p, len);
    p.append(payload);
    put_le16(p, crc16(p));
    return p;
}

static QString crc_message(const char *stored, const char *computed)
{
    // Latin 'a' closing "корректн", spelled out so a Cyrillic one cannot slip in.
    return QString::fromUtf8("Контрольная сумма не корректн") + QLatin1Char('a') +
           QStringLiteral("! 0x%1 != 0x%2").arg(QLatin1String(stored), QLatin1String(computed));
}

void tst_packet::wire_line_data()
{
    QTest::addColumn<int>("command");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QByteArray>("line");

    QTest::newRow(":AABB0100020000003837")
        << 0x00 << hex("0000") << QByteArray(":AABB0100020000003837");
    QTest::newRow(":AABB010100007FEA") << 0x01 << QByteArray() << QByteArray(":AABB010100007FEA");
    QTest::newRow(":AABB010300001F84") << 0x03 << QByteArray() << QByteArray(":AABB010300001F84");
    QTest::newRow(":AABB010400008F01") << 0x04 << QByteArray() << QByteArray(":AABB010400008F01");
    QTest::newRow(":AABB01050000BF36") << 0x05 << QByteArray() << QByteArray(":AABB01050000BF36");
}

void tst_packet::wire_line()
{
    QFETCH(int, command);
    QFETCH(QByteArray, payload);
    QFETCH(QByteArray, line);

    const QByteArray packet = build_packet(1, quint8(command), payload);
    QCOMPARE(packet.size(), payload.size() + 8);
    QCOMPARE(int(get_le16(packet, 4)), payload.size());
    QCOMPARE(frame_packet(packet), line + '\n');
    // What the module would send back for it is a valid reply to that command.
    QCOMPARE(check_reply(packet, 1, command).code, int(reply_ok));
}

void tst_packet::frame()
{
    // Bytes that look like framing characters come out as hex digits, never raw.
    QCOMPARE(frame_packet(hex("3a0a0d00ff")), QByteArray(":3A0A0D00FF\n"));
    QCOMPARE(frame_packet(QByteArray()), QByteArray(":\n"));
}

void tst_packet::build_limits()
{
    // The largest payload the len field can state, and one byte more.
    const QByteArray largest = build_packet(1, 1, QByteArray(0xFFFF, '\0'));
    QCOMPARE(largest.size(), 0xFFFF + 8);
    QCOMPARE(get_le16(largest, 4), quint16(0xFFFF));
    // binascii.crc_hqx over the 65541 bytes before the CRC gives 0xeff8.
    QCOMPARE(get_le16(largest, largest.size() - 2), quint16(0xEFF8));
    QVERIFY(build_packet(1, 1, QByteArray(0x10000, '\0')).isEmpty());
}

void tst_packet::reply_valid_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("command");

    QTest::newRow("aabb010300001f84") << hex("aabb010300001f84") << 1 << 3;
    QTest::newRow("test echo aabb0100020000003837") << hex("aabb0100020000003837") << 1 << 0;
    QTest::newRow("address ff") << build_packet(0xFF, 5) << 255 << 5;
    QTest::newRow("any len that matches the size") << build_packet(1, 3, hex("01")) << 1 << 3;
    QTest::newRow("set_param echo, 42 bytes")
        << build_packet(7, 2, QByteArray(34, '\x11')) << 7 << 2;
    QTest::newRow("len ffff") << build_packet(1, 1, QByteArray(0xFFFF, '\0')) << 1 << 1;
}

void tst_packet::reply_valid()
{
    QFETCH(QByteArray, reply);
    QFETCH(int, address);
    QFETCH(int, command);

    const Reply_check r = check_reply(reply, address, command);
    QCOMPARE(r.code, int(reply_ok));
    QVERIFY(r.message.isEmpty());
}

void tst_packet::reply_invalid_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("command");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");

    const QString size_msg = QString::fromUtf8("Размер пакета не корректен");
    const QString len_msg =
        QString::fromUtf8("Размер пакета не корректен (поле len неверно заполнено)");
    const QString prefix_msg = QString::fromUtf8("Префикс не корректен! [0x%1]");
    const QString address_msg = QString::fromUtf8("Адрес не корректен! [0x%1]");
    const QString command_msg = QString::fromUtf8("Неверная команда! [0x%1]");

    QTest::newRow("empty") << QByteArray() << 1 << 3 << 1 << QString::fromUtf8("Нет данных");
    QTest::newRow("aa") << hex("aa") << 1 << 3 << 2 << size_msg;
    QTest::newRow("aabb01030000") << hex("aabb01030000") << 1 << 3 << 2 << size_msg;

    QTest::newRow("prefix 55aa") << hex("55aa010300001f84") << 1 << 3 << 3
                                 << prefix_msg.arg("aa55");
    QTest::newRow("prefix bbaa") << hex("bbaa010300001f84") << 1 << 3 << 3
                                 << prefix_msg.arg("aabb");
    QTest::newRow("prefix 0000, no leading zeros")
        << hex("0000010300001f84") << 1 << 3 << 3 << prefix_msg.arg("0");
    QTest::newRow("prefix 7 bytes")
        << hex("aabc0103000000") << 1 << 3 << 3 << prefix_msg.arg("bcaa");

    QTest::newRow("address 11") << build_packet(0x11, 3) << 1 << 3 << 3 << address_msg.arg("11");
    QTest::newRow("address 0") << build_packet(0, 3) << 1 << 3 << 3 << address_msg.arg("0");
    QTest::newRow("address wider than a byte")
        << build_packet(0, 3) << 256 << 3 << 3 << address_msg.arg("0");

    QTest::newRow("command 3 expected 1")
        << build_packet(1, 3) << 1 << 1 << 4 << command_msg.arg("1");
    QTest::newRow("command 5 expected 0")
        << build_packet(1, 5) << 1 << 0 << 4 << command_msg.arg("0");

    QTest::newRow("7 bytes, header right") << hex("aabb0103000000") << 1 << 3 << 2 << len_msg;
    QTest::newRow("len 2, 3 payload bytes, CRC right")
        << with_crc(1, 3, 2, hex("010203")) << 1 << 3 << 2 << len_msg;
    QTest::newRow("len 34, 41 bytes")
        << with_crc(1, 2, 34, QByteArray(33, '\0')) << 1 << 2 << 2 << len_msg;
    QTest::newRow("len 34, 43 bytes")
        << with_crc(1, 2, 34, QByteArray(35, '\0')) << 1 << 2 << 2 << len_msg;
    // 16-bit arithmetic would turn len + 8 into 7 or 0 for these.
    QTest::newRow("len ffff, 8 bytes") << with_crc(1, 3, 0xFFFF, {}) << 1 << 3 << 2 << len_msg;
    QTest::newRow("len fff8, 8 bytes") << with_crc(1, 3, 0xFFF8, {}) << 1 << 3 << 2 << len_msg;

    QTest::newRow("crc 0005 != ea7f")
        << hex("aabb010100000500") << 1 << 1 << 5 << crc_message("05", "ea7f");
    QTest::newRow("crc 0000 != 841f")
        << hex("aabb010300000000") << 1 << 3 << 5 << crc_message("00", "841f");
    QTest::newRow("crc byte order swapped")
        << hex("aabb01030000841f") << 1 << 3 << 5 << crc_message("1f84", "841f");
    QTest::newRow("crc 3837 != 409, three digits") << hex("aabb010002000100"
                                                          "3738")
                                                   << 1 << 0 << 5 << crc_message("3837", "409");

    // Several faults at once: the first check in order decides.
    QTest::newRow("order: prefix before crc")
        << hex("55aa010300000000") << 1 << 3 << 3 << prefix_msg.arg("aa55");
    QTest::newRow("order: address before command")
        << build_packet(2, 4) << 1 << 3 << 3 << address_msg.arg("2");
    QTest::newRow("order: command before len")
        << with_crc(1, 4, 9, {}) << 1 << 3 << 4 << command_msg.arg("3");
    QTest::newRow("order: len before crc") << hex("aabb010300010000") << 1 << 3 << 2 << len_msg;
}

void tst_packet::reply_invalid()
{
    QFETCH(QByteArray, reply);
    QFETCH(int, address);
    QFETCH(int, command);
    QFETCH(int, code);
    QFETCH(QString, message);

    const QByteArray before = reply;
    const Reply_check r = check_reply(reply, address, command);
    QCOMPARE(r.code, code);
    QCOMPARE(r.message, message);
    QCOMPARE(reply, before);
}

void tst_packet::payload_data()
{
    QTest::addColumn<QByteArray>("packet");
    QTest::addColumn<QByteArray>("payload");

    QTest::newRow("empty") << QByteArray() << QByteArray();
    QTest::newRow("7 bytes") << hex("aabb0103000000") << QByteArray();
    QTest::newRow("no payload") << hex("aabb010300001f84") << QByteArray();
    QTest::newRow("two bytes") << hex("aabb0100020012343837") << hex("1234");
    QTest::newRow("34 bytes") << build_packet(1, 2, QByteArray(34, '\x5a'))
                              << QByteArray(34, '\x5a');
}

void tst_packet::payload()
{
    QFETCH(QByteArray, packet);
    QFETCH(QByteArray, payload);
    QCOMPARE(packet_payload(packet), payload);
}

QTEST_APPLESS_MAIN(tst_packet)
#include "tst_packet.moc"
