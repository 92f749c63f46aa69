#include "protocol/convert.h"
#include "protocol/param_data.h"
#include "protocol/status_data.h"

#include <QtTest>

using namespace orb;

// Control objectNames with their values.
using Controls = QList<QPair<QString, int>>;
Q_DECLARE_METATYPE(Controls)

namespace {

// Bytes from..from+n-1: each field has bytes of its own, all with the top bit set.
QByteArray counting(int from, int n)
{
    QByteArray raw;
    for (int i = 0; i < n; ++i)
        raw.append(char(from + i));
    return raw;
}

} // namespace

class tst_records : public QObject
{
    Q_OBJECT

private slots:
    void param_record_data()
    {
        QTest::addColumn<QByteArray>("raw");
        QTest::addColumn<QStringList>("lines"); // empty: refused
        const QStringList counted = {"addr_cam 128",
                                     "time_interval 33409",
                                     "time_interval_rain 33923",
                                     "time_washout 2290583173",
                                     "time_pause_washout 2357955209",
                                     "time_move 36493",
                                     "time_tur_1 37007",
                                     "time_wiper 37521",
                                     "preset_move 38035",
                                     "preset_wiper 38549",
                                     "min_voltage 39063",
                                     "max_voltage 39577",
                                     "wiper_not_active 155",
                                     "normal_sensor_rain 156",
                                     "normal_Preset_Initial_Pos 157",
                                     "normal_Work_Reg_Cam 158",
                                     "normal_Num_Tour 159",
                                     "normal_Num_Scan 160",
                                     "normal_Num_Pattern 161"};
        QTest::newRow("80..A1") << counting(0x80, 34) << counted;
        QTest::newRow("80..A2, one past the record") << counting(0x80, 35) << counted;
        QTest::newRow("80..A0, one short") << counting(0x80, 33) << QStringList();
        QTest::newRow("empty") << QByteArray() << QStringList();
        // Each field at its largest, its neighbours 0: a field that ran over its width would show.
        QTest::newRow("largest, zero between")
            << QByteArray::fromHex(
                   "FF0000FFFF00000000FFFFFFFF0000FFFF0000FFFF0000FFFF0000FF00FF00FF00FF")
            << QStringList({"addr_cam 255", "time_interval 0", "time_interval_rain 65535",
                            "time_washout 0", "time_pause_washout 4294967295", "time_move 0",
                            "time_tur_1 65535", "time_wiper 0", "preset_move 65535",
                            "preset_wiper 0", "min_voltage 65535", "max_voltage 0",
                            "wiper_not_active 255", "normal_sensor_rain 0",
                            "normal_Preset_Initial_Pos 255", "normal_Work_Reg_Cam 0",
                            "normal_Num_Tour 255", "normal_Num_Scan 0", "normal_Num_Pattern 255"});
    }

    void param_record()
    {
        QFETCH(QByteArray, raw);
        QFETCH(QStringList, lines);
        Param_data p;
        p.normal_Num_Pattern = 7;
        QCOMPARE(Param_data::decode(raw, &p), !lines.isEmpty());
        if (lines.isEmpty()) { // the record is left as it was
            QCOMPARE(p.encode(), QByteArray(Param_data::size - 1, '\0') + '\x07');
            return;
        }
        QCOMPARE(p.log_lines(), lines);
        QCOMPARE(p.encode(), raw.left(Param_data::size));
        // Field by field, as orbctl reads and sets them.
        Param_data q;
        for (int i = 0; i < param_field_count; ++i)
            q.set_value(i, p.value(i));
        QCOMPARE(q.encode(), raw.left(Param_data::size));
    }

    void status_record()
    {
        const QByteArray raw = counting(0x80, 24);
        Status_data s;
        QVERIFY(!Status_data::decode(raw.left(Status_data::size - 1), &s));
        QCOMPARE(s.encode(), QByteArray(Status_data::size, '\0'));
        QVERIFY(Status_data::decode(raw, &s)); // bytes past the record are ignored
        QCOMPARE(s.log_lines(),
                 QStringList({"state unknown state 33152", "elapsed_time_washout 2240054146",
                              "elapsed_time_washout_pause 2307426",
                              "elapsed_time_damaged 2374798218", "elapsed_time_wiper 2442170254",
                              "measuring_voltage 37778", "flag_lvl -108", "flag_rain -107"}));
        QCOMPARE(s.encode(), raw.left(Status_data::size));
        QCOMPARE(s.state_line(), QString::fromUtf8("unknown state 33152, осталось:  2307426 сек."));
        QCOMPARE(state_text(0) + state_text(1) + state_text(2),
                 QString::fromUtf8("ИнициализацияПомывкаПауза"));
    }

