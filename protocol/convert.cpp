#include "convert.h"

#include "status_data.h"

#include <QCoreApplication>

namespace orb {

Interval interval_to_form(quint16 seconds)
{
    // 16 bits of seconds never reach a day, so the day stays 0 and hours carry it all.
    Interval form;
    form.hour = seconds / 3600;
    form.min = (seconds / 60) % 60;
    return form;
}

qint64 interval_seconds(int day, int hour, int min)
{
    return ((qint64(day) * 1440 + qint64(hour) * 60) + min) * 60;
}

int rain_to_form(quint16 seconds)
{
    return seconds / 60;
}

qint64 rain_seconds(int minutes)
{
    return qint64(minutes) * 60;
}

QString state_text(int state, Reader reader)
{
    const auto text = [reader](const char *source) {
        return text_for(reader, "state_text", source);
    };
    switch (state) {
    case state_init:
        return text(QT_TRANSLATE_NOOP("state_text", "Инициализация"));
    case state_washing:
        return text(QT_TRANSLATE_NOOP("state_text", "Помывка"));
    case state_pause:
        return text(QT_TRANSLATE_NOOP("state_text", "Пауза"));
    default:
        return QStringLiteral("unknown state %1").arg(state);
    }
}

} // namespace orb
