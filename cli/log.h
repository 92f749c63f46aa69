#pragma once

#include <QString>

// Appends lines in the window's log format, "dd-MM-yyyy hh:mm:ss LEVEL text", so one log file
// reads the same whichever program wrote a line. Each line opens and closes the file.
class Log
{
public:
    void set_file(const QString &name) { file_name = name; }

    void info(const QString &text) { write(" INFO ", text); }
    void debug(const QString &text) { write(" DEBUG ", text); }
    void error(const QString &text) { write(" ERROR ", text); }

private:
    void write(const char *tag, const QString &text);

    QString file_name; // empty: no log
};
