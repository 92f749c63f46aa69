#pragma once

#include <QByteArray>
#include <QMainWindow>
#include <QSerialPort>
#include <QString>

class QSettings;
class QTimer;
class QEventLoop;
class QMessageBox;
namespace orb {
class Hangup_watch;
}

QT_BEGIN_NAMESPACE
namespace Ui {
class MainWindow;
}
QT_END_NAMESPACE

// Log levels of notify(); the values are fixed.
enum LogLevel { INFO = 0, DEBUG = 1, ERROR = 2, TRACE = 3 };

class MainWindow : public QMainWindow
{
    Q_OBJECT
    Q_DISABLE_COPY(MainWindow)
    friend class Window_probe; // tests reach private state through it

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

signals:
    void info(QString text);
    void debug(QString text);
    void error(QString text);
    void trace(QString text);
    // Nothing is connected to these two; they belong to the window's published signals.
    void is_open();
    void is_close();
    void send(QByteArray data);

private slots:
    void f_about();
    void f_connect();
    void f_help();
    void f_quit();
    void f_scan();
    void read_data(QByteArray ba);
    void cmd_test();
    void cmd_get_param();
    void cmd_set_param();
    void cmd_get_state();
    void cmd_pump_on();
    void cmd_pump_off();
    void check_min_time();
    void open_url(QString link);
    void serial5_error(QSerialPort::SerialPortError err);
    void show_objectname();
    void send_serial(QByteArray data);
    void procSerialDataReceive();
    void timer_stop();
    void test();

private:
    void init_window();
    void init_serial();
    void notify(LogLevel level, const QString &log_text, const QString &title, const QString &text,
                bool show_box);
    // Runs a message box. Its text doubles as its accessible description: some readers announce
    // a new window by name and description only, never reading its labels.
    static void exec_box(QMessageBox &box);
    void show_connected();
    void show_disconnected();
    bool check_sync_frame(const QByteArray &frame);
    QByteArray frame_packet(const QByteArray &packet) const;
    int check_reply(QByteArray data, int command, bool show_box);
    void wait_reply(int ms);

    // False, with one log line, while another command waits for its reply; else logs title.
    bool start_command(const QString &title);
    bool port_is_open() const;
    // Logs (and, with show_box, shows) "Порт не открыт!" unless the port is open.
    bool port_ready(bool show_box);
    // Sends one request and waits for its reply; true when reply holds a valid answer.
    bool exchange(int command, const QByteArray &payload);
    // The record the reply carries (Param_data or Status_data); false, with one ERROR line,
    // for a reply shorter than the record.
    template<class Record> bool reply_record(Record *out);

    Ui::MainWindow *ui;
    QSerialPort *serial;
    orb::Hangup_watch *hangup = nullptr;
    QByteArray rx_line;
    QByteArray reply;
    bool reply_ready;
    QSettings *settings;
    QTimer *rx_timer;
    bool waiting = false; // an exchange is inside wait_reply
};
