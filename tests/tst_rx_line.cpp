#include "protocol/rx_line.h"

#include <QtTest>

class tst_rx_line : public QObject
{
    Q_OBJECT

private slots:
    void deframe_data()
    {
        QTest::addColumn<QByteArray>("rx_line");
        QTest::addColumn<QByteArray>("batch");
        QTest::addColumn<QByteArray>("rx_after");
        QTest::addColumn<QByteArray>("reply_after"); // reply starts as "old", ready as true
        QTest::addColumn<bool>("ready_after");
        const QByteArray old("old"), status("\xAA\xBB\x01\x03\x00\x00\x1F\x84", 8);
        const QByteArray cap(orb::rx_line_cap, 'F');
        // clang-format off
        QTest::newRow("second of two batches") << QByteArray("AABB01") << QByteArray("0300001F84\r") << QByteArray("AABB010300001F84") << status << true;
        QTest::newRow("CR LF decodes twice") << QByteArray() << QByteArray(":0102\r\n") << QByteArray("0102") << QByteArray("\1\2") << true;
        QTest::newRow("colon resets") << QByteArray("01") << QByteArray(":ab") << QByteArray("ab") << old << false;
        QTest::newRow("line end, no colon") << QByteArray("AABB") << QByteArray("CC\n") << QByteArray("AABBCC") << QByteArray("\xAA\xBB\xCC") << true;
        QTest::newRow("odd digit count") << QByteArray() << QByteArray(":ABC\n") << QByteArray("ABC") << QByteArray("\x0A\xBC") << true;
        QTest::newRow("zero and high bytes") << QByteArray() << QByteArray(":\0\xff" "12\n", 6) << QByteArray("\0\xff" "12", 4) << QByteArray("\x12") << true;
        QTest::newRow("line end, then colon") << QByteArray() << QByteArray(":11\n:22") << QByteArray("22") << QByteArray("\x11") << false;
        QTest::newRow("line end, then digits") << QByteArray() << QByteArray(":11\n22") << QByteArray("1122") << QByteArray("\x11") << true;
        QTest::newRow("bounded without colon") << cap << QByteArray("FF") << cap << old << true;
        // clang-format on
    }

    void deframe()
    {
        QFETCH(QByteArray, rx_line);
        QFETCH(QByteArray, batch);
        QByteArray reply("old");
        bool ready = true;
        orb::deframe(batch, rx_line, reply, ready);
        QTEST(rx_line, "rx_after");
        QTEST(reply, "reply_after");
        QTEST(ready, "ready_after");
    }

    void log_text_data()
    {
        QTest::addColumn<QByteArray>("batch");
        QTest::addColumn<QString>("text");
        // clang-format off
        QTest::newRow("CR and LF removed") << QByteArray(":AA\rBB\r\n") << QStringLiteral("read_data: :AABB");
        QTest::newRow("only CR LF") << QByteArray("\r\n") << QStringLiteral("read_data: ");
        QTest::newRow("text stops at zero") << QByteArray("ab\0\xff", 4) << QStringLiteral("read_data: ab");
        QTest::newRow("high byte: whole batch") << QByteArray("a\xab\0\xcd", 4) << QStringLiteral("read_data: [61AB00CD]");
        QTest::newRow("starts with zero") << QByteArray("\0:AB\xff\n", 6) << QString();
        // clang-format on
    }

    void log_text()
    {
        QFETCH(QByteArray, batch);
        QFETCH(QString, text);
        QCOMPARE(orb::batch_log_text(batch), text);
        QCOMPARE(orb::batch_log_text(batch).isNull(), text.isNull());
    }

    void line_text_data()
    {
        QTest::addColumn<QByteArray>("batch");
        QTest::addColumn<bool>("text");
        QTest::newRow(":0189AF") << QByteArray(":0189AF") << true;
        QTest::newRow("line end, lower case") << QByteArray("cdef\r\n:") << true;
        QTest::newRow("past F") << QByteArray(":AABB0G") << false;
        QTest::newRow("past f") << QByteArray(":aabb0g") << false;
        QTest::newRow("between 9 and A") << QByteArray(":AABB0@") << false;
        QTest::newRow("space") << QByteArray(":AA BB0") << false;
        QTest::newRow("sync frame") << QByteArray::fromHex("FF0541420D0A00") << false;
        QTest::newRow("zero byte") << QByteArray(":AABB0\0", 7) << false;
    }

    void line_text()
    {
        QFETCH(QByteArray, batch);
        QTEST(orb::is_line_text(batch), "text");
    }
};

QTEST_APPLESS_MAIN(tst_rx_line)
#include "tst_rx_line.moc"
