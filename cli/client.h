#pragma once

#include "protocol/line_reader.h"
#include "protocol/packet.h"

#include <memory>

class Log;
class Transport;

// Exit statuses of orbctl; an exchange ends in one of them too.
enum Exit {
    exit_ok = 0,
    exit_reply = 1,   // the module answered wrongly
    exit_usage = 2,   // bad usage or input, nothing sent
    exit_timeout = 3, // no reply within the timeout
    exit_port = 4,    // port cannot be opened or was lost
    exit_echo = 5,    // a write's echo differs from what was sent
};

struct Outcome
{
    int code = exit_ok;
    QString message; // one line for stderr when code is not exit_ok
};

// A synchronous client: open, one exchange at a time with a deadline, close. A reply is
// complete at the line end after ':'; nothing waits longer than that.
class Client
{
    Q_DISABLE_COPY(Client)

public:
    Client(Log *log, bool verbose);
    ~Client();

    // A serial port, or tcp://HOST:PORT for a device server (baud does not apply there;
    // connect_ms bounds reaching it).
    Outcome open(const QString &name, int baud, int connect_ms = 5000);
    void close();

    // Sends one request and takes the first complete line as its reply (the whole packet in
    // *reply). A reply that fails the check or carries fewer than record_size payload bytes is
    // wrong; no reply or a wrong one is tried again up to `retries` more times.
    Outcome exchange(quint8 address, orb::Command command, const QByteArray &payload,
                     int record_size, int timeout_ms, int retries, QByteArray *reply);

    // Request written to reply line end, of the last exchange that got a line.
    double last_exchange_ms() const { return exchange_ms; }

private:
    Outcome once(quint8 address, int command, const QByteArray &packet, int record_size,
                 int timeout_ms, QByteArray *reply);
    void wire(const QString &text) const;

    std::unique_ptr<Transport> link;
    orb::Line_reader reader;
    Log *log;
    bool verbose;
    double exchange_ms = 0;
};
