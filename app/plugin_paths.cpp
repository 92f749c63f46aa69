#include "plugin_paths.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

QString executable_dir(const char *argv0)
{
    QString file;
#if defined(Q_OS_WIN)
    wchar_t buf[32768];
    const DWORD n = GetModuleFileNameW(nullptr, buf, DWORD(sizeof buf / sizeof buf[0]));
    if (n > 0 && n < sizeof buf / sizeof buf[0])
        file = QString::fromWCharArray(buf, int(n));
#elif defined(Q_OS_LINUX)
    file = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
#endif
    if (file.isEmpty() && argv0 != nullptr) {
        // A bare name came from PATH, not from the working directory.
        const QString arg = QFile::decodeName(argv0);
        file = arg.contains(QLatin1Char('/')) || arg.contains(QDir::separator())
                   ? QFileInfo(arg).absoluteFilePath()
                   : QStandardPaths::findExecutable(arg);
    }
    return file.isEmpty() ? QString() : QFileInfo(file).absolutePath();
}

QStringList plugin_search_paths(const QStringList &qt_paths, const QString &exe_dir)
{
    QStringList paths = qt_paths;
    if (exe_dir.isEmpty() || QDir::isRelativePath(exe_dir))
        return paths;
    const QString dir = QDir::cleanPath(exe_dir);
    paths.append(dir);
    paths.append(dir + QStringLiteral("/platforms"));
    return paths;
}
