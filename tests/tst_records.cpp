#include "protocol/convert.h"
#include "protocol/param_data.h"
#include "protocol/status_data.h"

#include <QtTest>

using namespace orb;

Q_DECLARE_METATYPE(orb::Param_form)

class tst_records : public QObject
{
    Q_OBJECT

private slots:
    void decode();
    void conversions();
    void overflow_data();
    void overflow();
};

// Bytes 80 81 ... A1: each field has bytes of its own, all with the top bit set.
void tst_records::decode()
{
    QByteArray raw;
    for (int i = 0; i < Param_data::size; ++i)
        raw.append(char(0x80 + i));
    // One byte short is refused, and the record is left as it was.
    Param_data p;
    Status_data s;
    QVERIFY(!Param_data::decode(raw.left(Param_data::size - 1), &p));
    QVERIFY(!Status_data::decode(raw.left(Status_data::size - 1), &s));
    QCOMPARE(p.encode() + s.encode(), QByteArray(Param_data::size + Status_data::size, '\0'));

    QVERIFY(Param_data::decode(raw, &p));
    QCOMPARE(p.log_lines(),
             QStringList({"addr_cam 128", "time_interval 33409", "time_interval_rain 33923",
                          "time_washout 2290583173", "time_pause_washout 2357955209",
                          "time_move 36493", "time_tur_1 37007", "time_wiper 37521",
                          "preset_move 38035", "preset_wiper 38549", "min_voltage 39063",
                          "max_voltage 39577", "wiper_not_active 155", "normal_sensor_rain 156",
                          "normal_Preset_Initial_Pos 157", "normal_Work_Reg_Cam 158",
                          "normal_Num_Tour 159", "normal_Num_Scan 160", "normal_Num_Pattern 161"}));
    QCOMPARE(p.encode(), raw);

    QVERIFY(Status_data::decode(raw, &s)); // bytes past the record are ignored
    QCOMPARE(s.log_lines(),
             QStringList({"state unknown state 33152", "elapsed_time_washout 2240054146",
                          "elapsed_time_washout_pause 2307426", "elapsed_time_damaged 2374798218",
                          "elapsed_time_wiper 2442170254", "measuring_voltage 37778",
                          "flag_lvl -108", "flag_rain -107"}));
    QCOMPARE(s.encode(), raw.left(Status_data::size));
    QCOMPARE(s.state_line(), QString::fromUtf8("unknown state 33152, осталось:  2307426 сек."));
    QCOMPARE(state_text(0) + state_text(1) + state_text(2),
             QString::fromUtf8("ИнициализацияПомывкаПауза"));
}

void tst_records::conversions()
{
    const Interval a = interval_to_form(65535), b = interval_to_form(9000),
                   c = interval_to_form(3599);
    QCOMPARE(QList<int>({a.day, a.hour, a.min, b.day, b.hour, b.min, c.hour, c.min}),
             QList<int>({0, 18, 12, 0, 2, 30, 0, 59}));
    QCOMPARE(interval_seconds(0, 2, 30), qint64(9000));
    QCOMPARE(interval_seconds(1, 0, 1), qint64(86460));
    QCOMPARE(QList<int>({rain_to_form(59), rain_to_form(330)}), QList<int>({0, 5}));
    QCOMPARE(rain_seconds(1092), qint64(65520));
}

void tst_records::overflow_data()
{
    QTest::addColumn<Param_form>("form");
    QTest::addColumn<QString>("field");
    QTest::addColumn<qint64>("value");
    QTest::addColumn<qint64>("max");
    // clang-format off
    const auto with = [](int Param_form::*field, int value, Param_form form = {}) { form.*field = value; return form; };
    QTest::newRow("addr_cam 256") << with(&Param_form::address_ptz, 256) << "addr_cam" << 256LL << 255LL;
    QTest::newRow("1 day") << with(&Param_form::day, 1) << "time_interval" << 86400LL << 65535LL;
    QTest::newRow("18 h 13 min") << with(&Param_form::min, 13, with(&Param_form::hour, 18)) << "time_interval" << 65580LL << 65535LL;
    QTest::newRow("rain 1093 min") << with(&Param_form::interval_rain, 1093) << "time_interval_rain" << 1093LL << 1092LL;
    QTest::newRow("first in record order") << with(&Param_form::day, 2, with(&Param_form::num_pattern, 256)) << "time_interval" << 172800LL << 65535LL;
    // clang-format on
}

void tst_records::overflow()
{
    QFETCH(Param_form, form);
    Param_data d;
    Param_overflow overflow;
    QVERIFY(!param_from_form(form, &d, &overflow));
    QTEST(overflow.field, "field");
    QTEST(overflow.value, "value");
    QTEST(overflow.max, "max");
}

QTEST_APPLESS_MAIN(tst_records)
#include "tst_records.moc"
