#include "box_closer.h"
#include "pty_pair.h"
#include "test_env.h"
#include "window_probe.h"

#include <QDir>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QSerialPortInfo>
#include <QSignalSpy>
#include <QtTest>

#include <sys/resource.h>

class tst_serial : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void open_close_reopen();
    void empty_port_data();
    void empty_port();
    void open_fails_data();
    void open_fails();
    void rescan_while_open();
    void serial5_error_data();
    void serial5_error();
    void extra_ports_data();
    void extra_ports();

    void receive_data();
    void receive();
    void read_after_close();

    void error_filter_data();
    void error_filter();
    void device_gone();

private:
    QScopedPointer<Test_env> env;
};

namespace {

const char extra_var[] = "ORB_PTZ_WASHING_EXTRA_PORTS";

QString connect_text()
{
    return QStringLiteral("Соединиться");
}

QString disconnect_text()
{
    return QStringLiteral("Разъединиться");
}

QStringList port_items(MainWindow &w)
{
    QStringList out;
    const QComboBox *cb = Window_probe::ui(w)->cb_port;
    for (int i = 0; i < cb->count(); ++i)
        out.append(cb->itemText(i));
    return out;
}

QStringList system_ports()
{
    QStringList out;
    const auto ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &port : ports)
        out.append(port.portName());
    return out;
}

// Puts only the pty's slave into the port list and opens it with the button.
bool open_on(MainWindow &w, const Pty &pty)
{
    auto *ui = Window_probe::ui(w);
    ui->cb_port->clear();
    ui->cb_port->addItem(pty.slave_path());
    ui->btn_connect->click();
    return Window_probe::serial(w)->isOpen();
}

QStringList lines_with_level(const QString &level)
{
    return Test_env::log_lines().filter(QRegularExpression(QLatin1Char('^') + level + ' '));
}

// The serial library shortens /dev/ names; the tool logs what it reports.
QString library_port_name(const QString &name)
{
    QSerialPort port;
    port.setPortName(name);
    return port.portName();
}

double cpu_seconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

} // namespace

void tst_serial::initTestCase()
{
    env.reset(new Test_env);
    qunsetenv(extra_var);
}

void tst_serial::init()
{
    Test_env::clear_log();
}

void tst_serial::cleanup()
{
    qunsetenv(extra_var);
}

void tst_serial::open_close_reopen()
{
    Pty pty;
    QVERIFY(pty.is_open());
    MainWindow w;
    auto *ui = Window_probe::ui(w);
    QSerialPort *serial = Window_probe::serial(w);
    QSignalSpy opened(&w, &MainWindow::is_open);
    QSignalSpy closed(&w, &MainWindow::is_close);
    QVERIFY(opened.isValid() && closed.isValid());
    QCOMPARE(ui->btn_connect->text(), connect_text());

    QVERIFY(open_on(w, pty));
    QCOMPARE(serial->portName(), library_port_name(pty.slave_path()));
    QCOMPARE(serial->baudRate(QSerialPort::Input), 9600);
    QCOMPARE(serial->baudRate(QSerialPort::Output), 9600);
    QCOMPARE(ui->btn_connect->text(), disconnect_text());
    QCOMPARE(opened.count(), 1);

    // The port really carries bytes both ways.
    emit w.send(QByteArray(":AABB01\n"));
    QCOMPARE(pty.read(8, 2000), QByteArray(":AABB01\n"));

    ui->btn_connect->click();
    QVERIFY(!serial->isOpen());
    QCOMPARE(ui->btn_connect->text(), connect_text());
    QCOMPARE(closed.count(), 1);

    // The same port object opens again after a close.
    ui->btn_connect->click();
    QVERIFY(serial->isOpen());
    QCOMPARE(ui->btn_connect->text(), disconnect_text());
    QCOMPARE(opened.count(), 2);
    emit w.send(QByteArray("again\n"));
    QCOMPARE(pty.read(6, 2000), QByteArray("again\n"));

    ui->btn_connect->click();
    QVERIFY(!serial->isOpen());
    QVERIFY(lines_with_level(QStringLiteral("ERROR")).isEmpty());
}

