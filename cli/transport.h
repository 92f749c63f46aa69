#pragma once

#include "outcome.h"

#include <QIODevice>
#include <QString>

#include <memory>

class Log;

// The line the client talks over: a local serial port or a serial device server's raw TCP
// socket. The client sends and reads the same bytes whichever it has.
class Transport
{
public:
    virtual ~Transport() = default;

    virtual QString name() const = 0;
    virtual Result open(Log *log) = 0;
    virtual void close() = 0;
    virtual bool is_open() const = 0;
    virtual QIODevice &device() = 0;
    // Waits up to ms for bytes, as the device's waitForReadyRead.
    virtual bool wait_for_input(int ms) { return device().waitForReadyRead(ms); }
    // Throws away whatever has come in and was not read.
    virtual void drop_input() = 0;
    // After a write or a wait that failed: true when the line is gone, false when only the
    // time ran out (that mark is cleared).
    virtual bool broken() = 0;
    // Logs the loss as the window does, closes, and says what happened.
    virtual Result lost(Log *log) = 0;
};

// "tcp://HOST:PORT" names a device server, anything else a serial port. connect_ms bounds
// reaching the server. Null, with *why set, for a tcp:// name this build cannot serve or a
// malformed one.
std::unique_ptr<Transport> make_transport(const QString &name, int baud, int connect_ms,
                                          QString *why);

bool is_tcp_name(const QString &name);
