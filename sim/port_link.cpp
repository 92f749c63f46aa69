#include "port_link.h"

namespace sim {

Port_link::Port_link(QObject *parent)
    : Link(parent)
{
    connect(&port, &QSerialPort::readyRead, this, [this] { emit received(port.readAll()); });
    connect(&port, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError e) {
        if (e != QSerialPort::NoError)
            emit note(QStringLiteral("port error: %1").arg(port.errorString()));
    });
}

bool Port_link::open(const QString &port_name, int baud, QString *error)
{
    port.setPortName(port_name);
    port.setBaudRate(baud);
    if (!port.open(QIODevice::ReadWrite)) {
        *error = QStringLiteral("cannot open %1: %2").arg(port_name, port.errorString());
        return false;
    }
    return true;
}

void Port_link::write(const QByteArray &bytes)
{
    if (port.isOpen())
        port.write(bytes);
}

void Port_link::close()
{
    port.close();
}

} // namespace sim