void tst_serial::empty_port_data()
{
    QTest::addColumn<bool>("open_first");
    QTest::newRow("port closed") << false;
    QTest::newRow("port open") << true;
}

void tst_serial::empty_port()
{
    QFETCH(bool, open_first);
    Pty pty;
    QVERIFY(pty.is_open());
    MainWindow w;
    auto *ui = Window_probe::ui(w);
    if (open_first)
        QVERIFY(open_on(w, pty));
    const QString button_before = ui->btn_connect->text();
    ui->cb_port->clear();

    Box_closer closer;
    ui->btn_connect->click();

    QCOMPARE(closer.boxes.size(), 1);
    const Box_closer::Box box = closer.boxes.first();
    QCOMPARE(box.class_name, QStringLiteral("QMessageBox"));
    QCOMPARE(box.title, QStringLiteral("Ошибка выбора COM-порта"));
    QCOMPARE(box.text, QStringLiteral("COM-порт не выбран!"));
    QCOMPARE(box.icon, int(QMessageBox::Critical));
    QCOMPARE(box.buttons, int(QMessageBox::Ok));
    QCOMPARE(box.default_button, int(QMessageBox::Ok));
    QVERIFY(!box.has_parent);
    QCOMPARE(Test_env::log_lines(), QStringList{QStringLiteral("INFO Порт не выбран")});
    // The refusal comes before the open/close decision: an open port stays open.
    QCOMPARE(Window_probe::serial(w)->isOpen(), open_first);
    QCOMPARE(ui->btn_connect->text(), button_before);
}

void tst_serial::open_fails_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("missing device") << QStringLiteral("/dev/orb-no-such-port");
    QTest::newRow("not a terminal") << QStringLiteral("/dev/null");
    QTest::newRow("directory") << QStringLiteral("/tmp");
}

void tst_serial::open_fails()
{
    QFETCH(QString, name);
    MainWindow w;
    auto *ui = Window_probe::ui(w);
    QSignalSpy closed(&w, &MainWindow::is_close);
    QVERIFY(closed.isValid());
    ui->cb_port->clear();
    ui->cb_port->addItem(name);

    ui->btn_connect->click();

    QVERIFY(!Window_probe::serial(w)->isOpen());
    QCOMPARE(ui->btn_connect->text(), connect_text());
    QCOMPARE(closed.count(), 1);
    const QStringList lines = Test_env::log_lines();
    QCOMPARE(lines.size(), 1);
    const QString head =
        QStringLiteral("ERROR ERROR: serial [%1] not open (").arg(library_port_name(name));
    QVERIFY2(lines.first().startsWith(head) && lines.first().endsWith(QLatin1Char(')')) &&
                 lines.first().size() > head.size() + 1,
             qPrintable(lines.first()));
}

void tst_serial::rescan_while_open()
{
    Pty pty;
    QVERIFY(pty.is_open());
    const QString decoy = QStringLiteral("/dev/orb-decoy");
    qputenv(extra_var, QFile::encodeName(decoy + QDir::listSeparator() + pty.slave_path()));
    MainWindow w;
    auto *ui = Window_probe::ui(w);
    ui->cb_port->setCurrentText(pty.slave_path());
    QCOMPARE(ui->cb_port->currentText(), pty.slave_path());
    ui->btn_connect->click();
    QVERIFY(Window_probe::serial(w)->isOpen());

    ui->btn_scan->click();
    QVERIFY(Window_probe::serial(w)->isOpen());
    QCOMPARE(ui->btn_connect->text(), disconnect_text());
    QCOMPARE(ui->cb_port->currentIndex(), 0);
    QVERIFY(ui->cb_port->currentText() != pty.slave_path());

    // Whatever the list now shows, the button closes the open port.
    ui->btn_connect->click();
    QVERIFY(!Window_probe::serial(w)->isOpen());
    QCOMPARE(ui->btn_connect->text(), connect_text());
    QVERIFY(Test_env::log_lines().isEmpty());
}

