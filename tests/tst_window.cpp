#include "box_closer.h"
#include "test_env.h"
#include "window_probe.h"

#include <QtTest>

#include <QPushButton>
#include <QSettings>

#include <memory>

namespace {

QSettings *store()
{
    return new QSettings(QStringLiteral("ORB Technology"), QStringLiteral("ORB PTZ Washing"));
}

} // namespace

class tst_window : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void first_run_keeps_form_size();
    void second_run_restores_position_and_size();
    void quit_closes_window_data();
    void quit_closes_window();
    void buttons_reach_slots_data();
    void buttons_reach_slots();
    void scan_refills_port_list();

private:
    std::unique_ptr<Test_env> env;
};

void tst_window::initTestCase()
{
    env = std::make_unique<Test_env>();
}

void tst_window::cleanupTestCase()
{
    env.reset();
}

void tst_window::first_run_keeps_form_size()
{
    std::unique_ptr<QSettings> settings(store());
    QVERIFY(settings->fileName().startsWith(env->path())); // never the user's own store
    settings->clear();
    settings->sync();
    Test_env::clear_log();

    MainWindow w;
    QCOMPARE(w.size(), QSize(999, 492));
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QCOMPARE(w.size(), QSize(999, 492));
    QVERIFY(!QFile::exists(QStringLiteral("ORB_PTZ_Washing.log"))); // start-up logs nothing
}

void tst_window::second_run_restores_position_and_size()
{
    QRect client;
    QRect frame;
    {
        MainWindow w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.move(137, 91);
        w.resize(820, 410);
        QTRY_COMPARE(w.frameGeometry().topLeft(), QPoint(137, 91));
        QTRY_COMPARE(w.size(), QSize(820, 410));
        client = w.geometry();
        frame = w.frameGeometry();
    }

    // The destructor must leave both values on disk: nothing flushes them later.
    std::unique_ptr<QSettings> settings(store());
    QFile file(settings->fileName());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray on_disk = file.readAll();
    QVERIFY(on_disk.contains("geometry="));
    QVERIFY(on_disk.contains("windowState="));
    settings->sync();
    QCOMPARE(settings->allKeys(), (QStringList{"geometry", "windowState"}));

    // Restored during construction, so the window appears where it was left. The offscreen
    // platform knows the frame only once a window is shown, hence the two checks.
    MainWindow again;
    QCOMPARE(again.geometry(), client);
    again.show();
    QVERIFY(QTest::qWaitForWindowExposed(&again));
    QCOMPARE(again.geometry(), client);
    QCOMPARE(again.frameGeometry(), frame);

    // Stored with version 0: another version number must not restore it.
    const QByteArray state = settings->value(QStringLiteral("windowState")).toByteArray();
    QVERIFY(again.restoreState(state, 0));
    QVERIFY(!again.restoreState(state, 1));
}

void tst_window::quit_closes_window_data()
{
    QTest::addColumn<bool>("by_button");
    QTest::newRow("btn_quit") << true;
    QTest::newRow("f_quit") << false;
}

void tst_window::quit_closes_window()
{
    QFETCH(bool, by_button);
    MainWindow w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QSignalSpy last(qApp, &QGuiApplication::lastWindowClosed);
    QVERIFY(last.isValid());

    // Run the real event loop as main does; closing the only window must end it.
    bool timed_out = false;
    QTimer::singleShot(0, &w, [&] {
        if (by_button)
            QTest::mouseClick(Window_probe::ui(w)->btn_quit, Qt::LeftButton);
        else
            QMetaObject::invokeMethod(&w, "f_quit");
    });
    QTimer guard; // bounds the wait, and dies with this test
    guard.setSingleShot(true);
    connect(&guard, &QTimer::timeout, [&] {
        timed_out = true;
        QCoreApplication::exit(1);
    });
    guard.start(10000);
    QCOMPARE(QCoreApplication::exec(), 0);
    QVERIFY(!timed_out);
    QVERIFY(!w.isVisible());
    QCOMPARE(last.count(), 1);
}

void tst_window::buttons_reach_slots_data()
{
    QTest::addColumn<QString>("line"); // the slot's first log line, empty when it logs none
    QTest::addColumn<QStringList>("boxes");

    const QStringList none;
    const QStringList message{"QMessageBox"};
    QTest::newRow("btn_read_wish") << "INFO Чтение" << message;
    QTest::newRow("btn_read_presets") << "INFO Чтение" << message;
    QTest::newRow("btn_read_time") << "INFO Чтение" << message;
    QTest::newRow("btn_write_wish") << "INFO Запись" << none;
    QTest::newRow("btn_write_presets") << "INFO Запись" << none;
    QTest::newRow("btn_write_time") << "INFO Запись" << none;
    QTest::newRow("btn_read_state") << "INFO Получение статуса УПУ" << none;
    QTest::newRow("btn_pump_on") << "INFO Включение насоса" << none;
    QTest::newRow("btn_pump_off") << "INFO Выключение насоса" << none;
    QTest::newRow("btn_connect") << "INFO Порт не выбран" << message;
    QTest::newRow("btn_about") << "" << QStringList{"AboutBox"};
}

void tst_window::buttons_reach_slots()
{
    QFETCH(QString, line);
    QFETCH(QStringList, boxes);

    MainWindow w;
    Ui::MainWindow *ui = Window_probe::ui(w);
    ui->cb_port->clear(); // no port chosen, and the port stays closed
    QVERIFY(!Window_probe::serial(w)->isOpen());
    Test_env::clear_log();

    auto *button = w.findChild<QPushButton *>(QString::fromLatin1(QTest::currentDataTag()));
    QVERIFY(button);
    Box_closer closer;
    QTest::mouseClick(button, Qt::LeftButton);

    const QStringList lines = Test_env::log_lines();
    if (line.isEmpty()) {
        QCOMPARE(lines, QStringList());
    } else {
        QVERIFY(!lines.isEmpty());
        QCOMPARE(lines.first(), line);
        QCOMPARE(lines.count(line), 1); // one connection, one run
    }
    QStringList shown;
    for (const Box_closer::Box &box : qAsConst(closer.boxes))
        shown << box.class_name;
    QCOMPARE(shown, boxes);
}

void tst_window::scan_refills_port_list()
{
    MainWindow w;
    Ui::MainWindow *ui = Window_probe::ui(w);
    ui->cb_port->clear();
    ui->cb_port->addItem(QStringLiteral("stale-port"));

    QTest::mouseClick(ui->btn_scan, Qt::LeftButton);

    QCOMPARE(ui->cb_port->findText(QStringLiteral("stale-port")), -1);
    QCOMPARE(ui->cb_port->currentIndex(), ui->cb_port->count() > 0 ? 0 : -1);
}

QTEST_MAIN(tst_window)
#include "tst_window.moc"
