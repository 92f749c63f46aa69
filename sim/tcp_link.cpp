#include "tcp_link.h"

namespace sim {

Tcp_link::Tcp_link(QObject *parent)
    : Link(parent)
{
    connect(&server, &QTcpServer::newConnection, this, &Tcp_link::take_client);
}

bool Tcp_link::parse_endpoint(const QString &text, QHostAddress *host, quint16 *port, QString *why)
{
    const int colon = text.lastIndexOf(QLatin1Char(':'));
    QString host_text = colon < 0 ? QString() : text.left(colon);
    // [::1]:5000 as URLs write it.
    if (host_text.startsWith(QLatin1Char('[')) && host_text.endsWith(QLatin1Char(']')))
        host_text = host_text.mid(1, host_text.size() - 2);
    bool ok = false;
    const uint number = text.mid(colon + 1).toUInt(&ok);
    QHostAddress address =
        host_text.isEmpty() ? QHostAddress(QHostAddress::LocalHost) : QHostAddress(host_text);
    if (!ok || number > 65535 || address.isNull()) {
        *why = QStringLiteral("--tcp wants PORT or ADDRESS:PORT (a numeric address), not %1")
                   .arg(text);
        return false;
    }
    *host = address;
    *port = quint16(number);
    return true;
}

bool Tcp_link::open(const QHostAddress &host, quint16 port, QString *error)
{
    if (!server.listen(host, port)) {
        *error = QStringLiteral("cannot listen on %1:%2: %3")
                     .arg(host.toString())
                     .arg(port)
                     .arg(server.errorString());
        return false;
    }
    return true;
}

QString Tcp_link::name() const
{
    const QHostAddress host = server.serverAddress();
    const QString shown = host.protocol() == QAbstractSocket::IPv6Protocol
                              ? QStringLiteral("[%1]").arg(host.toString())
                              : host.toString();
    return QStringLiteral("tcp://%1:%2").arg(shown).arg(server.serverPort());
}

void Tcp_link::take_client()
{
    while (server.hasPendingConnections()) {
        QTcpSocket *next = server.nextPendingConnection();
        if (client) {
            emit note(QStringLiteral("refused %1: the line is taken")
                          .arg(next->peerAddress().toString()));
            next->abort();
            next->deleteLater();
            continue;
        }
        client = next;
        emit note(QStringLiteral("client %1:%2 connected")
                      .arg(next->peerAddress().toString())
                      .arg(next->peerPort()));
        connect(next, &QTcpSocket::readyRead, this,
                [this, next] { emit received(next->readAll()); });
        connect(next, &QTcpSocket::disconnected, this, [this, next] {
            emit note(QStringLiteral("client %1 gone").arg(next->peerAddress().toString()));
            if (client == next)
                client = nullptr;
            next->deleteLater();
        });
    }
}

void Tcp_link::write(const QByteArray &bytes)
{
    // With no client the bytes go nowhere, as on a line nobody listens to.
    if (client && client->state() == QAbstractSocket::ConnectedState)
        client->write(bytes);
}

void Tcp_link::discard()
{
    // What the socket has taken is on its way; only what it still holds could be dropped,
    // and Qt offers no way to. A new client starts on a clean line anyway.
}

void Tcp_link::close()
{
    if (client)
        client->abort();
    server.close();
}

} // namespace sim
