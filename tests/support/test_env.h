#pragma once

#include <QStringList>
#include <QTemporaryDir>

// Runs a suite in a temporary working directory (where the log lands) with a temporary
// settings location, so no test touches the user's files. Call from initTestCase().
class Test_env
{
public:
    Test_env();
    ~Test_env();

    QString path() const { return dir.path(); }

    // Lines of ORB_PTZ_Washing.log with the time stamp cut off: "INFO text", "DEBUG text", ...
    static QStringList log_lines();
    // Raw content of the log file.
    static QByteArray log_bytes();
    // Removes the log file, so the next lines start a fresh one.
    static void clear_log();

private:
    QTemporaryDir dir;
    QString old_cwd;
};