void tst_serial::serial5_error_data()
{
    QTest::addColumn<int>("err");
    QTest::addColumn<QString>("logged");
    QTest::newRow("0") << 0 << QString();
    QTest::newRow("8") << 8 << QStringLiteral("ERROR ReadError");
    QTest::newRow("13") << 13 << QStringLiteral("ERROR NotOpenError");
    QTest::newRow("42") << 42 << QStringLiteral("ERROR unknown error 42");
}

void tst_serial::serial5_error()
{
    QFETCH(int, err);
    QFETCH(QString, logged);
    Pty pty;
    QVERIFY(pty.is_open());
    MainWindow w;
    auto *ui = Window_probe::ui(w);
    QVERIFY(open_on(w, pty));
    // A name no scan produces: it stays only if no rescan happens.
    ui->cb_port->addItem(QStringLiteral("/dev/orb-stale"));

    QVERIFY(QMetaObject::invokeMethod(
        &w, "serial5_error",
        Q_ARG(QSerialPort::SerialPortError, QSerialPort::SerialPortError(err))));

    const bool acted = !logged.isNull();
    QCOMPARE(Test_env::log_lines(), acted ? QStringList{logged} : QStringList());
    QCOMPARE(Window_probe::serial(w)->isOpen(), !acted);
    QCOMPARE(ui->btn_connect->text(), acted ? connect_text() : disconnect_text());
    QCOMPARE(port_items(w).contains(QStringLiteral("/dev/orb-stale")), !acted);
}

void tst_serial::extra_ports_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QStringList>("appended");

    const QString sep = QString(QDir::listSeparator());
    const QString a = QStringLiteral("/dev/pts/orb-a");
    const QString b = QStringLiteral("/tmp/orb link b");
    QTest::newRow("empty") << QString() << QStringList();
    QTest::newRow("one") << a << QStringList{a};
    QTest::newRow("two in order") << b + sep + a << QStringList{b, a};
    QTest::newRow("empty entries") << sep + a + sep + sep + b + sep << QStringList{a, b};
    QTest::newRow("repeated name") << a + sep + b + sep + a << QStringList{a, b};
    QTest::newRow("only separators") << sep + sep << QStringList();
    const QStringList system = system_ports();
    if (!system.isEmpty())
        QTest::newRow("system port named again") << system.first() + sep + a << QStringList{a};
}

void tst_serial::extra_ports()
{
    QFETCH(QString, value);
    QFETCH(QStringList, appended);
    if (!value.isNull())
        qputenv(extra_var, QFile::encodeName(value));
    MainWindow w;
    const QStringList expected = system_ports() + appended;
    QCOMPARE(port_items(w), expected);
    QCOMPARE(Window_probe::ui(w)->cb_port->currentIndex(), expected.isEmpty() ? -1 : 0);
    // The list comes back the same after a rescan.
    Window_probe::ui(w)->btn_scan->click();
    QCOMPARE(port_items(w), expected);
}

