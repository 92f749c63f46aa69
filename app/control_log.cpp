#include "control_log.h"

#include <QDateTime>
#include <QFile>

namespace {

QString make_line(const char *tag, const QString &text)
{
    return QDateTime::currentDateTime().toString(QStringLiteral("dd-MM-yyyy hh:mm:ss")) +
           QLatin1String(tag) + text + QLatin1Char('\n');
}

// The system's local 8-bit encoding, the same bytes whichever Qt built the tool: on Windows
// the ANSI code page (toLocal8Bit in Qt 5 and 6 alike); elsewhere UTF-8, which is what Qt 6
// always takes there and Qt 5 takes with ICU, while a Qt 5 without ICU would follow a C or
// KOI8-R locale and turn Cyrillic into '?' or other bytes.
QByteArray encode(const QString &line)
{
#ifdef Q_OS_WIN
    return line.toLocal8Bit();
#else
    return line.toUtf8();
#endif
}

} // namespace

Control_LOG::Control_LOG(const QString &file_name, QObject *parent)
    : QObject(parent)
    , file_name(file_name)
{}

void Control_LOG::info(QString text)
{
    write_line(make_line(" INFO ", text));
}

void Control_LOG::debug(QString text)
{
    write_line(make_line(" DEBUG ", text));
}

void Control_LOG::error(QString text)
{
    write_line(make_line(" ERROR ", text));
}

void Control_LOG::trace(QString text)
{
    write_line(make_line(" TRACE ", text));
}

void Control_LOG::write_line(const QString &line)
{
    QFile file(file_name);
    // An unwritable log must never stop the tool: the line is dropped.
    if (!file.open(QIODevice::Append | QIODevice::Text))
        return;
    file.write(encode(line));
    file.close();
}
