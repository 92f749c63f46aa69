#include "param_data.h"

#include "convert.h"

#include <cstring>

namespace orb {

// Offsets and widths as the module lays the record out.
const Param_field param_fields[param_field_count] = {
    {"addr_cam", 0, 1, false, &Param_data::addr_cam},
    {"time_interval", 1, 2, true, &Param_data::time_interval},
    {"time_interval_rain", 3, 2, true, &Param_data::time_interval_rain},
    {"time_washout", 5, 4, true, &Param_data::time_washout},
    // The module's unit for these two is not known, so they take plain numbers only.
    {"time_pause_washout", 9, 4, false, &Param_data::time_pause_washout},
    {"time_move", 13, 2, true, &Param_data::time_move},
    {"time_tur_1", 15, 2, false, &Param_data::time_tur_1},
    {"time_wiper", 17, 2, true, &Param_data::time_wiper},
    {"preset_move", 19, 2, false, &Param_data::preset_move},
    {"preset_wiper", 21, 2, false, &Param_data::preset_wiper},
    {"min_voltage", 23, 2, false, &Param_data::min_voltage},
    {"max_voltage", 25, 2, false, &Param_data::max_voltage},
    {"wiper_not_active", 27, 1, false, &Param_data::wiper_not_active},
    {"normal_sensor_rain", 28, 1, false, &Param_data::normal_sensor_rain},
    {"normal_Preset_Initial_Pos", 29, 1, false, &Param_data::normal_Preset_Initial_Pos},
    {"normal_Work_Reg_Cam", 30, 1, false, &Param_data::normal_Work_Reg_Cam},
    {"normal_Num_Tour", 31, 1, false, &Param_data::normal_Num_Tour},
    {"normal_Num_Scan", 32, 1, false, &Param_data::normal_Num_Scan},
    {"normal_Num_Pattern", 33, 1, false, &Param_data::normal_Num_Pattern},
};

// Fields with no widget on the form have no row here, so a write sends them as 0 (the
// wash-out pause, the tour time and both voltage limits). The pump and wiper run times are not set by a read.
const Param_control param_controls[param_control_count] = {
    {"sb_address_ptz", &Param_data::addr_cam, Param_conv::plain, true},
    {"sb_day", &Param_data::time_interval, Param_conv::days, true},
    {"sb_hour", &Param_data::time_interval, Param_conv::hours, true},
    {"sb_min", &Param_data::time_interval, Param_conv::minutes, true},
    {"sb_time_interval_rain", &Param_data::time_interval_rain, Param_conv::rain_minutes, true},
    {"sb_interval_washout", &Param_data::time_washout, Param_conv::plain, false},
    {"sb_time_pattern_move", &Param_data::time_move, Param_conv::plain, true},
    {"sb_time_pattern_wiper", &Param_data::time_wiper, Param_conv::plain, false},
    {"sb_preset_move", &Param_data::preset_move, Param_conv::plain, true},
    {"sb_preset_wiper", &Param_data::preset_wiper, Param_conv::plain, true},
    {"cb_wiper_not_active", &Param_data::wiper_not_active, Param_conv::flag, true},
    {"cb_normal_sensor_rain", &Param_data::normal_sensor_rain, Param_conv::flag, true},
    {"sb_PresetInitPos", &Param_data::normal_Preset_Initial_Pos, Param_conv::plain, true},
    {"cm_WorkReg", &Param_data::normal_Work_Reg_Cam, Param_conv::plain, true},
    {"sb_NumTour", &Param_data::normal_Num_Tour, Param_conv::plain, true},
    {"sb_NumScan", &Param_data::normal_Num_Scan, Param_conv::plain, true},
    {"sb_NumPattern", &Param_data::normal_Num_Pattern, Param_conv::plain, true},
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
    return field >= 0 && field < param_field_count ? param_fields[field].member.get(*this) : 0;
}

void Param_data::set_value(int field, quint32 v)
{
    if (field >= 0 && field < param_field_count)
        param_fields[field].member.set(*this, v);
}

QByteArray Param_data::encode() const
{
    return encode_fields(*this, param_fields);
}

bool Param_data::decode(const QByteArray &payload, Param_data *out)
{
    return decode_fields(payload, param_fields, out);
}

QStringList Param_data::log_lines() const
{
    QStringList lines;
    for (const Param_field &f : param_fields)
        lines << QStringLiteral("%1 %2").arg(QLatin1String(f.name)).arg(f.member.get(*this));
    return lines;
}

int *Param_form::at(const char *widget)
{
    for (int i = 0; i < param_control_count; ++i) {
        if (std::strcmp(param_controls[i].widget, widget) == 0)
            return &value[i];
    }
    return nullptr;
}

namespace {

// What a control value adds to its field, in the field's unit.
qint64 to_field(Param_conv conv, int v)
{
    switch (conv) {
    case Param_conv::flag:
        return v != 0 ? 1 : 0;
    case Param_conv::rain_minutes:
        return rain_seconds(v);
    case Param_conv::days:
        return interval_seconds(v, 0, 0);
    case Param_conv::hours:
        return interval_seconds(0, v, 0);
    case Param_conv::minutes:
        return interval_seconds(0, 0, v);
    case Param_conv::plain:
        break;
    }
    return v;
}

} // namespace

int param_to_control(Param_conv conv, quint32 v)
{
    switch (conv) {
    case Param_conv::flag:
        return v != 0 ? 1 : 0;
    case Param_conv::rain_minutes:
        return rain_to_form(quint16(v));
    case Param_conv::days:
        return interval_to_form(quint16(v)).day;
    case Param_conv::hours:
        return interval_to_form(quint16(v)).hour;
    case Param_conv::minutes:
        return interval_to_form(quint16(v)).min;
    case Param_conv::plain:
        break;
    }
    return int(v);
}

bool param_from_form(const Param_form &form, Param_data *out, Param_overflow *overflow)
{
    if (!out)
        return false;
    Param_data d;
    // Fields in record order, so the first value that does not fit is the one reported; the
    // module would otherwise get only its low bits.
    for (const Param_field &f : param_fields) {
        qint64 total = 0;
        int controls = 0, last = 0;
        for (int i = 0; i < param_control_count; ++i) {
            if (param_controls[i].field == f.member) {
                total += to_field(param_controls[i].conv, form.value[i]);
                ++controls;
                last = i;
            }
        }
        if (total < 0 || total > qint64(f.max())) {
            // One control is reported in its own unit, the interval's three in seconds.
            const qint64 unit = controls == 1 ? to_field(param_controls[last].conv, 1) : 1;
            if (overflow) {
                *overflow = {QLatin1String(f.name), controls == 1 ? form.value[last] : total,
                             qint64(f.max()) / unit};
            }
            return false;
        }
        f.member.set(d, quint32(total));
    }
    *out = d;
    return true;
}

} // namespace orb
