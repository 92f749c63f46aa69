#pragma once

#include "outcome.h"
#include "values.h"

#include <QString>
#include <QStringList>

class Client;
class Log;

// What a command needs besides the client; all of it checked before anything is sent.
struct Settings
{
    QString port;
    int baud = 9600;
    QString log_file; // empty: no log
    bool verbose = false;
    quint8 address = 1;
    QVector<quint8> addresses{1}; // in the order given; address is the one asked now
    int timeout_ms = 1000;
    int retries = 0;
    bool json = false;
    qint64 every_ms = -1;        // status --watch period; < 0: one status only
    qint64 count = 0;            // status --watch polls; 0: until Ctrl-C
    int from = 0, to = 255;      // scan
    QString out_file;            // read -o, status --prometheus -o; empty: stdout
    QVector<Assignment> changes; // set, write
    bool pump_on = false;
    bool prometheus = false; // status --prometheus
    bool baud_given = false; // --baud, which a tcp:// port has no use for
};

// One command: its name and arguments, the options only it takes, its lines in --help, what
// it makes of its arguments and what it does.
struct Command
{
    QString name;
    int arguments;       // after the name; -1 for one or more
    QStringList options; // long names of the options that belong to this command only
    int timeout_ms;      // default reply timeout
    bool uses_port;
    QString usage;     // "status [--watch S] [--count N]"
    QStringList about; // its lines in --help
    bool (*take)(const QStringList &args, Settings *s, QString *why); // nullptr: no arguments
    Result (*run)(Client &client, Log &log, const Settings &s);
    bool per_address = true; // runs once for each address of a list
};
