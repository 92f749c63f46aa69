#include "box_closer.h"
#include "pty_pair.h"
#include "test_env.h"
#include "window_probe.h"

#include <QMessageBox>
#include <QtTest>

class tst_serial : public QObject
{
    Q_OBJECT

    Test_env env;
    QScopedPointer<Pty> pty;
    QScopedPointer<MainWindow> w;
    std::optional<Form> ui;
    QSerialPort *serial = nullptr;

private slots:
    void init()
    {
        Test_env::clear_log();
        pty.reset(new Pty);
        w.reset(new MainWindow);
        ui.emplace(*w);
        serial = Window_probe::serial(*w);
    }

    void cleanup()
    {
        w.reset();
        qunsetenv("ORB_PTZ_WASHING_EXTRA_PORTS");
    }

    void connect_cycle()
    {
        QVERIFY(!connect_window(*w, QStringLiteral("/tmp/orb-no-such-port")));
        const QString log = Test_env::log_lines().value(0).remove(QRegularExpression(R"( \(.+\))"));
        QCOMPARE(log, QStringLiteral("ERROR ERROR: serial [/tmp/orb-no-such-port] not open"));

        Pty second;
        for (Pty *p : {pty.data(), &second}) { // the same port object, named again
            QVERIFY(p->is_open() && connect_window(*w, p->slave_path()));
            QCOMPARE(serial->baudRate(), 9600);
            emit w->send(QByteArray("ping\n"));
            QCOMPARE(p->read(5, 2000), QByteArray("ping\n"));

            ui->cb_port->clear();
            Box_closer closer;
            ui->btn_connect->click();
            QVERIFY(serial->isOpen());
            QCOMPARE(closer.boxes.value(0).title, QStringLiteral("Ошибка выбора COM-порта"));
            QCOMPARE(closer.boxes.value(0).text, QStringLiteral("COM-порт не выбран!"));
            QCOMPARE(closer.boxes.value(0).icon, int(QMessageBox::Critical));
            QCOMPARE(Test_env::log_lines().last(), QStringLiteral("INFO Порт не выбран"));

            qputenv("ORB_PTZ_WASHING_EXTRA_PORTS", "b c::a:b c:");
            ui->btn_scan->click(); // extra names come last, in order, once each, none empty
            QCOMPARE(ui->cb_port->itemText(ui->cb_port->count() - 2), QStringLiteral("b c"));
            QCOMPARE(ui->cb_port->itemText(ui->cb_port->count() - 1), QStringLiteral("a"));
            ui->btn_connect->click(); // the open port closes, whatever the list shows
            QVERIFY(!serial->isOpen());
            QCOMPARE(ui->btn_connect->text(), QStringLiteral("Соединиться"));
        }
        QCOMPARE(Test_env::log_lines().size(), 3);
    }

    // Each error but NoError, and a device gone, closes the port, names itself in the log and
    // lists the ports again.
    void serial5_error_data()
    {
        QTest::addColumn<QSerialPort::SerialPortError>("err");
        QTest::addColumn<QString>("logged"); // a pattern for the whole log
        // Qt 6 numbers these differently from Qt 5: the name must follow the error, not its number.
        QTest::newRow("NoError") << QSerialPort::NoError << "";
        QTest::newRow("ReadError") << QSerialPort::ReadError << "ERROR ReadError";
        // Beyond the names, yet a value the type can hold (0..15 on both).
        QTest::newRow("15") << QSerialPort::SerialPortError(15) << "ERROR unknown error 15";
        // The module's end closed; what it costs after the loss is bench_hangup's figure.
        QTest::newRow("device gone") << QSerialPort::NoError << "ERROR (ReadError|ResourceError)";
    }

