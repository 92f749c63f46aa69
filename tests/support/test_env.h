#pragma once

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

// Runs a suite, a benchmark or the tour in a temporary working directory (where the log lands)
// with a temporary settings location, so nothing touches the user's files.
class Test_env
{
public:
    Test_env()
    {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.path() + QStringLiteral("/config")));
        QDir::setCurrent(dir.path());
    }
    ~Test_env() { QDir::setCurrent(old_cwd); }

    bool is_valid() const { return dir.isValid(); }
    QString path() const { return dir.path(); }

    // The log from byte `from` of the file on; a reader that follows the log passes the
    // log_size() it saw last.
    static QByteArray log_bytes(qint64 from = 0)
    {
        QFile f(QStringLiteral("ORB_PTZ_Washing.log"));
        if (!f.open(QIODevice::ReadOnly | QIODevice::Text) || !f.seek(from))
            return {};
        return f.readAll();
    }
    static qint64 log_size() { return QFileInfo(QStringLiteral("ORB_PTZ_Washing.log")).size(); }
    // The log's text as the tool encodes it: the ANSI code page on Windows, UTF-8 elsewhere.
    static QString log_text(qint64 from = 0)
    {
#ifdef Q_OS_WIN
        return QString::fromLocal8Bit(log_bytes(from));
#else
        return QString::fromUtf8(log_bytes(from));
#endif
    }
    // Log lines with the time stamp cut off ("INFO text"); a multi-line text stays one entry.
    static QStringList log_lines(qint64 from = 0)
    {
        static const QRegularExpression start(
            QStringLiteral("(^|\n)(\\d\\d-\\d\\d-\\d{4} \\d\\d:\\d\\d:\\d\\d |\\z)"));
        return log_text(from).split(start, Qt::SkipEmptyParts);
    }
    static void clear_log() { QFile::remove(QStringLiteral("ORB_PTZ_Washing.log")); }

private:
    QTemporaryDir dir;
    QString old_cwd = QDir::currentPath();
};
