#include "transport.h"

#include "log.h"

#include "protocol/exchange_text.h"
#include "serial/hangup.h"

#include <QMetaEnum>
#include <QSerialPort>

#ifdef ORB_HAVE_NETWORK
std::unique_ptr<Transport> make_tcp_transport(const QString &name, int connect_ms, QString *why);
#endif

namespace {

class Serial_transport : public Transport
{
public:
    Serial_transport(const QString &name, int baud)
        : given(name)
        , baud(baud)
    {
        port.setPortName(name);
    }

    QString name() const override { return port.portName(); }
    void close() override
    {
        if (port.isOpen())
            port.close();
    }
    bool is_open() const override { return port.isOpen(); }
    QIODevice &device() override { return port; }

    Result open(Log *log) override
    {
        if (!port.open(QIODevice::ReadWrite)) {
            log->error(orb::port_not_open_text(port.portName(), port.errorString()));
            return {Outcome::no_port,
                    QStringLiteral("cannot open %1: %2").arg(given, port.errorString())};
        }
        if (!port.setBaudRate(baud)) {
            log->error(orb::baud_rate_text(baud));
            const QString why = port.errorString();
            port.close();
            return {Outcome::no_port,
                    QStringLiteral("cannot set %1 baud on %2: %3").arg(baud).arg(given, why)};
        }
        return {};
    }

    void drop_input() override
    {
        port.clear(QSerialPort::Input);
        port.readAll();
    }

    bool wait_for_input(int ms) override { return orb::wait_for_ready_read(port, ms); }

    bool broken() override
    {
        const QSerialPort::SerialPortError err = orb::line_error(port).code;
        if (err != QSerialPort::NoError && err != QSerialPort::TimeoutError)
            return true;
        port.clearError();
        return false;
    }

    Result lost(Log *log) override
    {
        const orb::Line_error err = orb::line_error(port);
        // The window logs the error's enum name for the same event.
        const char *key =
            QMetaEnum::fromType<QSerialPort::SerialPortError>().valueToKey(int(err.code));
        log->error(orb::port_error_text(key, int(err.code)));
        const Result out{Outcome::port_lost,
                         QStringLiteral("port %1 lost: %2").arg(port.portName(), err.text)};
        port.close();
        return out;
    }

private:
    QSerialPort port;
    QString given; // as the user wrote it, for messages
    int baud;
};

} // namespace

bool is_tcp_name(const QString &name)
{
    return name.startsWith(QLatin1String("tcp://"), Qt::CaseInsensitive);
}

std::unique_ptr<Transport> make_transport(const QString &name, int baud, int connect_ms,
                                          QString *why)
{
    if (!is_tcp_name(name))
        return std::make_unique<Serial_transport>(name, baud);
#ifdef ORB_HAVE_NETWORK
    return make_tcp_transport(name, connect_ms, why);
#else
    Q_UNUSED(connect_ms)
    *why = QStringLiteral("%1: this orbctl is built without Qt Network; tcp:// ports are not "
                          "available")
               .arg(name);
    return nullptr;
#endif
}
