#include "client.h"

#include "log.h"
#include "output.h"
#include "protocol/exchange_text.h"
#include "transport.h"

#include <QElapsedTimer>

Client::Client(Log *log, bool verbose)
    : log(log)
    , verbose(verbose)
{}

Client::~Client()
{
    close();
}

void Client::wire(const QString &text) const
{
    if (!verbose)
        return;
    fail(text);
}

Result Client::open(const QString &name, int baud, int connect_ms)
{
    close();
    QString why;
    link = make_transport(name, baud, connect_ms, &why);
    if (!link)
        return {Outcome::bad_input, why};
    return link->open(log);
}

void Client::close()
{
    if (link)
        link->close();
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
    if (!link || !link->is_open())
        return {Outcome::port_lost, QStringLiteral("port not open")};
    // Whatever is left from before (a late reply, a stray line end) is no answer to this request.
    QIODevice &port = link->device();
    link->drop_input();
    reader.reset();

    const QByteArray line = orb::frame_packet(packet);
    const QString shown = QString::fromLatin1(line.chopped(1));
    log->debug(orb::packet_length_text(packet));
    log->debug(orb::sending_text(packet));
    wire(QStringLiteral("-> ") + shown);

    QElapsedTimer clock;
    clock.start();
    if (port.write(line) != line.size() || !port.waitForBytesWritten(timeout_ms)) {
        if (link->broken())
            return link->lost(log);
        return {Outcome::no_reply, QStringLiteral("request not sent within %1 ms").arg(timeout_ms)};
    }

    QByteArray hex;
    const Result waited = first_line(clock, timeout_ms, &hex);
    if (!waited.ok())
        return waited;
    if (hex.isEmpty()) {
        log->debug(orb::received_text({}));
        log->error(orb::check_reply({}, address, command).message);
        wire(QStringLiteral("<- nothing"));
        return {Outcome::no_reply, QStringLiteral("no reply within %1 ms").arg(timeout_ms)};
    }
    exchange_ms = double(clock.nsecsElapsed()) / 1e6;
    *reply = QByteArray::fromHex(hex);
    wire(
        QStringLiteral("<- :%1 (%2 ms)").arg(QString::fromLatin1(hex)).arg(exchange_ms, 0, 'f', 1));
    return checked(*reply, address, command, record_size);
}

Result Client::first_line(const QElapsedTimer &clock, int timeout_ms, QByteArray *hex)
{
    QIODevice &port = link->device();
    QVector<QByteArray> lines;
    QStringList notes;
    while (lines.isEmpty()) {
        const qint64 left = timeout_ms - clock.elapsed();
        if (left <= 0)
            break;
        // Sleeps in the system until bytes come; no polling interval adds to the exchange.
        if (!link->wait_for_input(int(left))) {
            if (link->broken())
                return link->lost(log);
            continue;
        }
        reader.feed(port.readAll(), &lines, &notes);
    }
    for (const QString &note : qAsConst(notes))
        wire(QStringLiteral("!! ") + note);
    if (!lines.isEmpty())
        *hex = lines.first();
    return {};
}

Result Client::checked(const QByteArray &reply, quint8 address, int command, int record_size)
{
    const QStringList received = orb::received_texts(command, reply);
    for (const QString &text : received)
        log->debug(text);
    const orb::Reply_check check = orb::check_reply(reply, address, command);
    if (check.code != orb::reply_ok) {
        log->error(check.message);
        return {Outcome::wrong_reply, check.shown};
    }
    const int size = orb::packet_payload(reply).size();
    if (size < record_size) {
        log->error(orb::short_reply_text(size, record_size));
        return {Outcome::wrong_reply, orb::short_reply_text(size, record_size, orb::Reader::user)};
    }
    return {};
}
