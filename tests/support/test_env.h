#pragma once

#include "protocol/log_line.h"

#include <QDir>
#include <QTemporaryDir>

// Runs a suite in a temporary working directory (where the log lands) with a temporary
// settings location, so no test touches the user's files.
class Test_env
{
public:
    Test_env()
    {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.path() + QStringLiteral("/config")));
        QDir::setCurrent(dir.path());
    }
    ~Test_env() { QDir::setCurrent(old_cwd); }

    static QByteArray log_bytes()
    {
        QFile f(QLatin1String(orb::log_file_name));
        return f.open(QIODevice::ReadOnly | QIODevice::Text) ? f.readAll() : QByteArray();
    }
    static QString log_text() { return orb::decode_log(log_bytes()); }
    // Log lines with the time stamp cut off ("INFO text"); a multi-line text stays one entry.
    static QStringList log_lines() { return orb::log_entries(log_bytes()); }
    static void clear_log() { QFile::remove(QLatin1String(orb::log_file_name)); }

private:
    QTemporaryDir dir;
    QString old_cwd = QDir::currentPath();
};
