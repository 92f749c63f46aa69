#include "box_closer.h"
#include "pty_pair.h"
#include "sim_process.h"
#include "test_env.h"
#include "window_probe.h"

#include "protocol/language.h"

#include <QtTest>

#include <sys/resource.h>

// The receive path's batch lines depend on how the bytes happen to be split.
static QStringList exchange_log()
{
    return Test_env::log_lines().filter(QRegularExpression("^(?!DEBUG read_data:)"));
}

static qint64 cpu_ms()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000 +
           (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1000;
}

class tst_commands : public QObject
{
    Q_OBJECT

    Test_env env;
    Sim_process sim{{"--no-pacing", "--init", "0"}};
    Box_closer closer;
    std::unique_ptr<MainWindow> window;
    std::optional<Form> ui;

    // Shows a fresh window and, when asked, opens the port with its own button.
    void open_window(const QString &port_name, bool connect = true)
    {
        window = std::make_unique<MainWindow>();
        ui.emplace(*window);
        window->show();
        ui->sb_address_upu->setValue(1);
        QCOMPARE(connect && connect_window(*window, port_name), connect);
        QCOMPARE(Window_probe::serial(*window)->isOpen(), connect);
        Test_env::clear_log();
        closer.boxes.clear();
    }
    void run(const QString &name) // cmd_test has no button
    {
        if (auto *button = window->findChild<QPushButton *>(name))
            return QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(QMetaObject::invokeMethod(window.get(), qPrintable(name)));
    }
    QSpinBox *spin(const QString &name) { return window->findChild<QSpinBox *>(name); }

private slots:
    // Every row starts from the simulator as it was started, whatever ran before it.
    void init() { QVERIFY2(sim.command("reset"), qPrintable(sim.last_answer())); }
    void cleanup()
    {
        ui.reset();
        window.reset();
        QString why;
        orb::use_language({}, &why);
        QVERIFY(sim.command("fault none"));
    }

