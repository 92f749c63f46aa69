#pragma once

#include "mainwindow.h"
#include "ui_mainwindow.h"

// Gives the test suites the window's private state and operations.
class Window_probe
{
public:
    static Ui::MainWindow *ui(MainWindow &w) { return w.ui; }
    static QSerialPort *serial(MainWindow &w) { return w.serial; }
    static QByteArray &rx_line(MainWindow &w) { return w.rx_line; }
    static QByteArray &reply(MainWindow &w) { return w.reply; }
    static bool &reply_ready(MainWindow &w) { return w.reply_ready; }
    static QTimer *rx_timer(MainWindow &w) { return w.rx_timer; }

    static void notify(MainWindow &w, LogLevel level, const QString &log_text,
                       const QString &title, const QString &text, bool show_box)
    {
        w.notify(level, log_text, title, text, show_box);
    }
    static int check_reply(MainWindow &w, const QByteArray &data, int command)
    {
        return w.check_reply(data, command, false);
    }
    static void wait_reply(MainWindow &w, int ms) { w.wait_reply(ms); }
    static bool check_sync_frame(MainWindow &w, const QByteArray &frame)
    {
        return w.check_sync_frame(frame);
    }
    static QString state_text(MainWindow &w, int state) { return w.state_text(state); }
    static QByteArray frame_packet(MainWindow &w, const QByteArray &packet)
    {
        return w.frame_packet(packet);
    }
};
