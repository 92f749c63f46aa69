#include "values.h"

#include <QtTest>

#include <algorithm>

// orbctl's value parsers as functions: what set, write and the options accept and refuse.
class tst_values : public QObject
{
    Q_OBJECT

private slots:
    void field_value_data();
    void field_value();
    void field_refusal_data();
    void field_refusal();
    void assignment_data();
    void assignment();
    void param_file_data();
    void param_file();
    void count_data();
    void count();
    void duration_data();
    void duration();
};

namespace {

// "name=value" for each assignment, sorted: JSON objects come in key order, not file order.
QStringList shown(const QVector<Assignment> &list)
{
    QStringList out;
    for (const Assignment &a : list)
        out << QStringLiteral("%1=%2")
                   .arg(QLatin1String(orb::param_fields[a.field].name))
                   .arg(a.value);
    std::sort(out.begin(), out.end());
    return out;
}

const QString neither = QStringLiteral(" is neither a number of seconds nor a duration like "
                                       "90s, 15m, 2h30m");

} // namespace

void tst_values::field_value_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<quint32>("value");
    QTest::newRow("plain seconds") << "time_move"
                                   << "5" << 5u;
    QTest::newRow("leading zeros") << "time_move"
                                   << "007" << 7u;
    QTest::newRow("seconds unit") << "time_washout"
                                  << "90s" << 90u;
    QTest::newRow("minutes") << "time_wiper"
                             << "15m" << 900u;
    QTest::newRow("hours and minutes") << "time_interval"
                                       << "2h30m" << 9000u;
    QTest::newRow("hours and seconds") << "time_interval_rain"
                                       << "1h1s" << 3601u;
    QTest::newRow("zero duration") << "time_interval"
                                   << "0s" << 0u;
    QTest::newRow("16 bits largest as duration") << "time_interval"
                                                 << "18h12m15s" << 65535u;
    QTest::newRow("8 bits largest") << "normal_Num_Pattern"
                                    << "255" << 255u;
    QTest::newRow("32 bits largest") << "time_washout"
                                     << "4294967295" << 4294967295u;
    QTest::newRow("32 bits, count") << "time_pause_washout"
                                    << "4294967295" << 4294967295u;
}

void tst_values::field_value()
{
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(quint32, value);
    quint32 out = 0;
    QString why;
    QVERIFY2(parse_field_value(orb::param_field_index(field), text, &out, &why), qPrintable(why));
    QCOMPARE(out, value);
}

void tst_values::field_refusal_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("why");
    QTest::newRow("8 bits too big") << "addr_cam"
                                    << "256"
                                    << "addr_cam: 256 does not fit, the largest is 255";
    QTest::newRow("16 bits too big, duration")
        << "time_interval"
        << "18h12m16s"
        << "time_interval: 18h12m16s does not fit, the largest is 65535 (18h12m15s)";
    QTest::newRow("32 bits too big, seconds")
        << "time_washout"
        << "4294967296"
        << "time_washout: 4294967296 does not fit, the largest is 4294967295 (1193046h28m15s)";
    QTest::newRow("huge number")
        << "preset_move"
        << "99999999999999999999999"
        << "preset_move: 99999999999999999999999 does not fit, the largest is 65535";
    QTest::newRow("huge duration") << "time_move"
                                   << "999999999999h"
                                   << "time_move: 999999999999h does not fit, the "
                                      "largest is 65535 (18h12m15s)";
    QTest::newRow("negative") << "preset_move"
                              << "-1"
                              << "preset_move: -1 is negative";
    QTest::newRow("negative duration") << "time_move"
                                       << "-1m"
                                       << "time_move: -1m is negative";
    QTest::newRow("fraction") << "time_move"
                              << "1.5"
                              << "time_move: 1.5 is not a whole number";
    QTest::newRow("decimal comma") << "preset_move"
                                   << "1,5"
                                   << "preset_move: 1,5 is not a whole number";
    QTest::newRow("fractional duration") << "time_interval"
                                         << "1.5h"
                                         << "time_interval: 1.5h is not a whole number";
    QTest::newRow("duration without unit") << "time_interval"
                                           << "2h30"
                                           << "time_interval: 2h30" + neither;
    QTest::newRow("duration out of order") << "time_interval"
                                           << "30m2h"
                                           << "time_interval: 30m2h" + neither;
    QTest::newRow("unit twice") << "time_interval"
                                << "1h1h"
                                << "time_interval: 1h1h" + neither;
    QTest::newRow("unit alone") << "time_move"
                                << "h"
                                << "time_move: h" + neither;
    QTest::newRow("duration for a count") << "preset_move"
                                          << "5m"
                                          << "preset_move: 5m is not a number";
    QTest::newRow("no value") << "time_move"
                              << ""
                              << "time_move: " + neither;
    QTest::newRow("point alone") << "preset_move"
                                 << "."
                                 << "preset_move: . is not a number";
    QTest::newRow("plus sign") << "preset_move"
                               << "+5"
                               << "preset_move: +5 is not a number";
}

