#pragma once

#include "language.h"

#include <QString>
#include <QtGlobal>

namespace orb {

struct Interval
{
    int day = 0;
    int hour = 0;
    int min = 0;
};

// Washing interval as the form shows a stored value: days always 0, seconds below a minute dropped.
Interval interval_to_form(quint16 seconds);
// ((day * 1440 + hour * 60) + min) * 60
qint64 interval_seconds(int day, int hour, int min);

// Rain-mode wiper interval: the form shows minutes, the wire carries seconds.
int rain_to_form(quint16 seconds);
qint64 rain_seconds(int minutes);

// "Инициализация", "Помывка", "Пауза", or "unknown state N"; the log's, the JSON's and the
// metrics' form by default.
QString state_text(int state, Reader reader = Reader::log);

} // namespace orb
