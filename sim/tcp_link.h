#pragma once

#include "link.h"

#include <QHostAddress>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>

namespace sim {

// The line as a serial device server carries it in raw TCP mode: one client at a time, the
// bytes as they are. A client going away frees the line for the next one.
class Tcp_link : public Link
{
    Q_OBJECT

public:
    explicit Tcp_link(QObject *parent = nullptr);

    // "PORT" listens on the loopback address; "HOST:PORT" on HOST. Port 0 takes a free one.
    static bool parse_endpoint(const QString &text, QHostAddress *host, quint16 *port,
                               QString *why);

    bool open(const QHostAddress &host, quint16 port, QString *error);

    QString name() const override;
    void write(const QByteArray &bytes) override;
    bool drained() const override { return !client || client->bytesToWrite() == 0; }
    void discard() override;
    void close() override;

private:
    void take_client();

    QTcpServer server;
    QPointer<QTcpSocket> client;
};

} // namespace sim
