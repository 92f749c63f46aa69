#pragma once

#include "box_closer.h"
#include "protocol/packet.h"
#include "sim/fault.h"

#include <QStringList>
#include <QVector>

// What the soak judges: for each click, the log lines and boxes one exchange must leave, given
// the fault the module applied to its reply.
namespace soak {

// One kind of click: what it sends and how many fields its reply logs.
struct Exchange_plan
{
    const char *name; // button objectName, or the slot for the test request
    orb::Command code;
    int fields; // DEBUG lines of a decoded record
    int record; // bytes of the record its reply carries, 0 for none
};

extern const QVector<Exchange_plan> exchange_plans;

// Whether the simulator's name for the fault it applied is this one.
bool is(const QString &name, sim::Fault fault);

// The outcome line a reply spoilt this way must bring, or its start; "OK" for a reply that
// still reads.
QString expected_outcome(sim::Fault fault, const Exchange_plan &c, quint8 address);

// Why the exchange's log lines and boxes are wrong, or empty; *outcome gets its outcome line
// ("OK" for a success). stale: a late reply may have answered this click. line_outlives_module:
// the port is one end of a null-modem pair, which stays when the module vanishes.
QString judge(const Exchange_plan &c, quint8 address, const QStringList &lines,
              const QString &fault, const QList<Box_closer::Box> &boxes, bool stale,
              bool line_outlives_module, QString *outcome);

} // namespace soak
