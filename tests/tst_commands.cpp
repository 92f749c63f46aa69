#include "box_closer.h"
#include "pty_pair.h"
#include "sim_process.h"
#include "test_env.h"
#include "window_probe.h"

#include "protocol/packet.h"
#include "protocol/param_data.h"
#include "protocol/status_data.h"

#include <QElapsedTimer>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>

#include <memory>
#include <sys/resource.h>

namespace {

// Lines the exchange itself writes: the receive path's batch lines depend on how the
// bytes happen to be split, and are its own business.
QStringList exchange_log()
{
    QStringList out;
    const QStringList lines = Test_env::log_lines();
    for (const QString &line : lines) {
        if (!line.startsWith(QLatin1String("DEBUG read_data:")))
            out.append(line);
    }
    return out;
}

QByteArray reply_line(quint8 command, const QByteArray &payload)
{
    return orb::frame_packet(orb::build_packet(1, command, payload)).chopped(1) + "\r\n";
}

double cpu_seconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

} // namespace

class tst_commands : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void success_data();
    void success();
    void write_then_read_round_trip();
    void write_shows_echo();
    void module_fault_data();
    void module_fault();
    void port_closed_data();
    void port_closed();
    void value_too_wide_refused_data();
    void value_too_wide_refused();
    void short_record_refused_data();
    void short_record_refused();
    void click_during_wait_refused();
    void line_lost_during_wait_data();
    void line_lost_during_wait();
    void silent_wait_does_not_spin();

private:
    // A window listing port_name, shown, with the port opened by its own button when asked.
    bool open_window(const QString &port_name, bool connect);
    QPushButton *button(const char *name);
    // Clicks the named button; an empty name runs cmd_test, which no button runs.
    void run(const QString &button_name);

    std::unique_ptr<Test_env> env;
    std::unique_ptr<Sim_process> sim;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<Box_closer> closer;
    Ui::MainWindow *ui = nullptr;
};

void tst_commands::initTestCase()
{
    env = std::make_unique<Test_env>();
    sim = std::make_unique<Sim_process>(QStringList{"--no-pacing", "--init", "0"});
    QVERIFY(sim->is_running());
}

void tst_commands::init()
{
    Test_env::clear_log();
    closer = std::make_unique<Box_closer>();
}

void tst_commands::cleanup()
{
    window.reset();
    closer.reset();
    ui = nullptr;
}

bool tst_commands::open_window(const QString &port_name, bool connect)
{
    qputenv("ORB_PTZ_WASHING_EXTRA_PORTS", QFile::encodeName(port_name));
    window = std::make_unique<MainWindow>();
    ui = Window_probe::ui(*window);
    window->show();
    const int index = ui->cb_port->findText(port_name);
    if (port_name.isEmpty() || index < 0 || !QTest::qWaitForWindowExposed(window.get()))
        return false;
    ui->cb_port->setCurrentIndex(index);
    ui->sb_address_upu->setValue(1);
    if (connect) {
        QTest::mouseClick(ui->btn_connect, Qt::LeftButton);
        if (!Window_probe::serial(*window)->isOpen())
            return false;
    }
    Test_env::clear_log();
    return true;
}

QPushButton *tst_commands::button(const char *name)
{
    auto *b = window->findChild<QPushButton *>(QLatin1String(name));
    if (!b)
        qWarning("no button %s", name);
    return b;
}

void tst_commands::run(const QString &button_name)
{
    if (button_name.isEmpty())
        QVERIFY(QMetaObject::invokeMethod(window.get(), "cmd_test"));
    else
        QTest::mouseClick(button(qPrintable(button_name)), Qt::LeftButton);
}

