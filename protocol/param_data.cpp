#include "param_data.h"

#include "convert.h"
#include "packet.h"

namespace orb {

const Param_field param_fields[param_field_count] = {
    {"addr_cam", 0xFF, false},
    {"time_interval", 0xFFFF, true},
    {"time_interval_rain", 0xFFFF, true},
    {"time_washout", 0xFFFFFFFF, true},
    // The module's unit for these two is not known, so they take plain numbers only.
    {"time_pause_washout", 0xFFFFFFFF, false},
    {"time_move", 0xFFFF, true},
    {"time_tur_1", 0xFFFF, false},
    {"time_wiper", 0xFFFF, true},
    {"preset_move", 0xFFFF, false},
    {"preset_wiper", 0xFFFF, false},
    {"min_voltage", 0xFFFF, false},
    {"max_voltage", 0xFFFF, false},
    {"wiper_not_active", 0xFF, false},
    {"normal_sensor_rain", 0xFF, false},
    {"normal_Preset_Initial_Pos", 0xFF, false},
    {"normal_Work_Reg_Cam", 0xFF, false},
    {"normal_Num_Tour", 0xFF, false},
    {"normal_Num_Scan", 0xFF, false},
    {"normal_Num_Pattern", 0xFF, false},
};

int param_field_index(const QString &name)
{
    for (int i = 0; i < param_field_count; ++i) {
        if (name == QLatin1String(param_fields[i].name))
            return i;
    }
    return -1;
}

quint32 Param_data::value(int field) const
{
    // clang-format off
    switch (field) {
    case 0: return addr_cam;
    case 1: return time_interval;
    case 2: return time_interval_rain;
    case 3: return time_washout;
    case 4: return time_pause_washout;
    case 5: return time_move;
    case 6: return time_tur_1;
    case 7: return time_wiper;
    case 8: return preset_move;
    case 9: return preset_wiper;
    case 10: return min_voltage;
    case 11: return max_voltage;
    case 12: return wiper_not_active;
    case 13: return normal_sensor_rain;
    case 14: return normal_Preset_Initial_Pos;
    case 15: return normal_Work_Reg_Cam;
    case 16: return normal_Num_Tour;
    case 17: return normal_Num_Scan;
    case 18: return normal_Num_Pattern;
    default: return 0;
    }
    // clang-format on
}

void Param_data::set_value(int field, quint32 v)
{
    // clang-format off
    switch (field) {
    case 0: addr_cam = quint8(v); break;
    case 1: time_interval = quint16(v); break;
    case 2: time_interval_rain = quint16(v); break;
    case 3: time_washout = v; break;
    case 4: time_pause_washout = v; break;
    case 5: time_move = quint16(v); break;
    case 6: time_tur_1 = quint16(v); break;
    case 7: time_wiper = quint16(v); break;
    case 8: preset_move = quint16(v); break;
    case 9: preset_wiper = quint16(v); break;
    case 10: min_voltage = quint16(v); break;
    case 11: max_voltage = quint16(v); break;
    case 12: wiper_not_active = quint8(v); break;
    case 13: normal_sensor_rain = quint8(v); break;
    case 14: normal_Preset_Initial_Pos = quint8(v); break;
    case 15: normal_Work_Reg_Cam = quint8(v); break;
    case 16: normal_Num_Tour = quint8(v); break;
    case 17: normal_Num_Scan = quint8(v); break;
    case 18: normal_Num_Pattern = quint8(v); break;
    default: break;
    }
    // clang-format on
}

QByteArray Param_data::encode() const
{
    QByteArray out;
    out.reserve(size);
    out.append(char(addr_cam));
    put_le16(out, time_interval);
    put_le16(out, time_interval_rain);
    put_le32(out, time_washout);
    put_le32(out, time_pause_washout);
    put_le16(out, time_move);
    put_le16(out, time_tur_1);
    put_le16(out, time_wiper);
    put_le16(out, preset_move);
    put_le16(out, preset_wiper);
    put_le16(out, min_voltage);
    put_le16(out, max_voltage);
    out.append(char(wiper_not_active));
    out.append(char(normal_sensor_rain));
    out.append(char(normal_Preset_Initial_Pos));
    out.append(char(normal_Work_Reg_Cam));
    out.append(char(normal_Num_Tour));
    out.append(char(normal_Num_Scan));
    out.append(char(normal_Num_Pattern));
    return out;
}

bool Param_data::decode(const QByteArray &payload, Param_data *out)
{
    if (!out || payload.size() < size)
        return false;
    const auto u8 = [&payload](int at) {
        return quint8(payload.at(at));
    };
    Param_data d;
    d.addr_cam = u8(0);
    d.time_interval = get_le16(payload, 1);
    d.time_interval_rain = get_le16(payload, 3);
    d.time_washout = get_le32(payload, 5);
    d.time_pause_washout = get_le32(payload, 9);
    d.time_move = get_le16(payload, 13);
    d.time_tur_1 = get_le16(payload, 15);
    d.time_wiper = get_le16(payload, 17);
    d.preset_move = get_le16(payload, 19);
    d.preset_wiper = get_le16(payload, 21);
    d.min_voltage = get_le16(payload, 23);
    d.max_voltage = get_le16(payload, 25);
    d.wiper_not_active = u8(27);
    d.normal_sensor_rain = u8(28);
    d.normal_Preset_Initial_Pos = u8(29);
    d.normal_Work_Reg_Cam = u8(30);
    d.normal_Num_Tour = u8(31);
    d.normal_Num_Scan = u8(32);
    d.normal_Num_Pattern = u8(33);
    *out = d;
    return true;
}

QStringList Param_data::log_lines() const
{
    const auto line = [](const char *name, qulonglong value) {
        return QStringLiteral("%1 %2").arg(QLatin1String(name)).arg(value);
    };
    return {
        line("addr_cam", addr_cam),
        line("time_interval", time_interval),
        line("time_interval_rain", time_interval_rain),
        line("time_washout", time_washout),
        line("time_pause_washout", time_pause_washout),
        line("time_move", time_move),
        line("time_tur_1", time_tur_1),
        line("time_wiper", time_wiper),
        line("preset_move", preset_move),
        line("preset_wiper", preset_wiper),
        line("min_voltage", min_voltage),
        line("max_voltage", max_voltage),
        line("wiper_not_active", wiper_not_active),
        line("normal_sensor_rain", normal_sensor_rain),
        line("normal_Preset_Initial_Pos", normal_Preset_Initial_Pos),
        line("normal_Work_Reg_Cam", normal_Work_Reg_Cam),
        line("normal_Num_Tour", normal_Num_Tour),
        line("normal_Num_Scan", normal_Num_Scan),
        line("normal_Num_Pattern", normal_Num_Pattern),
    };
}

bool param_from_form(const Param_form &form, Param_data *out, Param_overflow *overflow)
{
    if (!out)
        return false;
    bool ok = true;
    // Keeps the first value that does not fit; the module would otherwise get only its low bits.
    const auto fits = [&ok, overflow](const char *field, qint64 value, qint64 max) {
        if (!ok)
            return false;
        if (value >= 0 && value <= max)
            return true;
        ok = false;
        if (overflow)
            *overflow = {QLatin1String(field), value, max};
        return false;
    };
    constexpr qint64 max8 = 0xFF;
    constexpr qint64 max16 = 0xFFFF;
    constexpr qint64 max32 = 0xFFFFFFFF;
    const qint64 interval = interval_seconds(form.day, form.hour, form.min);

    fits("addr_cam", form.address_ptz, max8);
    fits("time_interval", interval, max16);
    fits("time_interval_rain", form.interval_rain, max16 / 60);
    fits("time_washout", form.interval_washout, max32);
    fits("time_move", form.time_pattern_move, max16);
    fits("time_wiper", form.time_pattern_wiper, max16);
    fits("preset_move", form.preset_move, max16);
    fits("preset_wiper", form.preset_wiper, max16);
    fits("normal_Preset_Initial_Pos", form.preset_init_pos, max8);
    fits("normal_Work_Reg_Cam", form.work_reg, max8);
    fits("normal_Num_Tour", form.num_tour, max8);
    fits("normal_Num_Scan", form.num_scan, max8);
    fits("normal_Num_Pattern", form.num_pattern, max8);
    if (!ok)
        return false;

    Param_data d;
    d.addr_cam = quint8(form.address_ptz);
    d.time_interval = quint16(interval);
    d.time_interval_rain = quint16(rain_seconds(form.interval_rain));
    d.time_washout = quint32(form.interval_washout);
    d.time_move = quint16(form.time_pattern_move);
    d.time_wiper = quint16(form.time_pattern_wiper);
    d.preset_move = quint16(form.preset_move);
    d.preset_wiper = quint16(form.preset_wiper);
    d.wiper_not_active = form.wiper_not_active ? 1 : 0;
    d.normal_sensor_rain = form.normal_sensor_rain != 0 ? 1 : 0;
    d.normal_Preset_Initial_Pos = quint8(form.preset_init_pos);
    d.normal_Work_Reg_Cam = quint8(form.work_reg);
    d.normal_Num_Tour = quint8(form.num_tour);
    d.normal_Num_Scan = quint8(form.num_scan);
    d.normal_Num_Pattern = quint8(form.num_pattern);
    *out = d;
    return true;
}

} // namespace orb
