#include "control_log.h"

#include <QDir>
#include <QFileInfo>

#include <cstdio>

Control_LOG::Control_LOG(const QString &file_name, QObject *parent)
    : QObject(parent)
    , file(file_name)
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
    // An unwritable log must never stop the tool, nor be lost without a word.
    const orb::Log_file::News news = file.append(line);
    if (news == orb::Log_file::News::none)
        return;
    const QString asked = QDir::toNativeSeparators(QFileInfo(file.asked_name()).absoluteFilePath());
    const QString text =
        news == orb::Log_file::News::moved
            ? tr("Журнал не записывается в файл %1.\nЗаписи журнала сохраняются в папке %2")
                  .arg(asked, QDir::toNativeSeparators(QFileInfo(file.file_name()).absolutePath()))
            : tr("Журнал не записывается в файл %1, записи журнала теряются.").arg(asked);
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    std::fflush(stderr);
    emit unwritable(text);
}
