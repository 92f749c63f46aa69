#include "protocol/convert.h"
#include "protocol/param_data.h"
#include "protocol/status_data.h"

#include <QtTest>

using namespace orb;

class tst_records : public QObject
{
    Q_OBJECT

private slots:
    void param_field_data();
    void param_field();
    void status_field_data();
    void status_field();
    void round_trip();
    void short_payload_data();
    void short_payload();
    void state_line_data();
    void state_line();
    void interval_data();
    void interval();
    void rain_data();
    void rain();
    void form_fits_data();
    void form_fits();
    void form_overflow_data();
    void form_overflow();
};

// A zero record with the given bytes at offset: the one field there must change, and no other.
static QByteArray record_with(int size, int offset, const QByteArray &bytes)
{
    QByteArray out(size, '\0');
    out.replace(offset, bytes.size(), bytes);
    return out;
}

// The log lines of two records that differ.
static QStringList changed_lines(const QStringList &base, const QStringList &lines)
{
    QStringList out;
    for (int i = 0; i < lines.size() && i < base.size(); ++i) {
        if (lines.at(i) != base.at(i))
            out << lines.at(i);
    }
    return out;
}

void tst_records::param_field_data()
{
    QTest::addColumn<int>("offset");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("line");

    const QByteArray b8 = QByteArray::fromHex("a5");
    const QByteArray b16 = QByteArray::fromHex("3412");
    const QByteArray b32 = QByteArray::fromHex("78563412");
    QTest::newRow("addr_cam") << 0 << b8 << "addr_cam 165";
    QTest::newRow("time_interval") << 1 << b16 << "time_interval 4660";
    QTest::newRow("time_interval_rain") << 3 << b16 << "time_interval_rain 4660";
    QTest::newRow("time_washout") << 5 << b32 << "time_washout 305419896";
    QTest::newRow("time_pause_washout")
        << 9 << QByteArray::fromHex("ffffffff") << "time_pause_washout 4294967295";
    QTest::newRow("time_move") << 13 << b16 << "time_move 4660";
    QTest::newRow("time_tur_1") << 15 << b16 << "time_tur_1 4660";
    QTest::newRow("time_wiper") << 17 << b16 << "time_wiper 4660";
    QTest::newRow("preset_move") << 19 << b16 << "preset_move 4660";
    QTest::newRow("preset_wiper") << 21 << b16 << "preset_wiper 4660";
    QTest::newRow("min_voltage") << 23 << b16 << "min_voltage 4660";
    QTest::newRow("max_voltage") << 25 << QByteArray::fromHex("ffff") << "max_voltage 65535";
    QTest::newRow("wiper_not_active") << 27 << b8 << "wiper_not_active 165";
    QTest::newRow("normal_sensor_rain") << 28 << b8 << "normal_sensor_rain 165";
    QTest::newRow("normal_Preset_Initial_Pos") << 29 << b8 << "normal_Preset_Initial_Pos 165";
    QTest::newRow("normal_Work_Reg_Cam") << 30 << b8 << "normal_Work_Reg_Cam 165";
    QTest::newRow("normal_Num_Tour") << 31 << b8 << "normal_Num_Tour 165";
    QTest::newRow("normal_Num_Scan") << 32 << b8 << "normal_Num_Scan 165";
    QTest::newRow("normal_Num_Pattern")
        << 33 << QByteArray::fromHex("ff") << "normal_Num_Pattern 255";
}

void tst_records::param_field()
{
    QFETCH(int, offset);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, line);

    const QByteArray raw = record_with(Param_data::size, offset, bytes);
    Param_data d;
    QVERIFY(Param_data::decode(raw, &d));
    const QStringList lines = d.log_lines();
    QCOMPARE(lines.size(), 19);
    QCOMPARE(changed_lines(Param_data().log_lines(), lines), QStringList{line});
    QCOMPARE(d.encode(), raw);
}

