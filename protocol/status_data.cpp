#include "status_data.h"

#include "convert.h"

#include <QCoreApplication>

namespace orb {

// Offsets and widths as the module lays the record out.
const Status_field status_fields[status_field_count] = {
    {"state", 0, 2, false, &Status_data::state},
    {"elapsed_time_washout", 2, 4, false, &Status_data::elapsed_time_washout},
    {"elapsed_time_washout_pause", 6, 4, false, &Status_data::elapsed_time_washout_pause},
    {"elapsed_time_damaged", 10, 4, false, &Status_data::elapsed_time_damaged},
    {"elapsed_time_wiper", 14, 4, false, &Status_data::elapsed_time_wiper},
    {"measuring_voltage", 18, 2, false, &Status_data::measuring_voltage},
    {"flag_lvl", 20, 1, false, &Status_data::flag_lvl},
    {"flag_rain", 21, 1, false, &Status_data::flag_rain},
    {"alarm_in", 22, 1, false, &Status_data::alarm_in},
};

QByteArray Status_data::encode() const
{
    return encode_fields(*this, status_fields);
}

bool Status_data::decode(const QByteArray &payload, Status_data *out)
{
    return decode_fields(payload, status_fields, out);
}

QStringList Status_data::log_lines() const
{
    return {
        QStringLiteral("state %1").arg(state_text(state)),
        QStringLiteral("elapsed_time_washout %1").arg(elapsed_time_washout),
        // Logged in whole seconds, as the state line shows it.
        QStringLiteral("elapsed_time_washout_pause %1").arg(elapsed_time_washout_pause / 1000),
        QStringLiteral("elapsed_time_damaged %1").arg(elapsed_time_damaged),
        QStringLiteral("elapsed_time_wiper %1").arg(elapsed_time_wiper),
        QStringLiteral("measuring_voltage %1").arg(measuring_voltage),
        QStringLiteral("flag_lvl %1").arg(int(flag_lvl)),
        QStringLiteral("flag_rain %1").arg(int(flag_rain)),
    };
}

QString Status_data::state_line() const
{
    return state_text(state, Reader::user) +
           QCoreApplication::translate("Status_data", ", осталось:  %1 сек.")
               .arg(elapsed_time_washout_pause / 1000);
}

} // namespace orb
