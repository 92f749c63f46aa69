#include "values.h"

#include <QtTest>

#include <algorithm>

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

} // namespace

// orbctl's value parsers as functions: what set, write and the options accept and refuse.
class tst_values : public QObject
{
    Q_OBJECT

private slots:
    // A value by itself, as it comes after NAME=, first: the number it means or why it is refused.
    // Durations in every unit are read back in duration().
    void assignment_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("result"); // "name=value", or the refusal
        // A number for what the field takes, else why it is refused after "field: text".
        const auto row = [](const char *name, const char *field, const QString &text,
                            const QString &value) {
            const QString f = QLatin1String(field);
            bool number = false;
            value.toULongLong(&number);
            QTest::newRow(name) << f + '=' + text
                                << (number ? f + '=' + value : f + ": " + text + value);
        };
        const QString fit = QStringLiteral(" does not fit, the largest is ");
        const QString neither = QStringLiteral(" is neither a number of seconds nor a duration "
                                               "like 90s, 15m, 2h30m");
        row("plain seconds", "time_move", "5", "5");
        row("leading zeros", "time_move", "007", "7");
        row("hours and minutes", "time_interval", "2h30m", "9000");
        row("8 bits largest", "normal_Num_Pattern", "255", "255");
        row("32 bits largest", "time_washout", "4294967295", "4294967295");
        row("16 bits too big, duration", "time_interval", "18h12m16s", fit + "65535 (18h12m15s)");
        row("32 bits too big, seconds", "time_washout", "4294967296",
            fit + "4294967295 (1193046h28m15s)");
        row("huge number", "preset_move", "99999999999999999999999", fit + "65535");
        row("huge duration", "time_move", "999999999999h", fit + "65535 (18h12m15s)");
        row("negative", "preset_move", "-1", " is negative");
        row("fraction", "time_move", "1.5", " is not a whole number");
        row("decimal comma", "preset_move", "1,5", " is not a whole number");
        row("fractional duration", "time_interval", "1.5h", " is not a whole number");
        row("duration without unit", "time_interval", "2h30", neither);
        row("duration out of order", "time_interval", "30m2h", neither);
        row("unit twice", "time_interval", "1h1h", neither);
        row("no value", "time_move", "", neither);
        row("duration for a count", "preset_move", "5m", " is not a number");
        row("point alone", "preset_move", ".", " is not a number");
        row("plus sign", "preset_move", "+5", " is not a number");
        const auto assignment = [](const char *name, const QString &text, const QString &result) {
            QTest::newRow(name) << text << result;
        };
        assignment("spaces around", " preset_wiper = 12 ", "preset_wiper=12");
        assignment("mixed-case name", "normal_Num_Tour=3", "normal_Num_Tour=3");
        assignment("unknown field", "wash_time=5", "unknown field wash_time");
        assignment("name in other case", "TIME_MOVE=5", "unknown field TIME_MOVE");
        assignment("no equals sign", "bogus", "bogus: NAME=VALUE wanted");
        assignment("second equals sign", "time_move=1=2", "time_move: 1=2" + neither);
    }

    void assignment()
    {
        QFETCH(QString, text);
        QFETCH(QString, result);
        Assignment a;
        a.value = 12345;
        QString why;
        if (parse_assignment(text, &a, &why))
            QCOMPARE(shown({a}).join(QString()), result);
        else // and leaves the value as it was
            QCOMPARE(why + QString::number(a.value), result + "12345");
    }

    void param_file_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("fields"); // what the file sets, sorted
        QTest::addColumn<QString>("why");        // empty: accepted
        const auto row = [](const char *name, const QByteArray &bytes, const QStringList &fields,
                            const QString &why = {}) {
            QTest::newRow(name) << bytes << fields << why;
        };
        row("text, comments and blank lines",
            "# backup\n\npreset_wiper = 12  # new\n   \nnormal_Work_Reg_Cam=3\n",
            {"normal_Work_Reg_Cam=3", "preset_wiper=12"});
        row("text, CRLF lines, no last line end", "time_move=3\r\ntime_wiper=1m",
            {"time_move=3", "time_wiper=60"});
        row("text, a field twice", "time_move=1\ntime_move=2\n", {"time_move=1", "time_move=2"});
        row("text, bad line counts blank lines", "time_move=3\n\nbogus\n", {},
            "line 3: bogus: NAME=VALUE wanted");
        row("empty", {}, {});
        row("blank lines only", "\n  \n\t\n", {});
        row("JSON, as read writes it",
            "{\n    \"address\": 1,\n    \"parameters\": {\n        \"addr_cam\": 1,\n"
            "        \"time_interval\": 3600\n    }\n}\n",
            {"addr_cam=1", "time_interval=3600"});
        row("JSON, duration as a string",
            "{\"parameters\": {\"max_voltage\": 280, \"time_interval_rain\": \"10m\"}}",
            {"max_voltage=280", "time_interval_rain=600"});
        row("JSON, whole number with a point", "{\"parameters\": {\"time_move\": 3.0}}",
            {"time_move=3"});
        row("JSON, largest 32-bit value", "{\"parameters\": {\"time_washout\": 4294967295}}",
            {"time_washout=4294967295"});
        row("JSON, no fields", "{\"parameters\": {}}", {});
        row("JSON, fraction", "{\"parameters\": {\"time_move\": 2.5}}", {},
            "time_move: 2.5 is not a whole number");
        row("JSON, negative", "{\"parameters\": {\"time_move\": -3}}", {},
            "time_move: -3 is negative");
        row("JSON, true for a number", "{\"parameters\": {\"time_move\": true}}", {},
            "time_move: a number wanted");
        row("JSON, unknown field", "{\"address\": 1, \"parameters\": {\"pause\": 3}}", {},
            "unknown field pause");
        row("JSON, unknown key", "{\"parameters\": {}, \"module\": 2}", {}, "unknown key module");
        row("JSON, no parameters", "{\"time_move\": 3}", {},
            "JSON wanted as read --json writes it: {\"address\": N, \"parameters\": {...}}");
    }

    void param_file()
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

    void count_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("max");
        QTest::addColumn<qint64>("value"); // -1: refused
        QTest::newRow("zero") << "0" << qint64(255) << qint64(0);
        QTest::newRow("largest") << "255" << qint64(255) << qint64(255);
        QTest::newRow("past the largest") << "256" << qint64(255) << qint64(-1);
        QTest::newRow("12 digits")
            << "999999999999" << qint64(999999999999) << qint64(999999999999);
        QTest::newRow("13 digits") << "0000000000001" << qint64(1000) << qint64(-1);
        QTest::newRow("negative") << "-1" << qint64(255) << qint64(-1);
        QTest::newRow("plus sign") << "+1" << qint64(255) << qint64(-1);
        QTest::newRow("empty") << "" << qint64(255) << qint64(-1);
        QTest::newRow("space") << " 5" << qint64(255) << qint64(-1);
        QTest::newRow("exponent") << "1e3" << qint64(5000) << qint64(-1);
    }

    void count()
    {
        QFETCH(QString, text);
        QFETCH(qint64, max);
        QFETCH(qint64, value);
        qint64 out = -7;
        QCOMPARE(parse_count(text, max, &out), value >= 0);
        QCOMPARE(out, value >= 0 ? value : -7);
    }

    void duration_data()
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
    void duration()
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
};

QTEST_APPLESS_MAIN(tst_values)
#include "tst_values.moc"
