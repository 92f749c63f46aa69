#include "log.h"

#include <QDateTime>
#include <QFile>

void Log::write(const char *tag, const QString &text)
{
    if (file_name.isEmpty())
        return;
    QFile file(file_name);
    // As in the window: a log that cannot be written never stops the work.
    if (!file.open(QIODevice::Append | QIODevice::Text))
        return;
    const QString line =
        QDateTime::currentDateTime().toString(QStringLiteral("dd-MM-yyyy hh:mm:ss")) +
        QLatin1String(tag) + text + QLatin1Char('\n');
    file.write(line.toLocal8Bit());
}
