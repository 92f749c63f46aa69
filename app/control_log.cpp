#include "control_log.h"

#include <QDateTime>
#include <QFile>

namespace {

QString make_line(const char *tag, const QString &text)
{
    return QDateTime::currentDateTime().toString(QStringLiteral("dd-MM-yyyy hh:mm:ss")) +
           QLatin1String(tag) + text + QLatin1Char('\n');
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
    file.write(line.toLocal8Bit());
    file.close();
}
