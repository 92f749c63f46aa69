#include "port_link.h"

namespace sim {

Port_link::Port_link(QObject *parent)
    : Link(parent)
{
    connect(&port, &QSerialPort::readyRead, this, [this] { emit received(port.readAll()); });
    connect(&port, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError e) {
        switch (e) {
        case QSerialPort::NoError:
            return;
        // A vanished peer keeps the descriptor readable and every read failing: left open,
        // the port would report the same error as fast as the loop turns.
        case QSerialPort::ReadError:
        case QSerialPort::WriteError:
        case QSerialPort::ResourceError:
        case QSerialPort::DeviceNotFoundError: {
            const QString why = port.errorString();
            close();
            emit lost(why);
            return;
        }
        default:
            emit note(QStringLiteral("port error: %1").arg(port.errorString()));
        }
    });
    connect(&hangup, &orb::Hangup_watch::hung_up, this, [this] {
        const QString why = orb::line_error(port).text;
        close();
        emit lost(why);
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
    hangup.arm();
    return true;
}

void Port_link::write(const QByteArray &bytes)
{
    if (port.isOpen())
        port.write(bytes);
}

void Port_link::close()
{
    hangup.close_port();
}

} // namespace sim
