#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "record_field.h"

namespace orb {

// Codes of Status_data::state.
enum State : quint16 { state_init = 0, state_washing = 1, state_pause = 2 };

// Live status of the module: 23 bytes, little-endian. Where each member lies is said once, in
// status_fields.
struct Status_data
{
    static constexpr int size = 23;

    quint16 state = 0;
    quint32 elapsed_time_washout = 0;
    quint32 elapsed_time_washout_pause = 0; // ms
    quint32 elapsed_time_damaged = 0;
    quint32 elapsed_time_wiper = 0;
    quint16 measuring_voltage = 0;
    qint8 flag_lvl = 0;
    qint8 flag_rain = 0;
    quint8 alarm_in = 0;

    QByteArray encode() const;

    // False, with out untouched, for a payload shorter than the record; bytes past it are ignored.
    static bool decode(const QByteArray &payload, Status_data *out);

    // The eight lines "state %1" ... "flag_rain %1"; alarm_in has none.
    QStringList log_lines() const;

    // "<state text>, осталось:  N сек.", in the language the user reads.
    QString state_line() const;
};

using Status_field = Record_field<Status_data>;

constexpr int status_field_count = 9;
// In record order.
extern const Status_field status_fields[status_field_count];

} // namespace orb
