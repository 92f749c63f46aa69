#pragma once

#include <QString>
#include <QVector>

// What a command came to. The client reports the port's and the module's part of it; the
// process's exit status is made from it in one place, exit_status().
enum class Outcome {
    ok,
    wrong_reply,  // the reply check failed or the record is short
    bad_input,    // bad usage or input; nothing was sent
    no_reply,     // nothing within the timeout (scan: no address answered)
    no_port,      // the port cannot be opened or set up
    port_lost,    // the port went away during an exchange
    echo_differs, // a write's echo differs from what was sent
};

struct Result
{
    Outcome outcome = Outcome::ok;
    QString message; // one line for stderr when not ok

    bool ok() const { return outcome == Outcome::ok; }
};

// One exit status: what --help says of it and the outcomes that end with it.
struct Exit_status
{
    int code;
    const char *meaning;
    QVector<Outcome> outcomes;
};

// Every exit status, in order; the manual page's list is checked against it.
const QVector<Exit_status> &exit_statuses();

int exit_status(Outcome outcome);

// The exit statuses as --help lists them.
QString exit_status_help();
