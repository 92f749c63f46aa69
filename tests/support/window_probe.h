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
    static void notify(MainWindow &w, LogLevel level, const QString &log_text, const QString &title,
                       const QString &text, bool show_box)
    {
        w.notify(level, log_text, title, text, show_box);
    }
};