void tst_records::status_field_data()
{
    QTest::addColumn<int>("offset");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("line"); // empty: the field has no log line

    const QByteArray b32 = QByteArray::fromHex("78563412");
    QTest::newRow("state 2") << 0 << QByteArray::fromHex("0200")
                             << QString::fromUtf8("state Пауза");
    QTest::newRow("state 0x0107") << 0 << QByteArray::fromHex("0701") << "state unknown state 263";
    QTest::newRow("elapsed_time_washout") << 2 << b32 << "elapsed_time_washout 305419896";
    QTest::newRow("elapsed_time_washout_pause 15999")
        << 6 << QByteArray::fromHex("7f3e0000") << "elapsed_time_washout_pause 15";
    QTest::newRow("elapsed_time_washout_pause 999")
        << 6 << QByteArray::fromHex("e7030000") << QString();
    QTest::newRow("elapsed_time_damaged") << 10 << b32 << "elapsed_time_damaged 305419896";
    QTest::newRow("elapsed_time_wiper") << 14 << b32 << "elapsed_time_wiper 305419896";
    QTest::newRow("measuring_voltage")
        << 18 << QByteArray::fromHex("3412") << "measuring_voltage 4660";
    QTest::newRow("flag_lvl ff") << 20 << QByteArray::fromHex("ff") << "flag_lvl -1";
    QTest::newRow("flag_rain ff") << 21 << QByteArray::fromHex("ff") << "flag_rain -1";
    QTest::newRow("flag_rain 80") << 21 << QByteArray::fromHex("80") << "flag_rain -128";
    QTest::newRow("alarm_in") << 22 << QByteArray::fromHex("01") << QString();
}

void tst_records::status_field()
{
    QFETCH(int, offset);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, line);

    const QByteArray raw = record_with(Status_data::size, offset, bytes);
    Status_data d;
    QVERIFY(Status_data::decode(raw, &d));
    const QStringList lines = d.log_lines();
    QCOMPARE(lines.size(), 8);
    QCOMPARE(changed_lines(Status_data().log_lines(), lines),
             line.isEmpty() ? QStringList() : QStringList{line});
    QCOMPARE(d.alarm_in, quint8(offset == 22 ? 1 : 0));
    QCOMPARE(d.encode(), raw);
}

void tst_records::round_trip()
{
    QByteArray raw;
    for (int i = 0; i < Param_data::size; ++i)
        raw.append(char(0x80 + i));
    Param_data p;
    QVERIFY(Param_data::decode(raw + "tail", &p));
    QCOMPARE(p.time_washout, quint32(0x88878685));
    QCOMPARE(p.normal_Num_Pattern, quint8(0xA1));
    QCOMPARE(p.encode(), raw);

    Status_data s;
    QVERIFY(Status_data::decode(raw, &s));
    QCOMPARE(s.state, quint16(0x8180));
    QCOMPARE(s.flag_lvl, qint8(-108)); // 0x94
    QCOMPARE(s.encode(), raw.left(Status_data::size));
}

void tst_records::short_payload_data()
{
    QTest::addColumn<int>("length");
    QTest::newRow("0") << 0;
    QTest::newRow("1") << 1;
    QTest::newRow("22") << 22;
    QTest::newRow("23") << 23;
    QTest::newRow("33") << 33;
}

// A refused decode leaves the caller's record as it was.
void tst_records::short_payload()
{
    QFETCH(int, length);
    const QByteArray raw(length, '\x7f');

    Param_data p;
    p.time_interval = 42;
    QCOMPARE(Param_data::decode(raw, &p), length >= Param_data::size);
    QCOMPARE(p.time_interval, quint16(42));

    Status_data s;
    s.state = 42;
    QCOMPARE(Status_data::decode(raw, &s), length >= Status_data::size);
    QCOMPARE(s.state, quint16(length >= Status_data::size ? 0x7f7f : 42));
}

void tst_records::state_line_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<quint32>("pause_ms");
    QTest::addColumn<QString>("text");

    QTest::newRow("pause 15999") << 2 << quint32(15999)
                                 << QString::fromUtf8("Пауза, осталось:  15 сек.");
    QTest::newRow("washing") << 1 << quint32(60000)
                             << QString::fromUtf8("Помывка, осталось:  60 сек.");
    QTest::newRow("init, under a second")
        << 0 << quint32(999) << QString::fromUtf8("Инициализация, осталось:  0 сек.");
    QTest::newRow("state 7") << 7 << quint32(0)
                             << QString::fromUtf8("unknown state 7, осталось:  0 сек.");
    QTest::newRow("state 65535, largest pause")
        << 65535 << quint32(0xFFFFFFFF)
        << QString::fromUtf8("unknown state 65535, осталось:  4294967 сек.");
}