void tst_serial::receive_data()
{
    // Each batch is written once the previous one has been read, so each is one read.
    QTest::addColumn<QList<QByteArray>>("batches");
    QTest::addColumn<QStringList>("logged");
    QTest::addColumn<QByteArray>("rx_line");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("ready");

    const QByteArray status_request = QByteArray::fromHex("AABB010300001F84");
    QTest::newRow("worked line") << QList<QByteArray>{":AABB010300001F84\n"}
                                 << QStringList{QStringLiteral(
                                        "DEBUG read_data: :AABB010300001F84")}
                                 << QByteArray("AABB010300001F84") << status_request << true;
    QTest::newRow("line in two batches")
        << QList<QByteArray>{":AABB0103", "00001F84\n"}
        << QStringList{QStringLiteral("DEBUG read_data: :AABB0103"),
                       QStringLiteral("DEBUG read_data: 00001F84")}
        << QByteArray("AABB010300001F84") << status_request << true;
    QTest::newRow("CR LF") << QList<QByteArray>{":AABB010300001F84\r\n"}
                           << QStringList{QStringLiteral("DEBUG read_data: :AABB010300001F84")}
                           << QByteArray("AABB010300001F84") << status_request << true;
    QTest::newRow("bare CR LF") << QList<QByteArray>{":0102", "\r\n"}
                                << QStringList{QStringLiteral("DEBUG read_data: :0102"),
                                               QStringLiteral("DEBUG read_data: ")}
                                << QByteArray("0102") << QByteArray::fromHex("0102") << true;
    // The first seven characters of a line arriving alone: its ':' is lost with them.
    QTest::newRow("7 bytes, bad sync")
        << QList<QByteArray>{":11\n", ":AABB01", "0300\n"}
        << QStringList{QStringLiteral("DEBUG read_data: :11"), QStringLiteral("DEBUG bad sync"),
                       QStringLiteral("DEBUG read_data: 0300")}
        << QByteArray("110300") << QByteArray::fromHex("110300") << true;
    QTest::newRow("7 bytes, bad address")
        << QList<QByteArray>{":22", QByteArray::fromHex("FF0600000000FF")}
        << QStringList{QStringLiteral("DEBUG read_data: :22"), QStringLiteral("DEBUG bad address")}
        << QByteArray("22") << QByteArray() << false;
    QTest::newRow("7 bytes, sync frame")
        << QList<QByteArray>{":33", QByteArray::fromHex("FF0541420D0A00")}
        << QStringList{QStringLiteral("DEBUG read_data: :33"),
                       QStringLiteral("DEBUG read_data: [FF0541420D0A00]")}
        << (QByteArray("33\xff\x05"
                       "AB") +
            QByteArray(1, '\0'))
        << QByteArray::fromHex("33AB") << true;
    QTest::newRow("starts with a zero byte")
        << QList<QByteArray>{QByteArray("\0:4455\n", 7) + QByteArray("x")} << QStringList()
        << QByteArray("4455x") << QByteArray::fromHex("4455") << true;
    QTest::newRow("non-ASCII logged once in hex")
        << QList<QByteArray>{QByteArray("\xd0\x9e:66\n")}
        << QStringList{QStringLiteral("DEBUG read_data: [D09E3A36360A]")} << QByteArray("66")
        << QByteArray::fromHex("66") << true;
}

void tst_serial::receive()
{
    QFETCH(QList<QByteArray>, batches);
    QFETCH(QStringList, logged);
    QFETCH(QByteArray, rx_line);
    QFETCH(QByteArray, reply);
    QFETCH(bool, ready);

    Pty pty;
    QVERIFY(pty.is_open());
    MainWindow w;
    auto *ui = Window_probe::ui(w);
    ui->sb_address_upu->setValue(5);
    QCOMPARE(ui->sb_address_upu->value(), 5);
    QVERIFY(open_on(w, pty));

    QSignalSpy debug(&w, &MainWindow::debug);
    QVERIFY(debug.isValid());
    int expected_lines = 0;
    for (const QByteArray &batch : batches) {
        QVERIFY(pty.write(batch));
        // A batch that starts with a zero byte logs nothing; the rows send it last.
        if (batch.startsWith('\0'))
            break;
        ++expected_lines;
        QTRY_COMPARE_WITH_TIMEOUT(debug.count(), expected_lines, 2000);
    }

    QTRY_COMPARE_WITH_TIMEOUT(Window_probe::rx_line(w), rx_line, 2000);
    QTRY_COMPARE_WITH_TIMEOUT(Window_probe::reply(w), reply, 2000);
    QCOMPARE(Window_probe::reply_ready(w), ready);
    QCOMPARE(Test_env::log_lines(), logged);
}

