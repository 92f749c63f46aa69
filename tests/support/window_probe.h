#pragma once

#include "mainwindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

#include <optional>

// The widgets the suites drive, found by objectName as a user's script would: the
// generated form stays private to the tool.
struct Form
{
    explicit Form(QWidget &w)
        : w(w)
    {}
    template<class T> T *find(const char *name) const
    {
        return w.findChild<T *>(QLatin1String(name));
    }

    QWidget &w;
    QComboBox *const cb_port = find<QComboBox>("cb_port");
    QComboBox *const cb_normal_sensor_rain = find<QComboBox>("cb_normal_sensor_rain");
    QComboBox *const cm_WorkReg = find<QComboBox>("cm_WorkReg");
    QSpinBox *const sb_address_upu = find<QSpinBox>("sb_address_upu");
    QSpinBox *const sb_NumTour = find<QSpinBox>("sb_NumTour");
    QSpinBox *const sb_PresetInitPos = find<QSpinBox>("sb_PresetInitPos");
    QCheckBox *const cb_wiper_not_active = find<QCheckBox>("cb_wiper_not_active");
    QLineEdit *const le_state = find<QLineEdit>("le_state");
    QPushButton *const btn_connect = find<QPushButton>("btn_connect");
    QPushButton *const btn_scan = find<QPushButton>("btn_scan");
};

// Names port among the extra ports, lists the ports again, picks it and presses the connect
// button, as an engineer would; true when the port opened.
inline bool connect_window(QWidget &window, const QString &port)
{
    qputenv("ORB_PTZ_WASHING_EXTRA_PORTS", QFile::encodeName(port));
    const Form ui(window);
    ui.btn_scan->click();
    ui.cb_port->setCurrentIndex(ui.cb_port->findText(port));
    ui.btn_connect->click();
    return ui.btn_connect->text() == QCoreApplication::translate("MainWindow", "Разъединиться");
}

// Gives the test suites the window's private state and operations.
class Window_probe
{
public:
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
