#pragma once

#include "values.h"

#include <QString>
#include <QStringList>

class Client;
class Log;

// What every command needs besides the client; checked before anything is sent.
struct Settings
{
    quint8 address = 1;
    QVector<quint8> addresses{1}; // in the order given; address is the one asked now
    int timeout_ms = 1000;
    int retries = 0;
    bool json = false;
};

// Each returns the exit status; a failure has written its one line to stderr.
int cmd_ports(const Settings &s);
int cmd_test(Client &client, Log &log, const Settings &s);
// count 0: until Ctrl-C. every_ms < 0: one status only.
int cmd_status(Client &client, Log &log, const Settings &s, qint64 every_ms, qint64 count);
int cmd_read(Client &client, Log &log, const Settings &s, const QString &out_file);
int cmd_write(Client &client, Log &log, const Settings &s, const QVector<Assignment> &changes);
int cmd_pump(Client &client, Log &log, const Settings &s, bool on);
int cmd_scan(Client &client, Log &log, const Settings &s, int from, int to);

// "orbctl: text" on stderr.
void fail(const QString &text);
// Text on stdout, flushed at once so a watch can be piped.
void out(const QString &text);
