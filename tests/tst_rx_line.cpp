#include "protocol/rx_line.h"

#include <QRandomGenerator>
#include <QtTest>

class tst_rx_line : public QObject
{
    Q_OBJECT

private slots:
    void deframe_data();
    void deframe();
    void split_anywhere();
    void matches_byte_by_byte_rule();
    void cap();
    void log_text_data();
    void log_text();
};

namespace {

// The rule applied one byte at a time, decoding at every line end: the reference the
// batched decoder must agree with.
void reference(const QByteArray &batch, QByteArray &rx_line, QByteArray &reply, bool &ready)
{
    for (const char c : batch) {
        if (c == '\r' || c == '\n') {
            reply = QByteArray::fromHex(rx_line);
            ready = true;
        } else if (c == ':') {
            rx_line.clear();
            ready = false;
        } else {
            rx_line.append(c);
        }
    }
}

} // namespace

void tst_rx_line::deframe_data()
{
    QTest::addColumn<QByteArray>("rx_before");
    QTest::addColumn<QByteArray>("reply_before");
    QTest::addColumn<bool>("ready_before");
    QTest::addColumn<QByteArray>("batch");
    QTest::addColumn<QByteArray>("rx_after");
    QTest::addColumn<QByteArray>("reply_after");
    QTest::addColumn<bool>("ready_after");

    const QByteArray none;
    QTest::newRow("status request line")
        << none << none << false << QByteArray(":AABB010300001F84\n")
        << QByteArray("AABB010300001F84") << QByteArray::fromHex("AABB010300001F84") << true;
    QTest::newRow("lower case digits") << none << none << false << QByteArray(":aabb\r")
                                       << QByteArray("aabb") << QByteArray::fromHex("AABB") << true;
    QTest::newRow("CR LF decodes the same line twice")
        << none << none << false << QByteArray(":0102\r\n") << QByteArray("0102")
        << QByteArray::fromHex("0102") << true;
    QTest::newRow("colon clears ready, keeps reply")
        << QByteArray("01") << QByteArray("\x01") << true << QByteArray(":AB") << QByteArray("AB")
        << QByteArray("\x01") << false;
    QTest::newRow("no line end leaves reply alone")
        << QByteArray("AA") << QByteArray("old") << false << QByteArray("BB") << QByteArray("AABB")
        << QByteArray("old") << false;
    QTest::newRow("line end without colon continues old digits")
        << QByteArray("AABB") << QByteArray::fromHex("AABB") << true << QByteArray("CC\n")
        << QByteArray("AABBCC") << QByteArray::fromHex("AABBCC") << true;
    QTest::newRow("bare CR LF decodes what is held")
        << QByteArray("0A0B") << none << false << QByteArray("\r\n") << QByteArray("0A0B")
        << QByteArray::fromHex("0A0B") << true;
    QTest::newRow("odd digit count pairs from the end")
        << none << none << false << QByteArray(":ABC\n") << QByteArray("ABC")
        << QByteArray::fromHex("0ABC") << true;
    QTest::newRow("stray characters skipped by the decode")
        << none << none << false << QByteArray(":A-B zC\n") << QByteArray("A-B zC")
        << QByteArray::fromHex("ABC") << true;
    QTest::newRow("zero and high bytes are kept in the line") << none << none << false
                                                              << QByteArray(":\x00\xff"
                                                                            "12\n",
                                                                            6)
                                                              << QByteArray("\x00\xff"
                                                                            "12",
                                                                            4)
                                                              << QByteArray::fromHex("12") << true;
    QTest::newRow("second colon after line end")
        << none << none << false << QByteArray(":11\n:22") << QByteArray("22")
        << QByteArray::fromHex("11") << false;
    QTest::newRow("two lines, last one wins")
        << none << none << false << QByteArray(":11\n:2233\n") << QByteArray("2233")
        << QByteArray::fromHex("2233") << true;
    QTest::newRow("line end then more digits")
        << none << none << false << QByteArray(":11\n22") << QByteArray("1122")
        << QByteArray::fromHex("11") << true;
    QTest::newRow("empty line") << QByteArray("99") << QByteArray("x") << false << QByteArray(":\n")
                                << QByteArray() << QByteArray() << true;
}

void tst_rx_line::deframe()
{
    QFETCH(QByteArray, rx_before);
    QFETCH(QByteArray, reply_before);
    QFETCH(bool, ready_before);
    QFETCH(QByteArray, batch);

    QByteArray rx_line = rx_before;
    QByteArray reply = reply_before;
    bool ready = ready_before;
    orb::deframe(batch, rx_line, reply, ready);

    QTEST(rx_line, "rx_after");
    QTEST(reply, "reply_after");
    QTEST(ready, "ready_after");
}

