#include "status_data.h"

#include "convert.h"
#include "packet.h"

namespace orb {

QByteArray Status_data::encode() const
{
    QByteArray out;
    out.reserve(size);
    put_le16(out, state);
    put_le32(out, elapsed_time_washout);
    put_le32(out, elapsed_time_washout_pause);
    put_le32(out, elapsed_time_damaged);
    put_le32(out, elapsed_time_wiper);
    put_le16(out, measuring_voltage);
    out.append(char(flag_lvl));
    out.append(char(flag_rain));
    out.append(char(alarm_in));
    return out;
}

bool Status_data::decode(const QByteArray &payload, Status_data *out)
{
    if (!out || payload.size() < size)
        return false;
    Status_data d;
    d.state = get_le16(payload, 0);
    d.elapsed_time_washout = get_le32(payload, 2);
    d.elapsed_time_washout_pause = get_le32(payload, 6);
    d.elapsed_time_damaged = get_le32(payload, 10);
    d.elapsed_time_wiper = get_le32(payload, 14);
    d.measuring_voltage = get_le16(payload, 18);
    d.flag_lvl = qint8(payload.at(20));
    d.flag_rain = qint8(payload.at(21));
    d.alarm_in = quint8(payload.at(22));
    *out = d;
    return true;
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
    return state_text(state) +
           QString::fromUtf8(", осталось:  %1 сек.").arg(elapsed_time_washout_pause / 1000);
}

} // namespace orb