void tst_records::state_line()
{
    QFETCH(int, state);
    QFETCH(quint32, pause_ms);
    QFETCH(QString, text);

    Status_data s;
    s.state = quint16(state);
    s.elapsed_time_washout_pause = pause_ms;
    QCOMPARE(s.state_line(), text);
    QCOMPARE(s.log_lines().first(), QStringLiteral("state ") + state_text(state));
}

void tst_records::interval_data()
{
    QTest::addColumn<quint16>("seconds");
    QTest::addColumn<int>("hour");
    QTest::addColumn<int>("min");

    QTest::newRow("65535") << quint16(65535) << 18 << 12;
    QTest::newRow("9000") << quint16(9000) << 2 << 30;
    QTest::newRow("3599") << quint16(3599) << 0 << 59;
    QTest::newRow("3600") << quint16(3600) << 1 << 0;
    QTest::newRow("59") << quint16(59) << 0 << 0;
    QTest::newRow("0") << quint16(0) << 0 << 0;
}

void tst_records::interval()
{
    QFETCH(quint16, seconds);
    QFETCH(int, hour);
    QFETCH(int, min);

    const Interval form = interval_to_form(seconds);
    QCOMPARE(form.day, 0);
    QCOMPARE(form.hour, hour);
    QCOMPARE(form.min, min);
    // Back to seconds loses only what was below a whole minute.
    QCOMPARE(interval_seconds(form.day, form.hour, form.min), qint64(seconds - seconds % 60));
}

void tst_records::rain_data()
{
    QTest::addColumn<quint16>("seconds");
    QTest::addColumn<int>("minutes");

    QTest::newRow("59") << quint16(59) << 0;
    QTest::newRow("300") << quint16(300) << 5;
    QTest::newRow("330") << quint16(330) << 5;
    QTest::newRow("65535") << quint16(65535) << 1092;
}

void tst_records::rain()
{
    QFETCH(quint16, seconds);
    QFETCH(int, minutes);
    QCOMPARE(rain_to_form(seconds), minutes);
    QCOMPARE(rain_seconds(minutes), qint64(seconds - seconds % 60));
}

// Sets form values by their Param_form member names.
static void set_form(Param_form &form, const QVariantMap &values)
{
    static const QHash<QString, int Param_form::*> members{
        {"address_ptz", &Param_form::address_ptz},
        {"day", &Param_form::day},
        {"hour", &Param_form::hour},
        {"min", &Param_form::min},
        {"interval_rain", &Param_form::interval_rain},
        {"interval_washout", &Param_form::interval_washout},
        {"preset_move", &Param_form::preset_move},
        {"normal_sensor_rain", &Param_form::normal_sensor_rain},
        {"preset_init_pos", &Param_form::preset_init_pos},
        {"work_reg", &Param_form::work_reg},
        {"num_tour", &Param_form::num_tour},
        {"num_pattern", &Param_form::num_pattern},
    };
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        if (it.key() == QLatin1String("wiper_not_active")) {
            form.wiper_not_active = it.value().toBool();
            continue;
        }
        QVERIFY2(members.contains(it.key()), qPrintable(it.key()));
        form.*members.value(it.key()) = it.value().toInt();
    }
}

