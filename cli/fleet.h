#pragma once

#include "client.h"

#include <QString>
#include <QVector>

class Log;
struct Settings;

// How one address of a run ended.
struct Address_result
{
    quint8 address = 0;
    Outcome outcome;
    bool tried = true; // false: the port was lost before its turn
};

// Exit status of a run over several addresses: 0 when every one succeeded, else the status of
// the first that failed; then one stderr line names each failed address with its reason.
int fleet_exit(const QVector<Address_result> &results);

// status --prometheus: one status request per address, the answers as metrics on stdout or,
// with out_file, written whole and renamed into place. A port that did not open (opened not
// ok) still gives every address its orb_washing_up 0.
int cmd_metrics(Client &client, Log &log, const Settings &s, const QString &port,
                const Outcome &opened, const QString &out_file);
