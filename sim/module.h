#pragma once

#include "protocol/param_data.h"
#include "protocol/status_data.h"

#include <QByteArray>
#include <QString>

namespace sim {

// The washing module's behaviour: its parameter record, a status that moves on with time, and
// the answers to requests. Time comes in from outside (ms on any monotonic clock), so the
// module itself never reads a clock.
class Module
{
public:
    Module(quint8 address, qint64 init_ms, qint64 now_ms);

    void set_address(quint8 address) { addr = address; }

    // The reply packet for one decoded request, or an empty array with *why set when a real
    // device on the bus would keep quiet.
    QByteArray answer(const QByteArray &request, qint64 now_ms, QString *why);

    orb::Status_data status(qint64 now_ms);
    const orb::Param_data &params() const { return param; }

    void set_rain(bool on) { rain = on; }
    void set_level_low(bool low) { level_low = low; }
    void set_alarm(bool on) { alarm = on; }

    static orb::Param_data default_params();

private:
    void advance(qint64 now_ms);
    void enter(quint16 next, qint64 now_ms);
    qint64 phase_ms(quint16 which) const;

    quint8 addr;
    qint64 init_ms;
    orb::Param_data param;
    quint16 state = orb::state_init;
    qint64 phase_start = 0;
    bool rain = false;
    bool level_low = false;
    bool alarm = false;
};

} // namespace sim
