#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "record_field.h"

namespace orb {

// Washing parameters as the module stores them: 34 bytes, little-endian, unsigned. Where each
// member lies in the record is said once, in param_fields.
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

using Param_field = Record_field<Param_data>;

constexpr int param_field_count = 19;
// In record order.
extern const Param_field param_fields[param_field_count];
// Index into param_fields, or -1 for a name the record does not have.
int param_field_index(const QString &name);

// How a form control carries its field: as it is, as 0 or 1, or in a unit of that many seconds.
enum class Param_conv { plain, flag, rain_minutes, days, hours, minutes };

// A control of the form and the field it fills. Controls of one field add up (days, hours and
// minutes make the washing interval).
struct Param_control
{
    const char *widget; // objectName
    Record_member<Param_data> field;
    Param_conv conv;
    bool shown; // a read sets it
};

constexpr int param_control_count = 17;
// In record order, which is also the order a read sets them in.
extern const Param_control param_controls[param_control_count];

// The control's value when the record holds v in its field.
int param_to_control(Param_conv conv, quint32 v);

// Control values as the form holds them (a check box as 0 or 1, a combo box as its index), by
// index into param_controls.
struct Param_form
{
    int value[param_control_count] = {};

    // The value of the control with this objectName; nullptr for a name the form does not have.
    int *at(const char *widget);
};

// A form value that its record field cannot carry.
struct Param_overflow
{
    QString field;    // record field name, e.g. "time_interval"
    qint64 value = 0; // in the form's unit
    qint64 max = 0;   // largest value that fits, in the form's unit
};

// Packs the form into a record; fields without a control are 0. Returns false and names the
// first value that does not fit (out untouched then), instead of sending the low bits of it.
bool param_from_form(const Param_form &form, Param_data *out, Param_overflow *overflow);

} // namespace orb