    void serial5_error()
    {
        QFETCH(QSerialPort::SerialPortError, err);
        QFETCH(QString, logged);
        QVERIFY(connect_window(*w, pty->slave_path()));
        ui->cb_port->addItem(QStringLiteral("/dev/orb-stale")); // gone only after a rescan
        emit serial->errorOccurred(QSerialPort::TimeoutError);  // a timeout: the link stays
        const bool gone = QTest::currentDataTag() == QLatin1String("device gone");
        if (gone)
            pty->close_master();
        else
            QMetaObject::invokeMethod(w.data(), "serial5_error",
                                      Q_ARG(QSerialPort::SerialPortError, err));
        if (gone) // noticed by the event loop
            QTRY_VERIFY_WITH_TIMEOUT(!serial->isOpen(), 1000);
        const bool acted = !logged.isEmpty();
        QCOMPARE(serial->isOpen(), !acted);
        const QString lines = Test_env::log_lines().join('|');
        QVERIFY2(QRegularExpression('^' + logged + '$').match(lines).hasMatch(), qPrintable(lines));
        QCOMPARE(ui->btn_connect->text() == QStringLiteral("Соединиться"), acted);
        QCOMPARE(ui->cb_port->findText(QStringLiteral("/dev/orb-stale")) < 0, acted);
    }

    void receive_data()
    {
        QTest::addColumn<QList<QByteArray>>("batches");
        QTest::addColumn<QStringList>("logged");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("ready");
        const QByteArray status("\xAA\xBB\x01\x03\x00\x00\x1F\x84", 8);
        // clang-format off
        QTest::newRow("two batches") << QList<QByteArray>{":AABB0103", "00001F84\n"} << QStringList{"DEBUG read_data: :AABB0103", "DEBUG read_data: 00001F84"} << status << true;
        // A read that cuts a line after 7 characters leaves text, not a frame.
        QTest::newRow("7 bytes, line start") << QList<QByteArray>{":AABB01", "0300001F84\n"} << QStringList{"DEBUG read_data: :AABB01", "DEBUG read_data: 0300001F84"} << status << true;
        QTest::newRow("7 bytes, line end") << QList<QByteArray>{":AABB0103", "00001f\n"} << QStringList{"DEBUG read_data: :AABB0103", "DEBUG read_data: 00001f"} << QByteArray("\xAA\xBB\x01\x03\x00\x00\x1F", 7) << true;
        // Dropped whole, so the next line decodes behind the previous one's digits.
        QTest::newRow("7 bytes, bad sync") << QList<QByteArray>{":11\n", "noise\r\n", "0300\n"} << QStringList{"DEBUG read_data: :11", "DEBUG bad sync", "DEBUG read_data: 0300"} << QByteArray("\x11\x03\x00", 3) << true;
        QTest::newRow("7 bytes, bad address") << QList<QByteArray>{":22", "\xff\x06" "12345"} << QStringList{"DEBUG read_data: :22", "DEBUG bad address"} << QByteArray() << false;
        QTest::newRow("7 bytes, sync frame") << QList<QByteArray>{":33", QByteArray("\xff\x05" "AB\r\n", 7)} << QStringList{"DEBUG read_data: :33", "DEBUG read_data: [FF0541420D0A00]"} << QByteArray("\x33\xab") << true;
        QTest::newRow("zero byte first") << QList<QByteArray>{QByteArray("\0:4455\nx", 8)} << QStringList() << QByteArray("\x44\x55") << true;
        // clang-format on
    }

    void receive()
    {
        QFETCH(QList<QByteArray>, batches);
        QFETCH(QByteArray, reply);
        ui->sb_address_upu->setValue(5);
        QVERIFY(connect_window(*w, pty->slave_path()));
        // Each batch waits until the one before is logged, so each arrives as one read.
        for (const QByteArray &batch : batches) {
            const int logs = Test_env::log_lines().size() + !batch.startsWith('\0');
            QVERIFY(pty->write(batch));
            QTRY_COMPARE_WITH_TIMEOUT(Test_env::log_lines().size(), logs, 2000);
        }
        QTRY_COMPARE_WITH_TIMEOUT(Window_probe::reply(*w), reply, 2000);
        QTEST(Window_probe::reply_ready(*w), "ready");
        QTEST(Test_env::log_lines(), "logged");
    }
};

QTEST_MAIN(tst_serial)
#include "tst_serial.moc"
