#include "protocol/packet.h"
#include "sim/module.h"

#include <QtTest>

// The module's clock is passed in, so hours of washing cycles are checked without waiting.
class tst_module : public QObject
{
    Q_OBJECT

private slots:
    void status_data()
    {
        // From the start on, at these times (ms): "rain", "pump_on", "pump_off", or a parameter
        // write with "interval=S" or "washout=S". The module starts with an hour's pause, 10 s of
        // washing and 5 s of wiper. Then at `now` the state and what is left of the phase: the
        // pause (with init before it) or the washing, and of the wiper. A state of -1: either, when
        // neither phase has a length (and the module must still answer at once).
        QTest::addColumn<int>("init_ms");
        QTest::addColumn<QStringList>("events");
        QTest::addColumn<qint64>("now");
        QTest::addColumn<int>("state");
        QTest::addColumn<quint32>("left");
        QTest::addColumn<quint32>("wiper");
        const qint64 cycle = 3610000, thousand = 1000 * cycle;
        const int init = orb::state_init, pause = orb::state_pause, washing = orb::state_washing;
        // clang-format off
        QTest::newRow("init, at the start") << 5000 << QStringList{} << qint64(0) << init << 3605000u << 0u;
        QTest::newRow("init, a ms before its end") << 5000 << QStringList{} << qint64(4999) << init << 3600001u << 0u;
        QTest::newRow("pause from the end of init") << 5000 << QStringList{} << qint64(5000) << pause << 3600000u << 0u;
        QTest::newRow("pause counts down") << 0 << QStringList{} << qint64(1000) << pause << 3599000u << 0u;
        QTest::newRow("washing at the pause's end") << 0 << QStringList{} << qint64(3600000) << washing << 10000u << 5000u;
        QTest::newRow("wiper done within washing") << 0 << QStringList{} << qint64(3606000) << washing << 4000u << 0u;
        QTest::newRow("pause after washing") << 0 << QStringList{} << cycle << pause << 3600000u << 0u;
        QTest::newRow("a thousand cycles on, pause") << 0 << QStringList{} << thousand + 500 << pause << 3599500u << 0u;
        QTest::newRow("a thousand cycles on, washing") << 0 << QStringList{} << thousand + 3602500 << washing << 7500u << 2500u;
        QTest::newRow("decades on") << 0 << QStringList{} << qint64(1000000000000) << pause << 2480000u << 0u;
        QTest::newRow("rain paces the pause") << 0 << QStringList{"0 rain"} << qint64(1000) << pause << 299000u << 0u;
        QTest::newRow("rain, washing after 300 s") << 0 << QStringList{"0 rain"} << qint64(300000) << washing << 10000u << 5000u;
        QTest::newRow("pump on washes from then") << 0 << QStringList{"1000 pump_on"} << qint64(4000) << washing << 7000u << 2000u;
        QTest::newRow("pump off pauses from then") << 0 << QStringList{"2000 pump_on", "5000 pump_off"} << qint64(6000) << pause << 3599000u << 0u;
        QTest::newRow("a new interval restarts the pause") << 0 << QStringList{"1000000 interval=60"} << qint64(1030000) << pause << 30000u << 0u;
        QTest::newRow("no washing, decades on") << 0 << QStringList{"0 washout=0"} << qint64(1000000000000) << pause << 800000u << 0u;
        QTest::newRow("no pause, no washing") << 0 << QStringList{"0 interval=0", "0 washout=0"} << qint64(5000) << -1 << 0u << 0u;
        // clang-format on
    }

    void status()
    {
        QFETCH(int, init_ms);
        QFETCH(QStringList, events);
        QFETCH(qint64, now);
        sim::Module module(1, init_ms, 0);
        for (const QString &event : events) {
            const QString what = event.section(' ', 1);
            if (what == "rain") {
                module.set_rain(true);
                continue;
            }
            auto command = orb::Command::set_param;
            orb::Param_data p = module.params();
            if (what.startsWith("interval="))
                p.time_interval = quint16(what.section('=', 1).toInt());
            else if (what.startsWith("washout="))
                p.time_washout = quint32(what.section('=', 1).toInt());
            else
                command = what == "pump_on" ? orb::Command::pump_on : orb::Command::pump_off;
            const QByteArray payload =
                command == orb::Command::set_param ? p.encode() : QByteArray();
            const qint64 at = event.section(' ', 0, 0).toLongLong();
            QString why;
            QVERIFY2(
                !module.answer(orb::build_packet(1, quint8(command), payload), at, &why).isEmpty(),
                qPrintable(why));
        }
        const orb::Status_data s = module.status(now);
        QFETCH(int, state);
        if (state < 0)
            QVERIFY(s.state == orb::state_pause || s.state == orb::state_washing);
        else
            QCOMPARE(int(s.state), state);
        QTEST(s.state == orb::state_washing ? s.elapsed_time_washout : s.elapsed_time_washout_pause,
              "left");
        QTEST(s.elapsed_time_wiper, "wiper");
    }
};

QTEST_APPLESS_MAIN(tst_module)
#include "tst_module.moc"
