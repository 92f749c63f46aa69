#include "mainwindow.h"
#include "protocol/exchange_text.h"
#include "protocol/extra_ports.h"
#include "serial/hangup.h"
#include "ui_mainwindow.h"

#include <QMessageBox>
#include <QMetaEnum>
#include <QSerialPortInfo>

namespace {

// By the enumeration's own names: Qt 6 dropped three values and renumbered the rest, so an
// index into a table of Qt 5 names would log ReadError as "FramingError" there.
QString error_name(QSerialPort::SerialPortError err)
{
    const auto names = QMetaEnum::fromType<QSerialPort::SerialPortError>();
    return orb::port_error_text(names.valueToKey(err), int(err));
}

} // namespace

void MainWindow::f_scan()
{
    ui->cb_port->clear();
    const auto ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &port : ports)
        ui->cb_port->addItem(port.portName());

    // The system list never shows pseudo-terminals, socat links or some virtual COM
    // pairs; they are named here instead.
    const QStringList extra = orb::extra_ports();
    for (const QString &name : extra) {
        if (ui->cb_port->findText(name, Qt::MatchExactly | Qt::MatchCaseSensitive) < 0)
            ui->cb_port->addItem(name);
    }
}

void MainWindow::f_connect()
{
    const QString name = ui->cb_port->currentText();
    if (name.isEmpty()) {
        emit info(QString::fromUtf8("Порт не выбран")); // the log's, in any language
        QMessageBox box(QMessageBox::Critical, tr("Ошибка выбора COM-порта"),
                        tr("COM-порт не выбран!"), QMessageBox::Ok);
        box.setDefaultButton(QMessageBox::Ok);
        exec_box(box);
        return;
    }

    if (serial->isOpen()) {
        hangup->close_port();
        emit is_close();
        show_disconnected();
        return;
    }

    serial->setPortName(name);
    if (serial->open(QIODevice::ReadWrite)) {
        if (!serial->setBaudRate(QSerialPort::Baud9600, QSerialPort::AllDirections))
            emit error(orb::baud_rate_text(int(QSerialPort::Baud9600)));
        hangup->arm();
        emit is_open();
        show_connected();
    } else {
        emit error(orb::port_not_open_text(serial->portName(), serial->errorString()));
        emit is_close();
        show_disconnected();
    }
}

void MainWindow::serial5_error(QSerialPort::SerialPortError err)
{
    if (err == QSerialPort::NoError)
        return;
    emit error(error_name(err));
    hangup->close_port();
    show_disconnected();
    f_scan();
}

void MainWindow::show_connected()
{
    ui->btn_connect->setText(tr("Разъединиться"));
}

void MainWindow::show_disconnected()
{
    ui->btn_connect->setText(tr("Соединиться"));
}
