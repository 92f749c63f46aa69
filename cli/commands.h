#pragma once

#include "command.h"

#include <QVector>

namespace orb {
struct Status_data;
}

// orbctl's commands, in the order --help lists them.
const QVector<Command> &commands();
const Command *find_command(const QString &name);

// One status request to s.address, logged as the window logs it ("OK" included); the record
// in *status.
Result ask_status(Client &client, Log &log, quint8 address, const Settings &s,
                  orb::Status_data *status);
