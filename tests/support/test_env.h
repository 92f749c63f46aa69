#pragma once

#include <QDir>
#include <QRegularExpression>
#include <QSettings>
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
#ifdef Q_OS_WIN
        // The store is the registry there, not a folder: start empty, then put back what the
        // user had.
        QSettings store = tool_settings();
        for (const QString &key : store.allKeys())
            saved.insert(key, store.value(key));
        store.clear();
#endif
    }
    ~Test_env()
    {
        QDir::setCurrent(old_cwd);
#ifdef Q_OS_WIN
        QSettings store = tool_settings();
        store.clear();
        for (auto it = saved.cbegin(); it != saved.cend(); ++it)
            store.setValue(it.key(), it.value());
#endif
    }

    // The tool's settings store, as the window opens it.
    static QSettings tool_settings()
    {
        return QSettings(QStringLiteral("ORB Technology"), QStringLiteral("ORB PTZ Washing"));
    }

    static QByteArray log_bytes()
    {
        QFile f(QStringLiteral("ORB_PTZ_Washing.log"));
        return f.open(QIODevice::ReadOnly | QIODevice::Text) ? f.readAll() : QByteArray();
    }
    // The log's text as the tool encodes it: the ANSI code page on Windows, UTF-8 elsewhere.
    static QString log_text()
    {
#ifdef Q_OS_WIN
        return QString::fromLocal8Bit(log_bytes());
#else
        return QString::fromUtf8(log_bytes());
#endif
    }
    // Log lines with the time stamp cut off ("INFO text"); a multi-line text stays one entry.
    static QStringList log_lines()
    {
        static const QRegularExpression start(
            QStringLiteral("(^|\n)(\\d\\d-\\d\\d-\\d{4} \\d\\d:\\d\\d:\\d\\d |\\z)"));
        return log_text().split(start, Qt::SkipEmptyParts);
    }
    static void clear_log() { QFile::remove(QStringLiteral("ORB_PTZ_Washing.log")); }

private:
    QTemporaryDir dir;
    QString old_cwd = QDir::currentPath();
#ifdef Q_OS_WIN
    QVariantMap saved;
#endif
};
