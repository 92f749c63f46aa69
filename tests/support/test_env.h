#pragma once

#include "protocol/log_line.h"
#include "protocol/version.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>

// Runs a suite, a benchmark, the soak or the tour in a temporary working directory (where the
// log lands) with a temporary settings location, so nothing touches the user's files.
class Test_env
{
    Q_DISABLE_COPY(Test_env)

public:
    // quiet: a program that runs the real window on its own (a benchmark, the soak), offscreen
    // unless a platform is named, with Qt's own chatter (the offscreen platform complains about
    // every message box) kept off its figures.
    enum class Output { as_is, quiet };

    explicit Test_env(Output output = Output::as_is)
    {
        if (output == Output::quiet) {
            if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
                qputenv("QT_QPA_PLATFORM", "offscreen");
            qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
        }
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.path() + QStringLiteral("/config")));
        qputenv("XDG_DATA_HOME", QFile::encodeName(dir.path() + QStringLiteral("/data")));
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
        return QSettings(QLatin1String(orb::organization_name),
                         QLatin1String(orb::application_name));
    }

    bool is_valid() const
    {
        return dir.isValid();
    }
    QString path() const
    {
        return dir.path();
    }

    // The log from byte `from` of the file on; a reader that follows the log passes the
    // log_size() it saw last.
    static QByteArray log_bytes(qint64 from = 0)
    {
        QFile f(QLatin1String(orb::log_file_name));
        if (!f.open(QIODevice::ReadOnly | QIODevice::Text) || !f.seek(from))
            return {};
        return f.readAll();
    }
    static qint64 log_size()
    {
        return QFileInfo(QLatin1String(orb::log_file_name)).size();
    }
    static QString log_text(qint64 from = 0)
    {
        return orb::decode_log(log_bytes(from));
    }
    // Log lines with the time stamp cut off ("INFO text"); a multi-line text stays one entry.
    static QStringList log_lines(qint64 from = 0)
    {
        return orb::log_entries(log_bytes(from));
    }
    static void clear_log()
    {
        QFile::remove(QLatin1String(orb::log_file_name));
    }

private:
    QTemporaryDir dir;
    QString old_cwd = QDir::currentPath();
#ifdef Q_OS_WIN
    QVariantMap saved;
#endif
};
