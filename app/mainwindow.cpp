#include "mainwindow.h"
#include "aboutbox.h"
#include "control_log.h"
#include "form_font.h"
#include "protocol/log_line.h"
#include "protocol/version.h"
#include "serial/hangup.h"
#include "ui_mainwindow.h"

#include <QSettings>
#include <QTimer>

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , ui(new Ui::MainWindow)
    , serial(nullptr)
    , reply_ready(false)
    , settings(nullptr)
    , rx_timer(nullptr)
{
    init_window();
}

MainWindow::~MainWindow()
{
    if (settings) {
        settings->setValue(QStringLiteral("windowState"), QVariant(saveState(0)));
        settings->setValue(QStringLiteral("geometry"), QVariant(saveGeometry()));
        // Deleting the store writes it out; nothing later would.
        delete settings;
    }
    if (serial) {
        // Closing on the way out must not come back as a lost-port error into a half-gone window.
        serial->disconnect(this);
        delete serial;
    }
    delete rx_timer;
    delete ui;
}

void MainWindow::init_window()
{
    ui->setupUi(this);

    auto *log = new Control_LOG(QLatin1String(orb::log_file_name), this);
    connect(this, &MainWindow::info, log, &Control_LOG::info);
    connect(this, &MainWindow::debug, log, &Control_LOG::debug);
    connect(this, &MainWindow::error, log, &Control_LOG::error);
    connect(this, &MainWindow::trace, log, &Control_LOG::trace);
    // After the line that could not be written, not inside its write: the box waits its turn.
    connect(log, &Control_LOG::unwritable, this,
            [this](const QString &text) { notify(ERROR, text, tr("Ошибка"), text, true); },
            Qt::QueuedConnection);

    init_serial();

    ui->sb_address_ptz->setRange(0, 65535);
    ui->sb_day->setRange(0, 364);
    ui->sb_hour->setRange(0, 23);
    ui->sb_min->setRange(0, 59);
    ui->sb_preset_move->setRange(0, 65535);
    ui->sb_preset_wiper->setRange(0, 65535);
    ui->sb_time_pattern_move->setRange(0, 65535);
    ui->sb_time_pattern_wiper->setRange(0, 65535);
    ui->sb_time_interval_rain->setRange(0, 65535);

    ui->cb_normal_sensor_rain->addItem(tr("Замкнутое"));
    ui->cb_normal_sensor_rain->addItem(tr("Разомкнутое"));

    ui->cb_level->setEnabled(false);
    ui->cb_rain->setEnabled(false);
    ui->cb_alarm_in->setEnabled(false);
    ui->le_state->setEnabled(false);

    connect(ui->btn_about, &QPushButton::clicked, this, &MainWindow::f_about);
    connect(ui->btn_connect, &QPushButton::clicked, this, &MainWindow::f_connect);
    connect(ui->btn_quit, &QPushButton::clicked, this, &MainWindow::f_quit);
    connect(ui->btn_pump_off, &QPushButton::clicked, this, &MainWindow::cmd_pump_off);
    connect(ui->btn_pump_on, &QPushButton::clicked, this, &MainWindow::cmd_pump_on);
    connect(ui->btn_read_presets, &QPushButton::clicked, this, &MainWindow::cmd_get_param);
    connect(ui->btn_read_state, &QPushButton::clicked, this, &MainWindow::cmd_get_state);
    connect(ui->btn_read_time, &QPushButton::clicked, this, &MainWindow::cmd_get_param);
    connect(ui->btn_read_wish, &QPushButton::clicked, this, &MainWindow::cmd_get_param);
    connect(ui->btn_scan, &QPushButton::clicked, this, &MainWindow::f_scan);
    connect(ui->btn_write_presets, &QPushButton::clicked, this, &MainWindow::cmd_set_param);
    connect(ui->btn_write_time, &QPushButton::clicked, this, &MainWindow::cmd_set_param);
    connect(ui->btn_write_wish, &QPushButton::clicked, this, &MainWindow::cmd_set_param);

    ui->lbl_main_frame->setText(
        QStringLiteral(
            "<span style=\"font-size:20pt; font-weight:600; color:#000000;\">ОРБ</span>") +
        QLatin1Char(' ') +
        QStringLiteral("<span style=\" font-size:20pt; font-weight:600; "
                       "color:#aa0000;\">Zeduzareze</span>"));
    const QString site = QLatin1String(orb_maker::site);
    ui->lbl_adv_frame->setText(QString::fromUtf8(orb_maker::notice) + QStringLiteral("<br>") +
                               QStringLiteral("<a href='%1'>%1</a>").arg(site));
    connect(ui->lbl_adv_frame, &QLabel::linkActivated, this, &MainWindow::open_url);
    fit_form_font(this);

    ui->main_tabWidget->setCurrentIndex(0);
    ui->adv_tabWidget->setCurrentIndex(0);
    ui->tabPTZ_WorkMode->setCurrentIndex(0);

    settings =
        new QSettings(QLatin1String(orb::organization_name), QLatin1String(orb::application_name));
    restoreState(settings->value(QStringLiteral("windowState")).toByteArray(), 0);
    restoreGeometry(settings->value(QStringLiteral("geometry")).toByteArray());

    f_scan();
}

void MainWindow::init_serial()
{
    rx_timer = new QTimer();
    connect(rx_timer, &QTimer::timeout, this, &MainWindow::timer_stop);
    serial = new QSerialPort();
    connect(this, &MainWindow::send, this, &MainWindow::send_serial);
    connect(serial, &QSerialPort::readyRead, this, &MainWindow::procSerialDataReceive);
    // A vanished adapter or a closed peer leaves the port open and, on Linux, reporting
    // read errors in a tight loop; treat such errors as the loss of the port. Open
    // failures are reported by f_connect, and line noise, timeouts, unsupported settings
    // or calls on a closed port leave a working link. Once closed the port is ignored,
    // so a burst of errors costs one log line.
    connect(serial, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError err) {
        if (!serial->isOpen())
            return;
        switch (err) {
        case QSerialPort::ReadError:
        case QSerialPort::WriteError:
        case QSerialPort::ResourceError:
            serial5_error(err);
            break;
        default:
            break;
        }
    });
    hangup = new orb::Hangup_watch(serial, serial);
    connect(hangup, &orb::Hangup_watch::hung_up, this,
            [this] { serial5_error(orb::line_error(*serial).code); });
}

void MainWindow::f_quit()
{
    close();
}

// Slots with no body and no caller: part of the window's published slot list, whose order is
// the meta-object's method order, so they stay.
void MainWindow::f_help() {}

void MainWindow::check_min_time() {}

void MainWindow::show_objectname() {}

void MainWindow::test() {}
