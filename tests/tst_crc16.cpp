#include "protocol/crc16.h"

#include <QtTest>

using orb::crc16;
using orb::crc16_init;
using orb::crc16_update;

class tst_crc16 : public QObject
{
    Q_OBJECT

private slots:
    void checksum_data();
    void checksum();
    void split_data();
    void split();
    void long_range();
};

static QByteArray all_byte_values()
{
    QByteArray out;
    for (int i = 0; i < 256; ++i)
        out.append(char(i));
    return out;
}

void tst_crc16::checksum_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<quint16>("expected");

    QTest::newRow("empty") << QByteArray() << quint16(0xFFFF);
    QTest::newRow("check 123456789") << QByteArray("123456789") << quint16(0x29B1);
    // The rows below were produced by Python's binascii.crc_hqx(data, 0xFFFF), an
    // independent implementation of the same CRC.
    QTest::newRow("00") << QByteArray::fromHex("00") << quint16(0xE1F0);
    QTest::newRow("ff") << QByteArray::fromHex("ff") << quint16(0xFF00);
    QTest::newRow("41") << QByteArray("A") << quint16(0xB915);
    QTest::newRow("aabb01020000") << QByteArray::fromHex("aabb01020000") << quint16(0xB32F);
    QTest::newRow("status reply body")
        << QByteArray::fromHex("aabb0103170002000000983a00000000000000000000003c00ff0001")
        << quint16(0x73DA);
    QTest::newRow("34 zero bytes") << QByteArray(34, '\0') << quint16(0xA9B8);
    QTest::newRow("64 x ff") << QByteArray(64, '\xff') << quint16(0xF154);
    QTest::newRow("bytes 00..ff") << all_byte_values() << quint16(0x3FBD);
}

void tst_crc16::checksum()
{
    QFETCH(QByteArray, data);
    QFETCH(quint16, expected);

    const auto *bytes = reinterpret_cast<const uchar *>(data.constData());
    QCOMPARE(crc16(bytes, quint16(data.size())), expected);
    QCOMPARE(crc16(data), expected);
    QCOMPARE(crc16_update(crc16_init, bytes, data.size()), expected);
}

void tst_crc16::split_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::newRow("123456789") << QByteArray("123456789");
    QTest::newRow("bytes 00..ff") << all_byte_values();
}

// A running CRC continued over the rest gives the same result wherever the data is cut.
void tst_crc16::split()
{
    QFETCH(QByteArray, data);
    const auto *bytes = reinterpret_cast<const uchar *>(data.constData());
    const quint16 whole = crc16(data);
    for (int cut = 0; cut <= data.size(); ++cut) {
        const quint16 head = crc16_update(crc16_init, bytes, cut);
        QCOMPARE(crc16_update(head, bytes + cut, data.size() - cut), whole);
    }
}

// The 16-bit count stops crc16() at 65535 bytes; crc16_update has no such limit.
// Expected values from binascii.crc_hqx as above.
void tst_crc16::long_range()
{
    const QByteArray zeros(70000, '\0');
    QCOMPARE(crc16(zeros), quint16(0xE1F0));
    QCOMPARE(
        crc16_update(crc16_init, reinterpret_cast<const uchar *>(zeros.constData()), zeros.size()),
        quint16(0x5071));
}

QTEST_APPLESS_MAIN(tst_crc16)
#include "tst_crc16.moc"
