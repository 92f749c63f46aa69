#include "mainwindow.h"
#include "ui_mainwindow.h"

#include <QSerialPortInfo>

// Placeholder listing; the serial work completes this file.
void MainWindow::f_scan()
{
    ui->cb_port->clear();
    const auto ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &port : ports)
        ui->cb_port->addItem(port.portName());
}

void MainWindow::f_connect() {}

void MainWindow::serial5_error(QSerialPort::SerialPortError err)
{
    Q_UNUSED(err)
}

void MainWindow::show_connected()
{
    ui->btn_connect->setText(tr("Разъединиться"));
}

void MainWindow::show_disconnected()
{
    ui->btn_connect->setText(tr("Соединиться"));
}
