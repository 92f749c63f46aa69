#include "protocol/line_reader.h"

#include <QtTest>

using Lines = QVector<QByteArray>;
Q_DECLARE_METATYPE(Lines)

class tst_line_reader : public QObject
{
    Q_OBJECT

private slots:
    void feed_data()
    {
        // The batches fed to one reader in turn (an empty one stands for reset()), the lines it
        // gives and its notes on what it threw away.
        QTest::addColumn<QByteArrayList>("batches");
        QTest::addColumn<Lines>("lines");
        QTest::addColumn<QStringList>("notes");
        const int cap = orb::Line_reader::cap;
        const QByteArray full(cap, 'A');
        const QString longer = QStringLiteral("line longer than %1 chars dropped").arg(cap);
        // clang-format off
        QTest::newRow("CR ends a line") << QByteArrayList{":0102\r"} << Lines{"0102"} << QStringList{};
        QTest::newRow("LF ends a line") << QByteArrayList{":0102\n"} << Lines{"0102"} << QStringList{};
        QTest::newRow("CR LF is one line end") << QByteArrayList{":01\r\n:02\r\n"} << Lines{"01", "02"} << QStringList{};
        QTest::newRow("empty line") << QByteArrayList{":\r"} << Lines{""} << QStringList{};
        QTest::newRow("line end without a colon") << QByteArrayList{"\r\n\n"} << Lines{} << QStringList{};
        QTest::newRow("cut across batches") << QByteArrayList{":AA", "BB", "\r"} << Lines{"AABB"} << QStringList{};
        QTest::newRow("garbage before the colon") << QByteArrayList{QByteArray("\xff\0z:AB\n", 7)} << Lines{"AB"} << QStringList{"3 bytes outside a line skipped"};
        QTest::newRow("garbage after the line end") << QByteArrayList{":AB\rzz"} << Lines{"AB"} << QStringList{"2 bytes outside a line skipped"};
        QTest::newRow("a colon starts afresh") << QByteArrayList{":12:34\r"} << Lines{"34"} << QStringList{"unfinished line of 2 chars dropped"};
        QTest::newRow("two colons drop nothing") << QByteArrayList{"::34\r"} << Lines{"34"} << QStringList{};
        QTest::newRow("unfinished at the end") << QByteArrayList{":12"} << Lines{} << QStringList{};
        QTest::newRow("reset forgets the line") << QByteArrayList{":12", "", "34\r"} << Lines{} << QStringList{"2 bytes outside a line skipped"};
        QTest::newRow("bytes pass as they are") << QByteArrayList{QByteArray(":\0\xff", 3) + '\n'} << Lines{QByteArray("\0\xff", 2)} << QStringList{};
        QTest::newRow("line of the cap") << QByteArrayList{':' + full + '\r'} << Lines{full} << QStringList{};
        QTest::newRow("line one over the cap") << QByteArrayList{':' + full + "B\r"} << Lines{} << QStringList{longer, "1 bytes outside a line skipped"};
        QTest::newRow("over the cap, then a line") << QByteArrayList{':' + full + "BCDE:12\n"} << Lines{"12"} << QStringList{longer, "4 bytes outside a line skipped"};
        QTest::newRow("over the cap in pieces") << QByteArrayList{':' + full + 'B', "C", "\n:3\r"} << Lines{"3"} << QStringList{longer, "1 bytes outside a line skipped", "1 bytes outside a line skipped"};
        // clang-format on
    }

    void feed()
    {
        QFETCH(QByteArrayList, batches);
        orb::Line_reader reader;
        Lines lines;
        QStringList notes;
        for (const QByteArray &batch : batches) {
            if (batch.isEmpty())
                reader.reset();
            else
                reader.feed(batch, &lines, &notes);
        }
        QTEST(lines, "lines");
        QTEST(notes, "notes");
    }
};

QTEST_APPLESS_MAIN(tst_line_reader)
#include "tst_line_reader.moc"