void tst_commands::success_data()
{
    QTest::addColumn<QString>("button"); // empty: cmd_test
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("command");
    QTest::addColumn<QString>("sent"); // for a write, only its start is fixed
    QTest::addColumn<QString>("box_text");

    QTest::newRow("test") << QString() << "Test" << 0x00 << ":AABB0100020000003837"
                          << "OK";
    for (const char *b : {"btn_read_wish", "btn_read_presets", "btn_read_time"})
        QTest::newRow(b) << b << "Чтение" << 0x01 << ":AABB010100007FEA"
                         << "OK";
    for (const char *b : {"btn_write_wish", "btn_write_presets", "btn_write_time"})
        QTest::newRow(b) << b << "Запись" << 0x02 << ":AABB01022200"
                         << "OK";
    QTest::newRow("btn_read_state") << "btn_read_state"
                                    << "Получение статуса УПУ" << 0x03 << ":AABB010300001F84"
                                    << "OK";
    QTest::newRow("btn_pump_on") << "btn_pump_on"
                                 << "Включение насоса" << 0x04 << ":AABB010400008F01"
                                 << "насос включен";
    QTest::newRow("btn_pump_off") << "btn_pump_off"
                                  << "Выключение насоса" << 0x05 << ":AABB01050000BF36"
                                  << "насос выключен";
}

void tst_commands::success()
{
    QFETCH(QString, button);
    QFETCH(QString, title);
    QFETCH(int, command);
    QFETCH(QString, sent);
    QFETCH(QString, box_text);

    QVERIFY(open_window(sim->path(), true));
    run(button);

    const QByteArray reply = Window_probe::reply(*window);
    QCOMPARE(orb::check_reply(reply, 1, command).code, int(orb::reply_ok));
    const QByteArray payload = orb::packet_payload(reply);
    const int length = command == 0x00 ? 10 : command == 0x02 ? 42 : 8;

    QStringList log = exchange_log();
    QVERIFY(log.size() > 3);
    QVERIFY2(log.at(2).startsWith("DEBUG Отправляем " + sent), qPrintable(log.at(2)));
    QCOMPARE(log.at(2).size(), QStringLiteral("DEBUG Отправляем :").size() + 2 * length);
    QStringList expected = {"INFO " + title, QStringLiteral("DEBUG Длина пакета = %1").arg(length),
                            log.at(2)};
    if (command == 0x00) {
        // The text form stops at the first zero byte: here after AA BB 01.
        expected << "DEBUG Получено [" + QString::fromUtf8("\xAA\xBB\x01") + "]"
                 << "DEBUG Получено (hex) [AABB0100020000003837]";
    } else {
        expected << "DEBUG Получено [" + QString::fromLatin1(reply.toHex()) + "]";
    }
    if (command == 0x01) {
        orb::Param_data record;
        QVERIFY(orb::Param_data::decode(payload, &record));
        expected << record.log_lines().replaceInStrings(QRegularExpression("^"), "DEBUG ");
    } else if (command == 0x03) {
        orb::Status_data status;
        QVERIFY(orb::Status_data::decode(payload, &status));
        expected << status.log_lines().replaceInStrings(QRegularExpression("^"), "DEBUG ");
        QCOMPARE(ui->le_state->text(), status.state_line());
        QCOMPARE(ui->cb_level->isChecked(), status.flag_lvl != 0);
    }
    expected << "INFO OK";
    if (command == 0x05)
        expected << "INFO OK";
    QCOMPARE(log, expected);

    QCOMPARE(closer->boxes.size(), 1);
    QCOMPARE(closer->boxes.first().title, QStringLiteral("Информация"));
    QCOMPARE(closer->boxes.first().text, box_text);
    QCOMPARE(closer->boxes.first().icon, int(QMessageBox::Information));
}

