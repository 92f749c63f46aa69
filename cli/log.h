#pragma once

#include "protocol/log_line.h"

#include <QString>

// Appends lines to the window's log in its format and encoding (orb::log_line), so one log
// file reads the same whichever program wrote a line. Each line opens and closes the file; one
// that cannot be written sends the log to the user's data folder, said once on stderr.
class Log
{
public:
    void set_file(const QString &name) { file = orb::Log_file(name); }

    void info(const QString &text) { write(orb::Log_level::info, text); }
    void debug(const QString &text) { write(orb::Log_level::debug, text); }
    void error(const QString &text) { write(orb::Log_level::error, text); }

private:
    void write(orb::Log_level level, const QString &text);

    orb::Log_file file; // no name: no log
};