void tst_serial::read_after_close()
{
    Pty pty;
    QVERIFY(pty.is_open());
    MainWindow w;
    QVERIFY(open_on(w, pty));
    QSerialPort *serial = Window_probe::serial(w);
    // Connected after the window's own slot: the shot is armed, then the port closes at
    // once, well before the shot falls due.
    QPushButton *button = Window_probe::ui(w)->btn_connect;
    connect(serial, &QSerialPort::readyRead, button, [serial, button] {
        if (serial->isOpen())
            button->click();
    });
    static QStringList warnings;
    warnings.clear();
    const QtMessageHandler old_handler =
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &msg) {
            if (type != QtDebugMsg && type != QtInfoMsg)
                warnings.append(msg);
        });

    QVERIFY(pty.write(":7788\n"));
    QTRY_VERIFY_WITH_TIMEOUT(!serial->isOpen(), 2000);
    QElapsedTimer clock;
    clock.start();
    QTRY_VERIFY_WITH_TIMEOUT(clock.elapsed() > 300, 1000);
    qInstallMessageHandler(old_handler);

    QCOMPARE(warnings, QStringList());
    QVERIFY(Window_probe::rx_line(w).isEmpty());
    QVERIFY(!Window_probe::reply_ready(w));
    QVERIFY(Test_env::log_lines().isEmpty());
}

void tst_serial::error_filter_data()
{
    QTest::addColumn<int>("err");
    QTest::addColumn<bool>("loses_port");
    QTest::newRow("NoError") << int(QSerialPort::NoError) << false;
    QTest::newRow("ParityError") << int(QSerialPort::ParityError) << false;
    QTest::newRow("FramingError") << int(QSerialPort::FramingError) << false;
    QTest::newRow("UnsupportedOperationError")
        << int(QSerialPort::UnsupportedOperationError) << false;
    QTest::newRow("TimeoutError") << int(QSerialPort::TimeoutError) << false;
    QTest::newRow("NotOpenError") << int(QSerialPort::NotOpenError) << false;
    QTest::newRow("OpenError") << int(QSerialPort::OpenError) << false;
    QTest::newRow("ReadError") << int(QSerialPort::ReadError) << true;
    QTest::newRow("WriteError") << int(QSerialPort::WriteError) << true;
    QTest::newRow("ResourceError") << int(QSerialPort::ResourceError) << true;
}

void tst_serial::error_filter()
{
    QFETCH(int, err);
    QFETCH(bool, loses_port);
    Pty pty;
    QVERIFY(pty.is_open());
    MainWindow w;
    QVERIFY(open_on(w, pty));
    QSerialPort *serial = Window_probe::serial(w);

    // A burst, as a failing device reports it: the loss is logged once.
    for (int i = 0; i < 1000; ++i)
        emit serial->errorOccurred(QSerialPort::SerialPortError(err));

    QCOMPARE(serial->isOpen(), !loses_port);
    QCOMPARE(Window_probe::ui(w)->btn_connect->text(),
             loses_port ? connect_text() : disconnect_text());
    const QStringList lines = Test_env::log_lines();
    QCOMPARE(lines.size(), loses_port ? 1 : 0);
    if (loses_port)
        QCOMPARE(lines.first(), QStringLiteral("ERROR ") + QTest::currentDataTag());
}

void tst_serial::device_gone()
{
    Pty pty;
    QVERIFY(pty.is_open());
    MainWindow w;
    auto *ui = Window_probe::ui(w);
    QVERIFY(open_on(w, pty));

    pty.close_master();
    QTRY_COMPARE_WITH_TIMEOUT(ui->btn_connect->text(), connect_text(), 1000);
    QVERIFY(!Window_probe::serial(w)->isOpen());

    // A port left reporting errors would keep a core busy; a closed one costs nothing.
    QElapsedTimer wall;
    wall.start();
    const double cpu_before = cpu_seconds();
    QTRY_VERIFY_WITH_TIMEOUT(wall.elapsed() >= 1000, 2000);
    const double cpu = cpu_seconds() - cpu_before;
    const double elapsed = double(wall.elapsed()) / 1000.0;
    QVERIFY2(cpu < 0.25 * elapsed,
             qPrintable(QStringLiteral("cpu %1 s over %2 s").arg(cpu).arg(elapsed)));

    const QStringList lines = Test_env::log_lines();
    QCOMPARE(lines.size(), 1);
    QVERIFY2(lines.first() == QLatin1String("ERROR ReadError") ||
                 lines.first() == QLatin1String("ERROR ResourceError"),
             qPrintable(lines.first()));
}

QTEST_MAIN(tst_serial)
#include "tst_serial.moc"