void tst_commands::write_then_read_round_trip()
{
    QVERIFY(open_window(sim->path(), true));
    const struct
    {
        const char *name;
        int value;
    } values[] = {
        {"sb_address_ptz", 12},
        {"sb_hour", 2},
        {"sb_min", 30},
        {"sb_time_interval_rain", 5},
        {"sb_interval_washout", 7},
        {"sb_time_pattern_move", 40},
        {"sb_time_pattern_wiper", 9},
        {"sb_preset_move", 300},
        {"sb_preset_wiper", 65535},
        {"sb_PresetInitPos", 5},
        {"sb_NumTour", 3},
        {"sb_NumScan", 4},
        {"sb_NumPattern", 6},
    };
    for (const auto &v : values)
        window->findChild<QSpinBox *>(QLatin1String(v.name))->setValue(v.value);
    ui->cb_wiper_not_active->setChecked(true);
    ui->cb_normal_sensor_rain->setCurrentIndex(1);
    ui->cm_WorkReg->setCurrentIndex(2);

    sim->clear_traffic();
    QTest::mouseClick(button("btn_write_wish"), Qt::LeftButton);
    // Laid out by hand: 2 h 30 min = 9000 s, 5 min = 300 s, fields without a control 0.
    const QString record = "0C"
                           "2823"
                           "2C01"
                           "07000000"
                           "00000000"
                           "2800"
                           "0000"
                           "0900"
                           "2C01"
                           "FFFF"
                           "0000"
                           "0000"
                           "01"
                           "01"
                           "05"
                           "02"
                           "03"
                           "04"
                           "06";
    QVERIFY2(sim->wait_traffic("<- :AABB01022200" + record), qPrintable(sim->traffic()));
    QCOMPARE(exchange_log().last(), QStringLiteral("INFO OK"));

    for (const auto &v : values)
        window->findChild<QSpinBox *>(QLatin1String(v.name))->setValue(0);
    ui->cb_wiper_not_active->setChecked(false);
    ui->cb_normal_sensor_rain->setCurrentIndex(0);
    ui->cm_WorkReg->setCurrentIndex(0);
    QTest::mouseClick(button("btn_read_time"), Qt::LeftButton);

    for (const auto &v : values) {
        // The read leaves the pump and wiper times alone.
        const bool kept = qstrcmp(v.name, "sb_interval_washout") == 0 ||
                          qstrcmp(v.name, "sb_time_pattern_wiper") == 0;
        QCOMPARE(window->findChild<QSpinBox *>(QLatin1String(v.name))->value(), kept ? 0 : v.value);
    }
    QCOMPARE(ui->sb_day->value(), 0);
    QVERIFY(ui->cb_wiper_not_active->isChecked());
    QCOMPARE(ui->cb_normal_sensor_rain->currentIndex(), 1);
    QCOMPARE(ui->cm_WorkReg->currentIndex(), 2);
    QCOMPARE(closer->boxes.size(), 2);
}

// The form shows what the module says it stored, not what was sent.
void tst_commands::write_shows_echo()
{
    Pty pty;
    QVERIFY(pty.is_open());
    QVERIFY(open_window(pty.slave_path(), true));
    ui->sb_NumTour->setValue(3);

    orb::Param_data stored;
    stored.normal_Num_Tour = 9;
    stored.normal_sensor_rain = 0x80;
    QTimer::singleShot(50, this, [&] { pty.write(reply_line(0x02, stored.encode())); });
    QTest::mouseClick(button("btn_write_presets"), Qt::LeftButton);

    QCOMPARE(exchange_log().last(), QStringLiteral("INFO OK"));
    QCOMPARE(exchange_log().filter(QStringLiteral("normal_Num_Tour")).size(), 0);
    QCOMPARE(ui->sb_NumTour->value(), 9);
    QCOMPARE(ui->cb_normal_sensor_rain->currentIndex(), 1);
}