void tst_values::field_refusal()
{
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(QString, why);
    quint32 out = 12345;
    QString said;
    QVERIFY(!parse_field_value(orb::param_field_index(field), text, &out, &said));
    QCOMPARE(said, why);
    QCOMPARE(out, 12345u);
}

void tst_values::assignment_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("result"); // "name=value", or the refusal
    QTest::newRow("plain") << "time_move=5"
                           << "time_move=5";
    QTest::newRow("spaces around") << " preset_wiper = 12 "
                                   << "preset_wiper=12";
    QTest::newRow("duration") << "time_interval=2h30m"
                              << "time_interval=9000";
    QTest::newRow("mixed-case name") << "normal_Num_Tour=3"
                                     << "normal_Num_Tour=3";
    QTest::newRow("unknown field") << "wash_time=5"
                                   << "unknown field wash_time";
    QTest::newRow("name in other case") << "TIME_MOVE=5"
                                        << "unknown field TIME_MOVE";
    QTest::newRow("no name") << "=5"
                             << "unknown field ";
    QTest::newRow("no equals sign") << "bogus"
                                    << "bogus: NAME=VALUE wanted";
    QTest::newRow("second equals sign") << "time_move=1=2"
                                        << "time_move: 1=2" + neither;
    QTest::newRow("bad value") << "addr_cam=300"
                               << "addr_cam: 300 does not fit, the largest is 255";
}

void tst_values::assignment()
{
    QFETCH(QString, text);
    QFETCH(QString, result);
    Assignment a;
    QString why;
    if (parse_assignment(text, &a, &why))
        QCOMPARE(shown({a}).join(QString()), result);
    else
        QCOMPARE(why, result);
}

void tst_values::param_file_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("fields"); // what the file sets, sorted
    QTest::addColumn<QString>("why");        // empty: accepted
    QTest::newRow("text, two lines") << QByteArray("time_move=3\npreset_wiper=12\n")
                                     << QStringList{"preset_wiper=12", "time_move=3"} << "";
    QTest::newRow("text, comments and blank lines")
        << QByteArray("# backup\n\npreset_wiper = 12  # new\n   \nnormal_Work_Reg_Cam=3\n")
        << QStringList{"normal_Work_Reg_Cam=3", "preset_wiper=12"} << "";
    QTest::newRow("text, CRLF lines, no last line end")
        << QByteArray("time_move=3\r\ntime_wiper=1m") << QStringList{"time_move=3", "time_wiper=60"}
        << "";
    QTest::newRow("text, a field twice") << QByteArray("time_move=1\ntime_move=2\n")
                                         << QStringList{"time_move=1", "time_move=2"} << "";
    QTest::newRow("text, bad line counts blank lines")
        << QByteArray("time_move=3\n\nbogus\n") << QStringList{}
        << "line 3: bogus: NAME=VALUE wanted";
    QTest::newRow("text, bad value") << QByteArray("addr_cam=256\n") << QStringList{}
                                     << "line 1: addr_cam: 256 does not fit, the largest is 255";
    QTest::newRow("empty") << QByteArray() << QStringList{} << "";
    QTest::newRow("blank lines only") << QByteArray("\n  \n\t\n") << QStringList{} << "";
    QTest::newRow("JSON, as read writes it")
        << QByteArray("{\n    \"address\": 1,\n    \"parameters\": {\n        \"addr_cam\": 1,\n"
                      "        \"time_interval\": 3600\n    }\n}\n")
        << QStringList{"addr_cam=1", "time_interval=3600"} << "";
    QTest::newRow("JSON, duration as a string")
        << QByteArray("{\"parameters\": {\"max_voltage\": 280, \"time_interval_rain\": \"10m\"}}")
        << QStringList{"max_voltage=280", "time_interval_rain=600"} << "";
    QTest::newRow("JSON, whole number with a point")
        << QByteArray("{\"parameters\": {\"time_move\": 3.0}}") << QStringList{"time_move=3"} << "";
    QTest::newRow("JSON, largest 32-bit value")
        << QByteArray("{\"parameters\": {\"time_washout\": 4294967295}}")
        << QStringList{"time_washout=4294967295"} << "";
    QTest::newRow("JSON, no fields") << QByteArray("{\"parameters\": {}}") << QStringList{} << "";
    QTest::newRow("JSON, fraction") << QByteArray("{\"parameters\": {\"time_move\": 2.5}}")
                                    << QStringList{} << "time_move: 2.5 is not a whole number";
    QTest::newRow("JSON, negative") << QByteArray("{\"parameters\": {\"time_move\": -3}}")
                                    << QStringList{} << "time_move: -3 is negative";
    QTest::newRow("JSON, too big")
        << QByteArray("{\"parameters\": {\"addr_cam\": 256}}") << QStringList{}
        << "addr_cam: 256 does not fit, the largest is 255";
    QTest::newRow("JSON, true for a number")
        << QByteArray("{\"parameters\": {\"time_move\": true}}") << QStringList{}
        << "time_move: a number wanted";
    QTest::newRow("JSON, unknown field")
        << QByteArray("{\"address\": 1, \"parameters\": {\"pause\": 3}}") << QStringList{}
        << "unknown field pause";
    QTest::newRow("JSON, unknown key") << QByteArray("{\"parameters\": {}, \"module\": 2}")
                                       << QStringList{} << "unknown key module";
    QTest::newRow("JSON, no parameters")
        << QByteArray("{\"time_move\": 3}") << QStringList{}
        << "JSON wanted as read --json writes it: {\"address\": N, \"parameters\": {...}}";
    QTest::newRow("JSON, parameters not an object")
        << QByteArray("  {\"parameters\": [1]}") << QStringList{}
        << "JSON wanted as read --json writes it: {\"address\": N, \"parameters\": {...}}";
}