void tst_rx_line::split_anywhere()
{
    const QByteArray line(
        ":AABB0101220000020000003C0000000000000000000000000000000000000000A1B2\r\n");
    QByteArray whole_rx, whole_reply;
    bool whole_ready = false;
    orb::deframe(line, whole_rx, whole_reply, whole_ready);

    for (int cut = 0; cut <= line.size(); ++cut) {
        QByteArray rx_line, reply;
        bool ready = false;
        orb::deframe(line.left(cut), rx_line, reply, ready);
        // The flag rises only once a line end has been seen.
        QCOMPARE(ready, line.left(cut).contains('\r'));
        orb::deframe(line.mid(cut), rx_line, reply, ready);
        QCOMPARE(rx_line, whole_rx);
        QCOMPARE(reply, whole_reply);
        QCOMPARE(ready, whole_ready);
    }
}

void tst_rx_line::matches_byte_by_byte_rule()
{
    // Batches drawn mostly from the framing alphabet, so colons and line ends meet in
    // every order; a fixed seed keeps failures reproducible.
    QRandomGenerator rng(4711);
    const QByteArray alphabet(":\r\n0123456789ABCDEFabxyz\x00\xff", 27);
    QByteArray ref_rx, ref_reply, rx_line, reply;
    bool ref_ready = false, ready = false;
    for (int round = 0; round < 3000; ++round) {
        QByteArray batch;
        const int size = int(rng.bounded(12));
        for (int i = 0; i < size; ++i)
            batch.append(alphabet.at(int(rng.bounded(alphabet.size()))));
        reference(batch, ref_rx, ref_reply, ref_ready);
        orb::deframe(batch, rx_line, reply, ready);
        QVERIFY2(rx_line == ref_rx && reply == ref_reply && ready == ref_ready,
                 qPrintable(QStringLiteral("round %1, batch %2")
                                .arg(round)
                                .arg(QString::fromLatin1(batch.toHex()))));
        // Now and then the exchange empties reply before it sends.
        if (rng.bounded(10) == 0) {
            ref_reply.clear();
            reply.clear();
            ref_ready = ready = false;
        }
    }
}

void tst_rx_line::cap()
{
    // The longest legal line: header, 65535 payload bytes, CRC.
    QByteArray packet(8 + 65535 + 2, '\0');
    for (int i = 0; i < packet.size(); ++i)
        packet[i] = char(i * 7);
    const QByteArray line = ':' + packet.toHex().toUpper() + '\n';

    QByteArray rx_line, reply;
    bool ready = false;
    orb::deframe(line, rx_line, reply, ready);
    QCOMPARE(reply, packet);
    QVERIFY(ready);

    // A peer that never sends ':' cannot grow the line past the cap...
    const QByteArray junk(orb::rx_line_cap / 4 + 1, 'F');
    for (int i = 0; i < 5; ++i)
        orb::deframe(junk, rx_line, reply, ready);
    QCOMPARE(rx_line.size(), orb::rx_line_cap);
    orb::deframe("\n", rx_line, reply, ready);
    QCOMPARE(reply.size(), orb::rx_line_cap / 2);

    // ...and the next ':' brings the decoder back.
    orb::deframe(line, rx_line, reply, ready);
    QCOMPARE(reply, packet);
    QVERIFY(ready);
}

void tst_rx_line::log_text_data()
{
    QTest::addColumn<QByteArray>("batch");
    QTest::addColumn<QString>("expected");

    QTest::newRow("reply line") << QByteArray(":AABB01\r\n")
                                << QStringLiteral("read_data: :AABB01");
    QTest::newRow("CR and LF inside are removed")
        << QByteArray("a\rb\nc") << QStringLiteral("read_data: abc");
    QTest::newRow("only CR LF") << QByteArray("\r\n") << QStringLiteral("read_data: ");
    QTest::newRow("text stops at a zero byte")
        << QByteArray("ab\0\xff", 4) << QStringLiteral("read_data: ab");
    QTest::newRow("high byte before zero: whole batch in hex")
        << QByteArray("a\x80\0b", 4) << QStringLiteral("read_data: [61800062]");
    QTest::newRow("sync frame in hex, upper case")
        << QByteArray::fromHex("ff01abcdef0102") << QStringLiteral("read_data: [FF01ABCDEF0102]");
    QTest::newRow("cyrillic utf-8")
        << QByteArray("\xd0\x9e") << QStringLiteral("read_data: [D09E]");
    QTest::newRow("starts with zero") << QByteArray("\0:AB\xff\n", 6) << QString();
    QTest::newRow("empty") << QByteArray() << QString();
    QTest::newRow("DEL is still ASCII") << QByteArray("\x7f") << QStringLiteral("read_data: \x7f");
}

void tst_rx_line::log_text()
{
    QFETCH(QByteArray, batch);
    QFETCH(QString, expected);
    const QString text = orb::batch_log_text(batch);
    QCOMPARE(text, expected);
    QCOMPARE(text.isNull(), expected.isNull());
}

QTEST_APPLESS_MAIN(tst_rx_line)
#include "tst_rx_line.moc"