void tst_commands::module_fault_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("outcome"); // start of the last log line

    QTest::newRow("silent") << "silent"
                            << "ERROR Нет данных";
    QTest::newRow("late") << "late"
                          << "ERROR Нет данных";
    QTest::newRow("bad-crc") << "bad-crc"
                             << "ERROR Контрольная сумма не корректнa! 0x";
    QTest::newRow("wrong-command") << "wrong-command"
                                   << "ERROR Неверная команда! [0x3]";
    QTest::newRow("wrong-address") << "wrong-address"
                                   << "ERROR Адрес не корректен! [0x2]";
    QTest::newRow("bad-prefix") << "bad-prefix"
                                << "ERROR Префикс не корректен! [0xaa55]";
    QTest::newRow("bad-len") << "bad-len"
                             << "ERROR Размер пакета не корректен (поле len неверно заполнено)";
    QTest::newRow("short-payload") << "short-payload"
                                   << "ERROR Ответ модуля короче записи: 10 байт данных вместо 23";
    // The receive path rides these out: the reply still gets through.
    QTest::newRow("split") << "split"
                           << "INFO OK";
    QTest::newRow("noise") << "noise"
                           << "INFO OK";
    QTest::newRow("sync-frame") << "sync-frame"
                                << "INFO OK";
}

void tst_commands::module_fault()
{
    QFETCH(QString, kind);
    QFETCH(QString, outcome);
    const bool ok = outcome == QLatin1String("INFO OK");

    QVERIFY(open_window(sim->path(), true));
    ui->le_state->setText(QStringLiteral("before"));
    ui->cb_alarm_in->setChecked(true);
    QVERIFY2(sim->command("fault " + kind), qPrintable(sim->last_answer()));
    sim->clear_traffic();
    QTest::mouseClick(button("btn_read_state"), Qt::LeftButton);
    if (kind == QLatin1String("late")) {
        // Taken in after the wait, and nothing reads it.
        QTRY_VERIFY_WITH_TIMEOUT(Window_probe::reply_ready(*window), 3000);
    }
    QVERIFY(sim->command(QStringLiteral("fault none")));

    const QStringList log = exchange_log();
    QVERIFY(!log.isEmpty());
    QVERIFY2(log.last().startsWith(outcome), qPrintable(log.last()));
    QCOMPARE(log.filter(QRegularExpression("^ERROR")).size(), ok ? 0 : 1);
    QCOMPARE(closer->boxes.size(), ok ? 1 : 0);
    QCOMPARE(ui->le_state->text() == QLatin1String("before"), !ok);
    if (!ok)
        QVERIFY(ui->cb_alarm_in->isChecked());
}

void tst_commands::port_closed_data()
{
    QTest::addColumn<QString>("button"); // empty: cmd_test, which no button runs
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("box_title"); // empty: no box
    QTest::addColumn<int>("icon");

    QTest::newRow("test") << QString() << "Test"
                          << "Ошибка" << int(QMessageBox::Question);
    QTest::newRow("get_param") << "btn_read_time"
                               << "Чтение"
                               << "Ошибка передачи данных" << int(QMessageBox::Critical);
    QTest::newRow("set_param") << "btn_write_presets"
                               << "Запись" << QString() << 0;
    QTest::newRow("get_state") << "btn_read_state"
                               << "Получение статуса УПУ" << QString() << 0;
    QTest::newRow("pump_on") << "btn_pump_on"
                             << "Включение насоса" << QString() << 0;
    QTest::newRow("pump_off") << "btn_pump_off"
                              << "Выключение насоса" << QString() << 0;
}

void tst_commands::port_closed()
{
    QFETCH(QString, button);
    QFETCH(QString, title);
    QFETCH(QString, box_title);
    QFETCH(int, icon);

    Pty pty;
    QVERIFY(pty.is_open());
    QVERIFY(open_window(pty.slave_path(), false));
    ui->le_state->setText(QStringLiteral("before"));
    Window_probe::reply(*window) = "kept";

    run(button);

    QCOMPARE(exchange_log(), QStringList({"INFO " + title, "ERROR Порт не открыт!"}));
    QCOMPARE(Window_probe::reply(*window), QByteArray("kept"));
    QCOMPARE(ui->le_state->text(), QStringLiteral("before"));
    if (box_title.isEmpty()) {
        QCOMPARE(closer->boxes.size(), 0);
        return;
    }
    QCOMPARE(closer->boxes.size(), 1);
    const Box_closer::Box &box = closer->boxes.first();
    QCOMPARE(box.title, box_title);
    QCOMPARE(box.text, QStringLiteral("Порт не открыт!"));
    QCOMPARE(box.icon, icon);
    QCOMPARE(box.buttons, int(QMessageBox::Ok));
    QCOMPARE(box.default_button, int(QMessageBox::Ok));
    QVERIFY(!box.has_parent);
}

