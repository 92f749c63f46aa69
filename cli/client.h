#pragma once

#include "outcome.h"

#include "protocol/line_reader.h"
#include "protocol/packet.h"

#include <memory>

class Log;
class QElapsedTimer;
class Transport;

// A synchronous client: open, one exchange at a time with a deadline, close. A reply is
// complete at the line end after ':'; nothing waits longer than that. Each call says what
// happened (no_port, no_reply, wrong_reply, port_lost) and leaves exit statuses to the caller.
class Client
{
    Q_DISABLE_COPY(Client)

public:
    Client(Log *log, bool verbose);
    ~Client();

    // A serial port, or tcp://HOST:PORT for a device server (baud does not apply there;
    // connect_ms bounds reaching it).
    Result open(const QString &name, int baud, int connect_ms = 5000);
    void close();

    // Sends one request and takes the first complete line as its reply (the whole packet in
    // *reply). A reply that fails the check or carries fewer than record_size payload bytes is
    // wrong; no reply or a wrong one is tried again up to `retries` more times.
    Result exchange(quint8 address, orb::Command command, const QByteArray &payload,
                    int record_size, int timeout_ms, int retries, QByteArray *reply);

    // Request written to reply line end, of the last exchange that got a line.
    double last_exchange_ms() const { return exchange_ms; }

private:
    Result once(quint8 address, int command, const QByteArray &packet, int record_size,
                int timeout_ms, QByteArray *reply);
    // The first complete line within the timeout, as hex; empty when none came.
    Result first_line(const QElapsedTimer &clock, int timeout_ms, QByteArray *hex);
    // The reply logged and checked, its record at least record_size bytes.
    Result checked(const QByteArray &reply, quint8 address, int command, int record_size);
    void wire(const QString &text) const;

    std::unique_ptr<Transport> link;
    orb::Line_reader reader;
    Log *log;
    bool verbose;
    double exchange_ms = 0;
};
