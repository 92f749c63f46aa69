#include "control_log.h"

#include "protocol/log_line.h"

Control_LOG::Control_LOG(const QString &file_name, QObject *parent)
    : QObject(parent)
    , file_name(file_name)
{}

void Control_LOG::info(QString text)
{
    write_line(orb::log_line(orb::Log_level::info, text, QDateTime::currentDateTime()));
}

void Control_LOG::debug(QString text)
{
    write_line(orb::log_line(orb::Log_level::debug, text, QDateTime::currentDateTime()));
}

void Control_LOG::error(QString text)
{
    write_line(orb::log_line(orb::Log_level::error, text, QDateTime::currentDateTime()));
}

void Control_LOG::trace(QString text)
{
    write_line(orb::log_line(orb::Log_level::trace, text, QDateTime::currentDateTime()));
}

void Control_LOG::write_line(const QString &line)
{
    // An unwritable log must never stop the tool: the line is dropped.
    orb::append_log_line(file_name, line);
}