    void from_form_data()
    {
        QTest::addColumn<Controls>("controls");
        // The payload's hex, or the first value that does not fit: "field value max".
        QTest::addColumn<QString>("result");
        // clang-format off
        // A form of everyday values goes through the real window in tst_commands::round_trip.
        QTest::newRow("largest that fit")
            << Controls{{"sb_address_ptz", 255}, {"sb_hour", 18}, {"sb_min", 12},
                        {"sb_time_interval_rain", 1092}, {"sb_interval_washout", 0x7FFFFFFF}}
            << "fff0fff0ffffffff7f" + QString(50, '0');
        QTest::newRow("flags from any other value")
            << Controls{{"cb_wiper_not_active", 7}, {"cb_normal_sensor_rain", -1}}
            << QString(54, '0') + "01010000000000";
        QTest::newRow("addr_cam 256") << Controls{{"sb_address_ptz", 256}} << "addr_cam 256 255";
        QTest::newRow("1 day") << Controls{{"sb_day", 1}} << "time_interval 86400 65535";
        QTest::newRow("18 h 13 min") << Controls{{"sb_hour", 18}, {"sb_min", 13}} << "time_interval 65580 65535";
        QTest::newRow("rain 1093 min") << Controls{{"sb_time_interval_rain", 1093}} << "time_interval_rain 1093 1092";
        QTest::newRow("no work mode chosen") << Controls{{"cm_WorkReg", -1}} << "normal_Work_Reg_Cam -1 255";
        QTest::newRow("num_pattern 256") << Controls{{"sb_NumPattern", 256}} << "normal_Num_Pattern 256 255";
        QTest::newRow("first in record order") << Controls{{"sb_NumPattern", 256}, {"sb_day", 2}} << "time_interval 172800 65535";
        // clang-format on
    }

    // A field without a control goes out as 0 all the same; a refused form leaves the record.
    void from_form()
    {
        QFETCH(Controls, controls);
        QFETCH(QString, result);
        Param_form form;
        for (const auto &c : controls) {
            int *v = form.at(c.first.toLatin1().constData());
            QVERIFY2(v, qPrintable(c.first));
            *v = c.second;
        }
        Param_data d;
        d.time_tur_1 = 1;
        Param_overflow o;
        if (param_from_form(form, &d, &o))
            QCOMPARE(QString(d.encode().toHex()), result);
        else
            QCOMPARE(QStringLiteral("%1 %2 %3").arg(o.field).arg(o.value).arg(o.max), result);
        QCOMPARE(d.time_tur_1, quint16(result.contains(' ') ? 1 : 0));
    }

    void to_control_data()
    {
        QTest::addColumn<int>("conv");
        QTest::addColumn<uint>("value"); // in the field
        QTest::addColumn<int>("control");
        QTest::newRow("plain 65535") << int(Param_conv::plain) << 65535u << 65535;
        QTest::newRow("flag 0x80") << int(Param_conv::flag) << 0x80u << 1;
        QTest::newRow("flag 0") << int(Param_conv::flag) << 0u << 0;
        QTest::newRow("rain 330 s, not rounded") << int(Param_conv::rain_minutes) << 330u << 5;
        QTest::newRow("65535 s: days") << int(Param_conv::days) << 65535u << 0;
        QTest::newRow("65535 s: hours") << int(Param_conv::hours) << 65535u << 18;
        QTest::newRow("65535 s: minutes") << int(Param_conv::minutes) << 65535u << 12;
        QTest::newRow("3599 s: minutes, not rounded") << int(Param_conv::minutes) << 3599u << 59;
    }

    void to_control()
    {
        QFETCH(int, conv);
        QFETCH(uint, value);
        QTEST(param_to_control(Param_conv(conv), value), "control");
    }
};

QTEST_APPLESS_MAIN(tst_records)
#include "tst_records.moc"
