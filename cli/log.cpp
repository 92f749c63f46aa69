#include "log.h"

void Log::write(orb::Log_level level, const QString &text)
{
    // As in the window: a log that cannot be written never stops the work.
    if (!file_name.isEmpty())
        orb::append_log_line(file_name, orb::log_line(level, text, QDateTime::currentDateTime()));
}
