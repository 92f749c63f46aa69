#include "protocol/crc16.h"
#include "protocol/packet.h"

#include <QtTest>

using namespace orb;

static QByteArray (*const hex)(const QByteArray &) = QByteArray::fromHex;

class tst_packet : public QObject
{
    Q_OBJECT

private slots:
    void crc_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<int>("crc");
        // The start value and the check value, from Python's binascii.crc_hqx(data, 0xFFFF); the
        // packets of valid() carry more.
        QTest::newRow("empty") << QByteArray() << 0xFFFF;
        QTest::newRow("123456789") << QByteArray("123456789") << 0x29B1;
    }

    void crc()
    {
        QFETCH(QByteArray, data);
        QTEST(int(crc16(data)), "crc");
    }

    // The row name is the line on the wire; the packet is built and checked as a reply.
    void valid_data()
    {
        QTest::addColumn<int>("address");
        QTest::addColumn<int>("command");
        QTest::addColumn<QByteArray>("payload");
        QTest::newRow(":AABB0100020000003837") << 1 << 0x00 << hex("0000");
        QTest::newRow(":AABB010100007FEA") << 1 << 0x01 << QByteArray();
        QTest::newRow(":AABB010300001F84") << 1 << 0x03 << QByteArray();
        QTest::newRow(":AABB010400008F01") << 1 << 0x04 << QByteArray();
        QTest::newRow(":AABB01050000BF36") << 1 << 0x05 << QByteArray();
        QTest::newRow(":AABBFF050000A80B") << 0xFF << 0x05 << QByteArray();
        QTest::newRow(":AABB01030100011DE9") << 1 << 0x03 << hex("01");
    }

    void valid()
    {
        QFETCH(int, address);
        QFETCH(int, command);
        QFETCH(QByteArray, payload);
        const QByteArray packet = build_packet(quint8(address), quint8(command), payload);
        QCOMPARE(frame_packet(packet), QByteArray(QTest::currentDataTag()) + '\n');
        QCOMPARE(packet_payload(packet), payload);
        QCOMPARE(check_reply(packet, address, command).code, int(reply_ok));
    }

    void largest()
    {
        const QByteArray packet = build_packet(1, 1, QByteArray(0xFFFF, '\0'));
        // Over 65541 bytes, past crc16()'s 16-bit count; value from binascii.crc_hqx.
        QCOMPARE(get_le16(packet, packet.size() - 2), quint16(0xEFF8));
        QCOMPARE(check_reply(packet, 1, 1).code, int(reply_ok));
        QVERIFY(build_packet(1, 1, QByteArray(0x10000, '\0')).isEmpty());
    }

    void invalid_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("command");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        // clang-format off
        const QString len = QString::fromUtf8("Размер пакета не корректен (поле len неверно заполнено)");
        const QString crc = QString::fromUtf8("Контрольная сумма не корректн") + "a! 0x%1 != 0x%2"; // Latin a
        // Several faults in a row: the first check in order decides. CRCs from binascii.crc_hqx.
        QTest::newRow("empty") << QByteArray() << 3 << 1 << QString::fromUtf8("Нет данных");
        QTest::newRow("aabb01030000") << hex("aabb01030000") << 3 << 2 << QString::fromUtf8("Размер пакета не корректен");
        QTest::newRow("55aa010300001f84") << hex("55aa010300001f84") << 3 << 3 << QString::fromUtf8("Префикс не корректен! [0xaa55]"); // CRC wrong too
        QTest::newRow("aabb11030000b89f for 1") << hex("aabb11030000b89f") << 1 << 3 << QString::fromUtf8("Адрес не корректен! [0x11]");
        QTest::newRow("aabb010300001f84 for 1") << hex("aabb010300001f84") << 1 << 4 << QString::fromUtf8("Неверная команда! [0x1]");
        QTest::newRow("aabb0103000000") << hex("aabb0103000000") << 3 << 2 << len;
        QTest::newRow("aabb0103ffff00") << hex("aabb0103ffff00") << 3 << 2 << len;
        QTest::newRow("aabb010100000500") << hex("aabb010100000500") << 1 << 5 << crc.arg("05", "ea7f");
        QTest::newRow("aabb0100020001003738") << hex("aabb0100020001003738") << 0 << 5 << crc.arg("3837", "409");
        QTest::newRow("aabb0104090017bb") << hex("aabb0104090017bb") << 3 << 4 << QString::fromUtf8("Неверная команда! [0x3]");
        // clang-format on
    }

    void invalid()
    {
        QFETCH(QByteArray, reply);
        QFETCH(int, command);
        const Reply_check r = check_reply(reply, 1, command);
        QTEST(r.code, "code");
        QTEST(r.message, "message");
    }
};

QTEST_APPLESS_MAIN(tst_packet)
#include "tst_packet.moc"