    // Also refusals before anything is sent: the port closed, a value wider than its field.
    void command_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("setup");    // "closed", "<spin box>=<value>" or nothing
        QTest::addColumn<QString>("expected"); // log lines joined by '|'; %R: the reply's hex
        QTest::addColumn<QString>("box"); // title|text|icon: 1 information, 3 critical, 4 question
        // clang-format off
        const auto log = [](const QString &title, const char *length, const QString &wire, const QString &fields = {}) {
            return QString("INFO %1|DEBUG Длина пакета = %2|DEBUG Отправляем %3|DEBUG Получено [%R]%4|INFO OK").arg(title, length, wire, fields);
        };
        // The simulator's record until the first write, and its status before the pump runs.
        const QString params = QString("|addr_cam 1|time_interval 3600|time_interval_rain 300|time_washout 10|time_pause_washout 0|time_move 5|"
            "time_tur_1 0|time_wiper 5|preset_move 10|preset_wiper 11|min_voltage 180|max_voltage 300|wiper_not_active 0|normal_sensor_rain 0|"
            "normal_Preset_Initial_Pos 1|normal_Work_Reg_Cam 0|normal_Num_Tour 1|normal_Num_Scan 1|normal_Num_Pattern 1").replace('|', "|DEBUG ");
        const QString status = QString("|state Пауза|elapsed_time_washout 0|elapsed_time_washout_pause 3xxx|elapsed_time_damaged 0|"
            "elapsed_time_wiper 0|measuring_voltage 240|flag_lvl 0|flag_rain 0").replace('|', "|DEBUG ");
        // An empty form; CRCs here from an independent CRC-16/CCITT-FALSE.
        const QString write = ":AABB01022200" + QString(68, '0') + "CBD6";
        const auto wide = [](const QString &caption, const QString &max) {
            const QString text = QString("«%1»: значение не помещается в модуль, наибольшее — %2").arg(caption, max);
            return QStringList{"INFO Запись|ERROR " + text, "Ошибка|" + text + "|4"};
        };
        const QString ok = "Информация|OK|1", closed = "|ERROR Порт не открыт!";
        QTest::newRow("test") << "cmd_test" << "" << "INFO Test|DEBUG Длина пакета = 10|DEBUG Отправляем :AABB0100020000003837|DEBUG Получено [" + QString::fromUtf8("\xAA\xBB\x01") + "]|DEBUG Получено (hex) [AABB0100020000003837]|INFO OK" << ok;
        QTest::newRow("state") << "btn_read_state" << "" << log("Получение статуса УПУ", "8", ":AABB010300001F84", status) << ok;
        for (const char *b : {"btn_read_wish", "btn_read_presets", "btn_read_time"})
            QTest::newRow(b) << b << "" << log("Чтение", "8", ":AABB010100007FEA", params) << ok;
        for (const char *b : {"btn_write_wish", "btn_write_presets", "btn_write_time"})
            QTest::newRow(b) << b << "" << log("Запись", "42", write) << ok;
        QTest::newRow("pump_on") << "btn_pump_on" << "" << log("Включение насоса", "8", ":AABB010400008F01") << "Информация|насос включен|1";
        QTest::newRow("pump_off") << "btn_pump_off" << "" << log("Выключение насоса", "8", ":AABB01050000BF36") + "|INFO OK" << "Информация|насос выключен|1";
        QTest::newRow("closed test") << "cmd_test" << "closed" << "INFO Test" + closed << "Ошибка|Порт не открыт!|4";
        QTest::newRow("closed get_param") << "btn_read_time" << "closed" << "INFO Чтение" + closed << "Ошибка передачи данных|Порт не открыт!|3";
        QTest::newRow("closed set_param") << "btn_write_presets" << "closed" << "INFO Запись" + closed << "";
        QTest::newRow("closed get_state") << "btn_read_state" << "closed" << "INFO Получение статуса УПУ" + closed << "";
        QTest::newRow("closed pump_on") << "btn_pump_on" << "closed" << "INFO Включение насоса" + closed << "";
        QTest::newRow("closed pump_off") << "btn_pump_off" << "closed" << "INFO Выключение насоса" + closed << "";
        QTest::newRow("one day") << "btn_write_wish" << "sb_day=1" << wide("интервал помывки", "18 ч 12 мин")[0] << wide("интервал помывки", "18 ч 12 мин")[1];
        QTest::newRow("rain 1093 min") << "btn_write_time" << "sb_time_interval_rain=1093" << wide("Интервал работы дворника в режиме дождь", "1092 мин")[0] << wide("Интервал работы дворника в режиме дождь", "1092 мин")[1];
        QTest::newRow("no work mode") << "btn_write_wish" << "cm_WorkReg=7" << "INFO Запись|ERROR «Режим работы»: значение не выбрано" << "Ошибка|«Режим работы»: значение не выбрано|4";
        QTest::newRow("ptz address 256") << "btn_write_presets" << "sb_address_ptz=256" << wide("Адрес PTZ", "255")[0] << wide("Адрес PTZ", "255")[1];
        // The English window (--lang en): the boxes in English, the log as it is.
        QTest::newRow("pump_on, English") << "btn_pump_on" << "" << log("Включение насоса", "8", ":AABB010400008F01") << "Information|pump on|1";
        QTest::newRow("closed get_param, English") << "btn_read_time" << "closed" << "INFO Чтение" + closed << "Data exchange error|Port not open!|3";
        QTest::newRow("one day, English") << "btn_write_wish" << "sb_day=1" << wide("интервал помывки", "18 ч 12 мин")[0] << "Error|“Washing interval”: the value does not fit the module, the largest is 18 h 12 min|4";
        // clang-format on
    }
    void command()
    {
        QFETCH(QString, button);
        QFETCH(QString, setup);
        QFETCH(QString, expected);
        QFETCH(QString, box);
        QString why;
        const bool english = QString(QTest::currentDataTag()).endsWith(", English");
        QVERIFY2(orb::use_language(english ? "en" : "", &why), qPrintable(why));
        open_window(sim.path(), setup != "closed");
        if (setup.startsWith("cm_WorkReg=")) // a mode read from the module that the list lacks
            ui->cm_WorkReg->setCurrentIndex(setup.section('=', 1).toInt());
        else if (setup.contains('='))
            spin(setup.section('=', 0, 0))->setValue(setup.section('=', 1).toInt());
        sim.clear_traffic();
        QElapsedTimer clock;
        clock.start();
        run(button);
        const qint64 took_ms = clock.elapsed();
        // Refused commands send nothing, so the module does not answer.
        const QString wire = expected.section('|', 2, 2).section(' ', 2);
        QCOMPARE(sim.wait_traffic("<0a>\n", wire.isEmpty() ? 300 : 3000), !wire.isEmpty());
        QCOMPARE(sim.traffic().contains("<- " + wire + "\n"), !wire.isEmpty());
        const QString hex =
            QRegularExpression("-> :([0-9A-F]+)<0").match(sim.traffic()).captured(1);
        QStringList log = exchange_log();
        QCOMPARE(log.replaceInStrings(QRegularExpression("pause 3\\d{3}$"), "pause 3xxx"),
                 expected.replace("%R", hex.toLower()).split('|'));
        QString shown;
        for (const Box_closer::Box &b : closer.boxes)
            shown += QString("%1|%2|%3").arg(b.title, b.text).arg(b.icon);
        QCOMPARE(shown, box);
        // A prompt answer ends the wait: not a speed target, the line between a reply seen
        // (a little over 100 ms here) and the 1000 ms limit, with room for a loaded machine.
        if (!wire.isEmpty())
            QVERIFY2(took_ms < 700, qPrintable(QString::number(took_ms)));
    }

    // A reply that comes after its wait is no answer to the next request, wherever it still
    // is when that request goes out: decoded, held by the port unread, still in the driver, or
    // half read with its tail coming during the next wait.
    void stale_reply_data()
    {
        QTest::addColumn<int>("cut"); // characters of the late line in before the next request
        QTest::addColumn<QString>("outcome");
        QTest::newRow("decoded") << -1 << "ERROR Нет данных";
        QTest::newRow("unread") << -1 << "ERROR Нет данных";
        QTest::newRow("in driver") << -1 << "ERROR Нет данных";
        // The tail alone, 00 00 E8 03 ..., is what the next wait sees.
        QTest::newRow("tail after request") << 21 << "ERROR Префикс не корректен! [0x0]";
    }
    void stale_reply()
    {
        QFETCH(int, cut);
        QFETCH(QString, outcome);
        const QString where = QTest::currentDataTag();
        Pty pty;
        open_window(pty.slave_path());
        ui->le_state->setText("before");
        run("btn_read_state"); // the module keeps quiet past the wait
        QCOMPARE(exchange_log().last(), "ERROR Нет данных");
        // Its answer, late: state 2, a distinct pause.
        const QByteArray late =
            ":AABB01031700020000000000E803000000000000000000000000000000FC27\r\n";
        QVERIFY(pty.write(cut < 0 ? late : late.left(cut)));
        QSerialPort *port = Window_probe::serial(*window);
        if (where == "decoded")
            QTRY_VERIFY(Window_probe::reply_ready(*window));
        else if (where == "unread")
            QTRY_VERIFY(port->bytesAvailable() > 0);
        else if (cut >= 0)
            QTRY_VERIFY(!Window_probe::rx_line(*window).isEmpty());
        Test_env::clear_log();
        if (cut >= 0)
            QTimer::singleShot(50, this, [&] { pty.write(late.mid(cut)); });
        run("btn_read_state"); // and again keeps quiet
        const QStringList log = exchange_log();
        QVERIFY2(log.size() >= 2 && log.last() == outcome, qPrintable(log.join('\n')));
        // Every byte that came in is in the log, also what is dropped before the request: all
        // of the late line but what was decoded, or read, before the log was cleared.
        QString read;
        const QRegularExpression batch("^DEBUG read_data: ");
        for (const QString &line : Test_env::log_lines().filter(batch))
            read += line.section(' ', 2);
        QCOMPARE(read, where == "decoded" ? "" : late.mid(qMax(cut, 0)).trimmed());
        QCOMPARE(ui->le_state->text(), "before");
        QVERIFY(closer.boxes.isEmpty());
        QCOMPARE(pty.read(1 << 16, 200).count('\n'), 2); // both requests went out
    }

    void round_trip()
    {
        open_window(sim.path());
        // clang-format off
        const QList<QPair<QString, int>> values = {{"sb_address_ptz", 12}, {"sb_hour", 2}, {"sb_min", 30}, {"sb_time_interval_rain", 5},
            {"sb_interval_washout", 7}, {"sb_time_pattern_move", 40}, {"sb_time_pattern_wiper", 9}, {"sb_preset_move", 300},
            {"sb_preset_wiper", 65535}, {"sb_PresetInitPos", 5}, {"sb_NumTour", 3}, {"sb_NumScan", 4}, {"sb_NumPattern", 6}};
        // clang-format on
        for (const auto &v : values)
            spin(v.first)->setValue(v.second);
        ui->cb_wiper_not_active->setChecked(true);
        ui->cb_normal_sensor_rain->setCurrentIndex(1);
        ui->cm_WorkReg->setCurrentIndex(2);
        run("btn_write_wish");
        // By hand: 2 h 30 min = 9000 s, 5 min = 300 s, fields without a control 0, flags 1.
        QVERIFY(sim.wait_traffic(":AABB010222000C28232C0107000000000000002800000009002C01FFFF"
                                 "0000000001010502030406"));
        open_window(sim.path()); // a fresh, empty form
        run("btn_read_time");
        for (const auto &v : values) // the read leaves the pump and wiper run times alone
            QCOMPARE(spin(v.first)->value(),
                     v.first.contains(QRegularExpression("washout|n_wiper")) ? 0 : v.second);
        QVERIFY(ui->cb_wiper_not_active->isChecked());
        QCOMPARE(ui->cb_normal_sensor_rain->currentIndex(), 1);
        QCOMPARE(ui->cm_WorkReg->currentIndex(), 2);
    }

    // The form shows the record the module echoes, and a click meanwhile does not disturb it.
    void echo_with_click_during_wait()
    {
        Pty pty;
        open_window(pty.slave_path());
        // normal_sensor_rain 0x80, normal_Num_Tour 9.
        const QByteArray echo = ":AABB01022200" + QByteArray(56, '0') + "8000000900007A9C\r\n";
        QTimer::singleShot(50, this, [this] { run("btn_pump_off"); });
        QTimer::singleShot(150, this, [&] { pty.write(echo); });
        run("btn_write_presets");
        const QByteArray sent = pty.read(1 << 16, 200);
        QVERIFY2(sent.startsWith(":AABB01022200") && sent.count('\n') == 1, sent);
        const QStringList log = exchange_log();
        QCOMPARE(log.value(3), "ERROR Выключение насоса: отклонено, идёт обмен с модулем");
        QCOMPARE(log.mid(5), QStringList({"INFO OK"}));
        QCOMPARE(ui->sb_NumTour->value(), 9);
        QCOMPARE(ui->cb_normal_sensor_rain->currentIndex(), 1);
    }

    // A reply the check refuses leaves the form as it was; a good one sets the status boxes,
    // whichever way.
    void reply_data()
    {
        QTest::addColumn<QString>("setup"); // simulator commands joined by '|'
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("outcome"); // start of the last log line
        QTest::addColumn<QString>("flags");   // cb_level, cb_rain, cb_alarm_in after it, as 0 or 1
        // clang-format off
        // One reply the check refuses stands for all: their messages are check_reply's own
        // (tst_packet), the faults the simulator's (tst_sim).
        const QString cut = "ERROR Ответ модуля короче записи: 10 байт данных вместо ";
        QTest::newRow("silent") << "fault silent" << "btn_read_state" << "ERROR Нет данных" << "111";
        QTest::newRow("late") << "fault late" << "btn_read_state" << "ERROR Нет данных" << "111";
        QTest::newRow("bad-crc") << "fault bad-crc" << "btn_read_state" << "ERROR Контрольная сумма не корректнa! 0x" << "111";
        QTest::newRow("short-payload state") << "fault short-payload" << "btn_read_state" << cut + "23" << "111";
        QTest::newRow("short-payload read") << "fault short-payload" << "btn_read_wish" << cut + "34" << "111";
        QTest::newRow("short-payload write") << "fault short-payload" << "btn_write_time" << cut + "34" << "111";
        QTest::newRow("split") << "fault split" << "btn_read_state" << "INFO OK" << "000";
        QTest::newRow("noise") << "fault noise" << "btn_read_state" << "INFO OK" << "000";
        QTest::newRow("sync-frame") << "fault sync-frame" << "btn_read_state" << "INFO OK" << "000";
        QTest::newRow("level low") << "level low" << "btn_read_state" << "INFO OK" << "100";
        QTest::newRow("rain") << "rain on" << "btn_read_state" << "INFO OK" << "010";
        QTest::newRow("manual start") << "alarm on" << "btn_read_state" << "INFO OK" << "001";
        QTest::newRow("all flags") << "level low|rain on|alarm on" << "btn_read_state" << "INFO OK" << "111";
        // clang-format on
    }
    void reply()
    {
        QFETCH(QString, setup);
        QFETCH(QString, button);
        QFETCH(QString, outcome);
        QFETCH(QString, flags);
        const QString tag = QTest::currentDataTag();
        const bool ok = outcome == "INFO OK";
        open_window(sim.path());
        ui->le_state->setText("before");
        ui->sb_PresetInitPos->setValue(77); // the module holds another value
        const QList<QCheckBox *> boxes = {window->findChild<QCheckBox *>("cb_level"),
                                          window->findChild<QCheckBox *>("cb_rain"),
                                          window->findChild<QCheckBox *>("cb_alarm_in")};
        for (int i = 0; i < boxes.size(); ++i)
            boxes[i]->setChecked((flags[i] == '1') != ok);
        for (const QString &command : setup.split('|'))
            QVERIFY(sim.command(command));
        const qint64 cpu_before = cpu_ms();
        QElapsedTimer wall;
        wall.start();
        run(button);
        const qint64 wall_ms = wall.elapsed(), cpu = cpu_ms() - cpu_before;
        if (tag == "late") // taken in after the wait, and nothing reads it
            QTRY_VERIFY_WITH_TIMEOUT(Window_probe::reply_ready(*window), 3000);
        QVERIFY(sim.command("fault none"));
        const QStringList log = exchange_log();
        QVERIFY2(!log.isEmpty() && log.last().startsWith(outcome), qPrintable(log.join('\n')));
        QCOMPARE(closer.boxes.size(), ok ? 1 : 0);
        QCOMPARE(ui->le_state->text() == "before", !ok);
        QCOMPARE(ui->sb_PresetInitPos->value(), 77);
        for (int i = 0; i < boxes.size(); ++i)
            QVERIFY2(boxes[i]->isChecked() == (flags[i] == '1'),
                     qPrintable(boxes[i]->objectName()));
        // Waiting on a silent module must not cost a core.
        if (tag == "silent")
            QVERIFY2(wall_ms >= 950 && cpu < wall_ms / 4, qPrintable(QString::number(cpu)));
    }
};

QTEST_MAIN(tst_commands)
#include "tst_commands.moc"
