#pragma once

#include "link.h"

#include "serial/hangup.h"

#include <QSerialPort>

namespace sim {

// An existing serial port: a null-modem cable or one end of a virtual pair.
class Port_link : public Link
{
    Q_OBJECT

public:
    explicit Port_link(QObject *parent = nullptr);

    bool open(const QString &port_name, int baud, QString *error);

    QString name() const override { return port.portName(); }
    void write(const QByteArray &bytes) override;
    bool drained() const override { return port.bytesToWrite() == 0; }
    void discard() override { port.clear(QSerialPort::Output); }
    void close() override;

private:
    QSerialPort port;
    orb::Hangup_watch hangup{&port};
};

} // namespace sim