void tst_commands::value_too_wide_refused_data()
{
    QTest::addColumn<QString>("spin_box");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("largest");

    // One day is 86400 s, past the 16-bit field; so is anything over 18 h 12 min.
    QTest::newRow("one day") << "sb_day" << 1 << "интервал помывки"
                             << "18 ч 12 мин";
    QTest::newRow("rain 1093 min")
        << "sb_time_interval_rain" << 1093 << "Интервал работы дворника в режиме дождь"
        << "1092 мин";
    QTest::newRow("ptz address 256") << "sb_address_ptz" << 256 << "Адрес PTZ"
                                     << "255";
}

void tst_commands::value_too_wide_refused()
{
    QFETCH(QString, spin_box);
    QFETCH(int, value);
    QFETCH(QString, caption);
    QFETCH(QString, largest);

    Pty pty;
    QVERIFY(pty.is_open());
    QVERIFY(open_window(pty.slave_path(), true));
    auto *sb = window->findChild<QSpinBox *>(spin_box);
    QVERIFY(sb);
    sb->setValue(value);
    QCOMPARE(sb->value(), value);

    QTest::mouseClick(button("btn_write_wish"), Qt::LeftButton);

    QCOMPARE(pty.read(1, 300), QByteArray());
    QCOMPARE(closer->boxes.size(), 1);
    const Box_closer::Box &box = closer->boxes.first();
    QCOMPARE(box.title, QStringLiteral("Ошибка"));
    QVERIFY2(box.text.contains(caption) && box.text.contains(largest), qPrintable(box.text));
    QCOMPARE(exchange_log(), QStringList({"INFO Запись", "ERROR " + box.text}));
    QCOMPARE(sb->value(), value);
}

void tst_commands::short_record_refused_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("command");
    QTest::addColumn<int>("payload_size");
    QTest::addColumn<int>("record_size");

    QTest::newRow("read 33 of 34") << "btn_read_presets" << 0x01 << 33 << 34;
    QTest::newRow("read empty") << "btn_read_wish" << 0x01 << 0 << 34;
    QTest::newRow("write echo 20 of 34") << "btn_write_time" << 0x02 << 20 << 34;
    QTest::newRow("status 22 of 23") << "btn_read_state" << 0x03 << 22 << 23;
}

// Passes the reply check, but a record cut short must not reach the form.
void tst_commands::short_record_refused()
{
    QFETCH(QString, button);
    QFETCH(int, command);
    QFETCH(int, payload_size);
    QFETCH(int, record_size);

    Pty pty;
    QVERIFY(pty.is_open());
    QVERIFY(open_window(pty.slave_path(), true));
    ui->le_state->setText(QStringLiteral("before"));
    ui->sb_NumPattern->setValue(7);

    const QByteArray line = reply_line(quint8(command), QByteArray(payload_size, char(0x55)));
    QTimer::singleShot(50, this, [&] { pty.write(line); });
    run(button);

    const QStringList log = exchange_log();
    QVERIFY(!log.isEmpty());
    QCOMPARE(log.last(),
             QStringLiteral("ERROR Ответ модуля короче записи: %1 байт данных вместо %2")
                 .arg(payload_size)
                 .arg(record_size));
    QCOMPARE(log.filter(QStringLiteral("OK")).size(), 0);
    QCOMPARE(closer->boxes.size(), 0);
    QCOMPARE(ui->le_state->text(), QStringLiteral("before"));
    QCOMPARE(ui->sb_NumPattern->value(), 7);
}