void tst_values::param_file()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, fields);
    QFETCH(QString, why);
    QVector<Assignment> out;
    QString said;
    const bool ok = parse_param_file(bytes, &out, &said);
    QCOMPARE(said, why);
    QCOMPARE(ok, why.isEmpty());
    if (ok)
        QCOMPARE(shown(out), fields);
}

void tst_values::count_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("max");
    QTest::addColumn<qint64>("value"); // -1: refused
    QTest::newRow("zero") << "0" << qint64(255) << qint64(0);
    QTest::newRow("largest") << "255" << qint64(255) << qint64(255);
    QTest::newRow("past the largest") << "256" << qint64(255) << qint64(-1);
    QTest::newRow("12 digits") << "999999999999" << qint64(999999999999) << qint64(999999999999);
    QTest::newRow("13 digits") << "0000000000001" << qint64(1000) << qint64(-1);
    QTest::newRow("negative") << "-1" << qint64(255) << qint64(-1);
    QTest::newRow("plus sign") << "+1" << qint64(255) << qint64(-1);
    QTest::newRow("empty") << "" << qint64(255) << qint64(-1);
    QTest::newRow("space") << " 5" << qint64(255) << qint64(-1);
    QTest::newRow("hex") << "0x10" << qint64(255) << qint64(-1);
    QTest::newRow("exponent") << "1e3" << qint64(5000) << qint64(-1);
}

void tst_values::count()
{
    QFETCH(QString, text);
    QFETCH(qint64, max);
    QFETCH(qint64, value);
    qint64 out = -7;
    QCOMPARE(parse_count(text, max, &out), value >= 0);
    QCOMPARE(out, value >= 0 ? value : -7);
}

void tst_values::duration_data()
{
    QTest::addColumn<quint64>("seconds");
    QTest::addColumn<QString>("text");
    QTest::newRow("0") << quint64(0) << "0s";
    QTest::newRow("45") << quint64(45) << "45s";
    QTest::newRow("60") << quint64(60) << "1m";
    QTest::newRow("90") << quint64(90) << "1m30s";
    QTest::newRow("3600") << quint64(3600) << "1h";
    QTest::newRow("3601") << quint64(3601) << "1h1s";
    QTest::newRow("9000") << quint64(9000) << "2h30m";
    QTest::newRow("65535") << quint64(65535) << "18h12m15s";
    QTest::newRow("4294967295") << quint64(4294967295) << "1193046h28m15s";
}

// Every duration written out reads back as the same number of seconds.
void tst_values::duration()
{
    QFETCH(quint64, seconds);
    QFETCH(QString, text);
    QCOMPARE(duration_text(seconds), text);
    quint32 back = 0;
    QString why;
    QVERIFY2(parse_field_value(orb::param_field_index("time_washout"), text, &back, &why),
             qPrintable(why));
    QCOMPARE(quint64(back), seconds);
}

QTEST_APPLESS_MAIN(tst_values)
#include "tst_values.moc"
