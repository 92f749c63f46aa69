#include "client.h"

#include "log.h"
#include "protocol/exchange_text.h"

#include <QElapsedTimer>
#include <QMetaEnum>

#include <cstdio>

Client::Client(Log *log, bool verbose)
    : log(log)
    , verbose(verbose)
{}

void Client::wire(const QString &text) const
{
    if (!verbose)
        return;
    const QByteArray line = ("orbctl: " + text + '\n').toLocal8Bit();
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    std::fflush(stderr);
}

Result Client::open(const QString &name, int baud)
{
    port.setPortName(name);
    if (!port.open(QIODevice::ReadWrite)) {
        log->error(orb::port_not_open_text(port.portName(), port.errorString()));
        return {Outcome::no_port,
                QStringLiteral("cannot open %1: %2").arg(name, port.errorString())};
    }
    if (!port.setBaudRate(baud)) {
        log->error(orb::baud_rate_text(baud));
        const QString why = port.errorString();
        port.close();
        return {Outcome::no_port,
                QStringLiteral("cannot set %1 baud on %2: %3").arg(baud).arg(name, why)};
    }
    return {};
}

void Client::close()
{
    if (port.isOpen())
        port.close();
}

Result Client::lost()
{
    const QSerialPort::SerialPortError err = port.error();
    // The window logs the error's enum name for the same event.
    const auto names = QMetaEnum::fromType<QSerialPort::SerialPortError>();
    log->error(orb::port_error_text(names.valueToKey(int(err)), int(err)));
    const Result out{Outcome::port_lost,
                     QStringLiteral("port %1 lost: %2").arg(port.portName(), port.errorString())};
    port.close();
    return out;
}

Result Client::exchange(quint8 address, orb::Command command, const QByteArray &payload,
                        int record_size, int timeout_ms, int retries, QByteArray *reply)
{
    const QByteArray packet = orb::build_packet(address, quint8(command), payload);
    Result out;
    for (int attempt = 0;; ++attempt) {
        out = once(address, int(command), packet, record_size, timeout_ms, reply);
        // A lost port does not come back by asking again.
        if (out.ok() || out.outcome == Outcome::port_lost || attempt >= retries)
            return out;
        wire(QStringLiteral("%1; trying again (%2 of %3)")
                 .arg(out.message)
                 .arg(attempt + 1)
                 .arg(retries));
    }
}

Result Client::once(quint8 address, int command, const QByteArray &packet, int record_size,
                    int timeout_ms, QByteArray *reply)
{
    reply->clear();
    if (!port.isOpen())
        return {Outcome::port_lost, QStringLiteral("port not open")};
    // Whatever is left from before (a late reply, a stray line end) is no answer to this request.
    port.clear(QSerialPort::Input);
    port.readAll();
    reader.reset();

    const QByteArray line = orb::frame_packet(packet);
    const QString shown = QString::fromLatin1(line.chopped(1));
    log->debug(orb::packet_length_text(packet));
    log->debug(orb::sending_text(packet));
    wire(QStringLiteral("-> ") + shown);

    QElapsedTimer clock;
    clock.start();
    if (port.write(line) != line.size() || !port.waitForBytesWritten(timeout_ms)) {
        if (port.error() != QSerialPort::NoError && port.error() != QSerialPort::TimeoutError)
            return lost();
        port.clearError();
        return {Outcome::no_reply, QStringLiteral("request not sent within %1 ms").arg(timeout_ms)};
    }

    QVector<QByteArray> lines;
    QStringList notes;
    while (lines.isEmpty()) {
        const qint64 left = timeout_ms - clock.elapsed();
        if (left <= 0)
            break;
        // Sleeps in the system until bytes come; no polling interval adds to the exchange.
        if (!port.waitForReadyRead(int(left))) {
            if (port.error() != QSerialPort::NoError && port.error() != QSerialPort::TimeoutError)
                return lost();
            port.clearError();
            continue;
        }
        reader.feed(port.readAll(), &lines, &notes);
    }
    for (const QString &note : qAsConst(notes))
        wire(QStringLiteral("!! ") + note);

    if (lines.isEmpty()) {
        log->debug(orb::received_text({}));
        log->error(orb::check_reply({}, address, command).message);
        wire(QStringLiteral("<- nothing"));
        return {Outcome::no_reply, QStringLiteral("no reply within %1 ms").arg(timeout_ms)};
    }
    exchange_ms = double(clock.nsecsElapsed()) / 1e6;
    *reply = QByteArray::fromHex(lines.first());
    wire(QStringLiteral("<- :%1 (%2 ms)")
             .arg(QString::fromLatin1(lines.first()))
             .arg(exchange_ms, 0, 'f', 1));
    const QStringList received = orb::received_texts(command, *reply);
    for (const QString &text : received)
        log->debug(text);
    const orb::Reply_check check = orb::check_reply(*reply, address, command);
    if (check.code != orb::reply_ok) {
        log->error(check.message);
        return {Outcome::wrong_reply, check.message};
    }
    const int size = orb::packet_payload(*reply).size();
    if (size < record_size) {
        const QString text = orb::short_reply_text(size, record_size);
        log->error(text);
        return {Outcome::wrong_reply, text};
    }
    return {};
}
