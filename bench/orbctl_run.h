#pragma once

#include "protocol/packet.h"
#include "protocol/status_data.h"

#include <QByteArray>
#include <QStringList>

#include <vector>

// ':' + the status reply packet in hex + CR LF, ten bits a character at 9600 baud.
constexpr int status_reply_chars =
    1 + 2 * (orb::header_size + orb::Status_data::size + orb::crc_size) + 2;
constexpr double char_ms = 10.0 * 1000 / 9600;

double median(std::vector<double> v);

// One orbctl -v process, timed whole, with the times of the exchanges it reported (request
// written to reply line end).
struct Orbctl_run
{
    bool ok = false; // finished within the limit with exit status 0
    double ms = 0;
    std::vector<double> exchanges_ms;
    QByteArray errors; // its stderr
};

Orbctl_run run_orbctl(const QStringList &args, int limit_ms);
