#include "protocol/address_list.h"

#include <QtTest>

class tst_address_list : public QObject
{
    Q_OBJECT

private slots:
    void parse_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("list"); // the addresses, comma-joined
        QTest::addColumn<QString>("why");  // or a piece of the reason it is refused
        // clang-format off
        QTest::newRow("range") << "1-4" << "1,2,3,4" << "";
        QTest::newRow("one-address range") << "9-9" << "9" << "";
        QTest::newRow("mixed, order kept") << "20-22,12,1-3" << "20,21,22,12,1,2,3" << "";
        QTest::newRow("spaces") << " 3 , 5 - 6 " << "3,5,6" << "";
        QTest::newRow("leading zeros") << "007,010" << "7,10" << "";
        QTest::newRow("whole bus") << "250-254,255,0-1" << "250,251,252,253,254,255,0,1" << "";
        QTest::newRow("empty item") << "1,,2" << "" << "an empty item";
        QTest::newRow("256") << "256" << "" << "256 is past 255";
        QTest::newRow("range past 255") << "250-300" << "" << "250-300 is past 255";
        QTest::newRow("four digits") << "1000" << "" << "1000 is not an address";
        QTest::newRow("negative") << "-1" << "" << "-1 is not an address";
        QTest::newRow("backwards") << "8-1" << "" << "range 8-1 runs backwards";
        QTest::newRow("duplicate") << "1,2,1" << "" << "1 is given twice";
        QTest::newRow("overlapping ranges") << "1-5,4-8" << "" << "4 is given twice";
        QTest::newRow("open range") << "3-" << "" << "3- is not an address";
        QTest::newRow("hex") << "0x10" << "" << "0x10 is not an address";
        QTest::newRow("two dashes") << "1-2-3" << "" << "1-2-3 is not an address";
        // clang-format on
    }

    // A refusal leaves the list as it was.
    void parse()
    {
        QFETCH(QString, text);
        QFETCH(QString, list);
        QFETCH(QString, why);
        QVector<quint8> out{42};
        QString reason;
        QCOMPARE(orb::parse_address_list(text, &out, &reason), why.isEmpty());
        QVERIFY2(reason.contains(why), qPrintable(reason));
        QStringList shown;
        for (const quint8 a : qAsConst(out))
            shown << QString::number(a);
        QCOMPARE(shown.join(','), why.isEmpty() ? list : QStringLiteral("42"));
    }
};

QTEST_APPLESS_MAIN(tst_address_list)
#include "tst_address_list.moc"