void tst_records::form_fits_data()
{
    QTest::addColumn<QVariantMap>("form");
    QTest::addColumn<int>("offset");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("2 h 30 min") << QVariantMap{{"hour", 2}, {"min", 30}} << 1
                                << QByteArray::fromHex("2823");
    QTest::newRow("18 h 12 min, largest")
        << QVariantMap{{"hour", 18}, {"min", 12}} << 1 << QByteArray::fromHex("f0ff");
    QTest::newRow("rain 5 min") << QVariantMap{{"interval_rain", 5}} << 3
                                << QByteArray::fromHex("2c01");
    QTest::newRow("rain 1092 min, largest")
        << QVariantMap{{"interval_rain", 1092}} << 3 << QByteArray::fromHex("f0ff");
    QTest::newRow("washout 100000 s")
        << QVariantMap{{"interval_washout", 100000}} << 5 << QByteArray::fromHex("a0860100");
    QTest::newRow("preset_move 65535")
        << QVariantMap{{"preset_move", 65535}} << 19 << QByteArray::fromHex("ffff");
    QTest::newRow("addr_cam 255") << QVariantMap{{"address_ptz", 255}} << 0
                                  << QByteArray::fromHex("ff");
    QTest::newRow("sensor item 1 sends 1")
        << QVariantMap{{"normal_sensor_rain", 1}} << 28 << QByteArray::fromHex("01");
    QTest::newRow("sensor item 5 sends 1")
        << QVariantMap{{"normal_sensor_rain", 5}} << 28 << QByteArray::fromHex("01");
    QTest::newRow("wiper off sends 1")
        << QVariantMap{{"wiper_not_active", true}} << 27 << QByteArray::fromHex("01");
    QTest::newRow("work mode 3") << QVariantMap{{"work_reg", 3}} << 30 << QByteArray::fromHex("03");
}

void tst_records::form_fits()
{
    QFETCH(QVariantMap, form);
    QFETCH(int, offset);
    QFETCH(QByteArray, bytes);

    Param_form f;
    set_form(f, form);
    Param_data d;
    d.time_pause_washout = 7; // a write never carries what a read returned
    d.min_voltage = 7;
    Param_overflow overflow;
    QVERIFY(param_from_form(f, &d, &overflow));
    QCOMPARE(d.encode(), record_with(Param_data::size, offset, bytes));
}

void tst_records::form_overflow_data()
{
    QTest::addColumn<QVariantMap>("form");
    QTest::addColumn<QString>("field");
    QTest::addColumn<qint64>("value");
    QTest::addColumn<qint64>("max");

    QTest::newRow("addr_cam 256") << QVariantMap{{"address_ptz", 256}} << "addr_cam" << qint64(256)
                                  << qint64(255);
    QTest::newRow("1 day") << QVariantMap{{"day", 1}} << "time_interval" << qint64(86400)
                           << qint64(65535);
    QTest::newRow("18 h 13 min") << QVariantMap{{"hour", 18}, {"min", 13}} << "time_interval"
                                 << qint64(65580) << qint64(65535);
    QTest::newRow("364 d 23 h 59 min") << QVariantMap{{"day", 364}, {"hour", 23}, {"min", 59}}
                                       << "time_interval" << qint64(31535940) << qint64(65535);
    QTest::newRow("rain 1093 min") << QVariantMap{{"interval_rain", 1093}} << "time_interval_rain"
                                   << qint64(1093) << qint64(1092);
    QTest::newRow("preset_move 65536")
        << QVariantMap{{"preset_move", 65536}} << "preset_move" << qint64(65536) << qint64(65535);
    QTest::newRow("washout negative") << QVariantMap{{"interval_washout", -1}} << "time_washout"
                                      << qint64(-1) << qint64(0xFFFFFFFF);
    QTest::newRow("preset init 256") << QVariantMap{{"preset_init_pos", 256}}
                                     << "normal_Preset_Initial_Pos" << qint64(256) << qint64(255);
    QTest::newRow("work mode 256")
        << QVariantMap{{"work_reg", 256}} << "normal_Work_Reg_Cam" << qint64(256) << qint64(255);
    QTest::newRow("pattern 256") << QVariantMap{{"num_pattern", 256}} << "normal_Num_Pattern"
                                 << qint64(256) << qint64(255);
    QTest::newRow("first in record order") << QVariantMap{{"num_pattern", 256}, {"day", 2}}
                                           << "time_interval" << qint64(172800) << qint64(65535);
}

void tst_records::form_overflow()
{
    QFETCH(QVariantMap, form);
    QFETCH(QString, field);
    QFETCH(qint64, value);
    QFETCH(qint64, max);

    Param_form f;
    set_form(f, form);
    Param_data d;
    d.time_interval = 42;
    Param_overflow overflow;
    QVERIFY(!param_from_form(f, &d, &overflow));
    QCOMPARE(overflow.field, field);
    QCOMPARE(overflow.value, value);
    QCOMPARE(overflow.max, max);
    QCOMPARE(d.time_interval, quint16(42));
}

QTEST_APPLESS_MAIN(tst_records)
#include "tst_records.moc"
