#pragma once

#include <QString>
#include <QVector>

namespace orb {

// Module addresses as a list of numbers and ranges, "1-8,12,20-22": each 0-255, kept in the
// order given, each address once. False with *why set (what is wrong, without the text) and
// out untouched otherwise.
bool parse_address_list(const QString &text, QVector<quint8> *out, QString *why);

} // namespace orb
