#include "log.h"

#include "output.h"

#include <QDir>

void Log::write(orb::Log_level level, const QString &text)
{
    // As in the window: a log that cannot be written never stops the work, and is not lost
    // without a word.
    switch (file.append(orb::log_line(level, text, QDateTime::currentDateTime()))) {
    case orb::Log_file::News::none:
        return;
    case orb::Log_file::News::moved:
        fail(QStringLiteral("cannot write the log %1; its lines go to %2")
                 .arg(file.asked_name(), QDir::toNativeSeparators(file.file_name())));
        return;
    case orb::Log_file::News::lost:
        fail(QStringLiteral("cannot write the log %1; its lines are lost").arg(file.asked_name()));
        return;
    }
}
