#pragma once

#include "protocol/param_data.h"
#include "protocol/status_data.h"

#include <QString>
#include <QVector>

// One record field to change.
struct Assignment
{
    int field = -1; // index into orb::param_fields
    quint32 value = 0;
};

// A value for a field: a whole number, or for a field in seconds also a duration (90s, 15m,
// 2h30m, 1h). False with *why naming the field, the value and, when too big, the largest.
bool parse_field_value(int field, const QString &text, quint32 *out, QString *why);

// "NAME=VALUE".
bool parse_assignment(const QString &text, Assignment *out, QString *why);

// What `read` writes: JSON as `read --json` gives it, or NAME=VALUE lines ('#' starts a
// comment). Some fields only is fine; the address in a JSON file is not used.
bool parse_param_file(const QByteArray &bytes, QVector<Assignment> *out, QString *why);

// A non-negative whole number up to max, for options.
bool parse_count(const QString &text, qint64 max, qint64 *out);

// Text as a JSON string, quotes and escapes included.
QString json_string(const QString &text);

// "2h30m", "45s", "0s".
QString duration_text(quint64 seconds);

QString params_text(const orb::Param_data &data);
QString params_json(int address, const orb::Param_data &data);
// One line with every field of the status record and the state's text.
QString status_json(int address, const orb::Status_data &status);
