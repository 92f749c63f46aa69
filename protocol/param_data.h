#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace orb {

// A field of the record by its module name, for tools that set fields one by one.
struct Param_field
{
    const char *name;
    quint32 max;  // largest value the field holds
    bool seconds; // counts seconds
};

constexpr int param_field_count = 19;
// In record order.
extern const Param_field param_fields[param_field_count];
// Index into param_fields, or -1 for a name the record does not have.
int param_field_index(const QString &name);

// Washing parameters as the module stores them: 34 bytes, little-endian, unsigned.
struct Param_data
{
    static constexpr int size = 34;

    quint8 addr_cam = 0;
    quint16 time_interval = 0;      // s
    quint16 time_interval_rain = 0; // s
    quint32 time_washout = 0;       // s
    quint32 time_pause_washout = 0;
    quint16 time_move = 0; // s
    quint16 time_tur_1 = 0;
    quint16 time_wiper = 0; // s
    quint16 preset_move = 0;
    quint16 preset_wiper = 0;
    quint16 min_voltage = 0;
    quint16 max_voltage = 0;
    quint8 wiper_not_active = 0;
    quint8 normal_sensor_rain = 0;
    quint8 normal_Preset_Initial_Pos = 0;
    quint8 normal_Work_Reg_Cam = 0;
    quint8 normal_Num_Tour = 0;
    quint8 normal_Num_Scan = 0;
    quint8 normal_Num_Pattern = 0;

    QByteArray encode() const;

    // False, with out untouched, for a payload shorter than the record; bytes past it are ignored.
    static bool decode(const QByteArray &payload, Param_data *out);

    // Field by index into param_fields; set_value keeps the low bits of a value above its max.
    quint32 value(int field) const;
    void set_value(int field, quint32 v);

    // "addr_cam %1" ... "normal_Num_Pattern %1", in record order, values as stored.
    QStringList log_lines() const;
};

// Control values as the form holds them, before they are packed into a record.
struct Param_form
{
    int address_ptz = 0;
    int day = 0;
    int hour = 0;
    int min = 0;
    int interval_rain = 0; // min
    int interval_washout = 0;
    int time_pattern_move = 0;
    int time_pattern_wiper = 0;
    int preset_move = 0;
    int preset_wiper = 0;
    bool wiper_not_active = false;
    int normal_sensor_rain = 0; // combo index
    int preset_init_pos = 0;
    int work_reg = 0; // combo index
    int num_tour = 0;
    int num_scan = 0;
    int num_pattern = 0;
};

// A form value that its record field cannot carry.
struct Param_overflow
{
    QString field;    // record field name, e.g. "time_interval"
    qint64 value = 0; // in the form's unit
    qint64 max = 0;   // largest value that fits, in the form's unit
};

// Packs the form into a record. Returns false and names the first value that does not fit
// (out untouched then), instead of sending the low bits of it.
bool param_from_form(const Param_form &form, Param_data *out, Param_overflow *overflow);

} // namespace orb
