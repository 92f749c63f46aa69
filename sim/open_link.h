#pragma once

#include <QString>

class QObject;

namespace sim {

class Link;
struct Options;

// The line the options ask for: the TCP endpoint, the serial port, or else a new
// pseudo-terminal, and the symlink to it. On failure no link, the reason and the exit status
// (2 for a line this build or system cannot give, 1 for one that would not open).
struct Opened
{
    Link *link = nullptr;
    QString why;
    int status = 0;
};

Opened open_link(const Options &o, QObject *parent);

} // namespace sim
