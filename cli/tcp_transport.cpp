#include "transport.h"

#include "log.h"

#include "protocol/exchange_text.h"

#include <QMetaEnum>
#include <QTcpSocket>
#include <QUrl>

namespace {

// A serial device server in raw TCP mode: the socket carries the line's bytes as they are.
class Tcp_transport : public Transport
{
public:
    Tcp_transport(const QString &name, const QString &host, quint16 port, int connect_ms)
        : shown(name)
        , host(host)
        , port(port)
        , connect_ms(connect_ms)
    {}

    QString name() const override { return shown; }
    void close() override { socket.abort(); }
    bool is_open() const override { return socket.state() == QAbstractSocket::ConnectedState; }
    QIODevice &device() override { return socket; }

    Result open(Log *log) override
    {
        socket.connectToHost(host, port);
        if (socket.waitForConnected(connect_ms)) {
            // A request is one short write; it must not wait for an acknowledgement.
            socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
            return {};
        }
        QString why;
        switch (socket.error()) {
        case QAbstractSocket::ConnectionRefusedError:
            why = QStringLiteral("connection refused");
            break;
        case QAbstractSocket::HostNotFoundError:
            why = QStringLiteral("host %1 not found").arg(host);
            break;
        case QAbstractSocket::SocketTimeoutError:
            why = QStringLiteral("no connection within %1 ms").arg(connect_ms);
            break;
        default:
            why = socket.errorString();
        }
        log->error(orb::port_not_open_text(shown, why));
        socket.abort();
        return {Outcome::no_port, QStringLiteral("cannot open %1: %2").arg(shown, why)};
    }

    void drop_input() override
    {
        // A late reply may still sit in the system's buffer, not yet in the socket's.
        do
            socket.readAll();
        while (socket.waitForReadyRead(0));
    }

    bool broken() override { return socket.state() != QAbstractSocket::ConnectedState; }

    Result lost(Log *log) override
    {
        const QAbstractSocket::SocketError err = socket.error();
        const char *key = QMetaEnum::fromType<QAbstractSocket::SocketError>().valueToKey(int(err));
        log->error(orb::port_error_text(key, int(err)));
        const Result out{Outcome::port_lost,
                         QStringLiteral("port %1 lost: %2").arg(shown, socket.errorString())};
        socket.abort();
        return out;
    }

private:
    QTcpSocket socket;
    QString shown, host;
    quint16 port;
    int connect_ms;
};

} // namespace

std::unique_ptr<Transport> make_tcp_transport(const QString &name, int connect_ms, QString *why)
{
    const QUrl url(name, QUrl::StrictMode);
    const int port = url.port();
    if (!url.isValid() || url.host().isEmpty() || port < 1 || !url.path().isEmpty() ||
        url.hasQuery() || url.hasFragment() || !url.userInfo().isEmpty()) {
        *why = QStringLiteral("%1 is not tcp://HOST:PORT").arg(name);
        return nullptr;
    }
    return std::make_unique<Tcp_transport>(name, url.host(), quint16(port), connect_ms);
}