void tst_commands::click_during_wait_refused()
{
    Pty pty;
    QVERIFY(pty.is_open());
    QVERIFY(open_window(pty.slave_path(), true));

    orb::Param_data record;
    record.normal_Num_Tour = 42;
    QTimer::singleShot(50, this,
                       [this] { QTest::mouseClick(button("btn_pump_off"), Qt::LeftButton); });
    QTimer::singleShot(150, this, [&] { pty.write(reply_line(0x01, record.encode())); });
    QTest::mouseClick(button("btn_read_wish"), Qt::LeftButton);

    // Only the first request reached the line, and its reply was not taken from under it.
    QCOMPARE(pty.read(1 << 16, 200), QByteArray(":AABB010100007FEA\n"));
    const QStringList log = exchange_log();
    QCOMPARE(
        log.mid(0, 4),
        QStringList({"INFO Чтение", "DEBUG Длина пакета = 8", "DEBUG Отправляем :AABB010100007FEA",
                     "ERROR Выключение насоса: отклонено, идёт обмен с модулем"}));
    QCOMPARE(log.last(), QStringLiteral("INFO OK"));
    QCOMPARE(ui->sb_NumTour->value(), 42);
    QCOMPARE(closer->boxes.size(), 1);
    QCOMPARE(closer->boxes.first().title, QStringLiteral("Информация"));
}

void tst_commands::line_lost_during_wait_data()
{
    QTest::addColumn<bool>("device_gone"); // else closed by its button

    QTest::newRow("closed by the user") << false;
    QTest::newRow("device gone") << true;
}

void tst_commands::line_lost_during_wait()
{
    QFETCH(bool, device_gone);

    Pty pty;
    QVERIFY(pty.is_open());
    QVERIFY(open_window(pty.slave_path(), true));
    ui->le_state->setText(QStringLiteral("before"));
    QTimer::singleShot(50, this, [&] {
        if (device_gone) {
            pty.close_master();
            pty.close_slave();
        } else {
            QTest::mouseClick(ui->btn_connect, Qt::LeftButton);
        }
    });
    QTest::mouseClick(button("btn_read_state"), Qt::LeftButton);

    QVERIFY(!Window_probe::serial(*window)->isOpen());
    const QStringList log = exchange_log();
    QCOMPARE(log.mid(log.size() - 2), QStringList({"DEBUG Получено []", "ERROR Нет данных"}));
    QCOMPARE(closer->boxes.size(), 0);
    QCOMPARE(ui->le_state->text(), QStringLiteral("before"));

    // Still usable: the next command finds the port closed.
    Test_env::clear_log();
    QTest::mouseClick(button("btn_pump_on"), Qt::LeftButton);
    QCOMPARE(exchange_log(), QStringList({"INFO Включение насоса", "ERROR Порт не открыт!"}));
}

// A silent module must not cost a core while the tool waits for it.
void tst_commands::silent_wait_does_not_spin()
{
    Pty pty;
    QVERIFY(pty.is_open());
    QVERIFY(open_window(pty.slave_path(), true));

    QElapsedTimer wall;
    const double cpu_before = cpu_seconds();
    wall.start();
    QTest::mouseClick(button("btn_pump_on"), Qt::LeftButton);
    const double wall_s = wall.elapsed() / 1000.0;
    const double cpu_s = cpu_seconds() - cpu_before;

    QCOMPARE(exchange_log().last(), QStringLiteral("ERROR Нет данных"));
    QVERIFY2(wall_s >= 0.95, qPrintable(QString::number(wall_s)));
    QVERIFY2(cpu_s < wall_s / 4,
             qPrintable(QStringLiteral("cpu %1 s of %2 s").arg(cpu_s).arg(wall_s)));
}

QTEST_MAIN(tst_commands)
#include "tst_commands.moc"
