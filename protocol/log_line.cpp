#include "log_line.h"
#include "version.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QRegularExpression>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

namespace orb {

QString log_line(Log_level level, const QString &text, const QDateTime &when)
{
    static const char *const tags[] = {" INFO ", " DEBUG ", " ERROR ", " TRACE "};
    return when.toString(QLatin1String(log_stamp_format)) + QLatin1String(tags[int(level)]) + text +
           QLatin1Char('\n');
}

Log_encoding log_encoding_for(unsigned code_page)
{
    // 1251 is the one ANSI code page with Cyrillic letters, and every log a Russian Windows has
    // written so far is in it. Elsewhere (1252 on English, German or French Windows, 65001 where
    // the system already speaks UTF-8) UTF-8 keeps every letter.
    return code_page == 1251 ? Log_encoding::ansi_code_page : Log_encoding::utf8;
}

unsigned ansi_code_page()
{
#ifdef Q_OS_WIN
    return GetACP();
#else
    return 0;
#endif
}

Log_encoding log_encoding()
{
#ifdef Q_OS_WIN
    return log_encoding_for(ansi_code_page());
#else
    // Not toLocal8Bit: Qt 5 follows a C or KOI8-R locale there, so orbctl and the window would
    // append different bytes to one file; Qt 6 takes UTF-8 anyway.
    return Log_encoding::utf8;
#endif
}

QByteArray encode_log(const QString &text)
{
    // On Windows the local 8-bit encoding is the ANSI code page, in Qt 5 and 6 alike.
    return log_encoding() == Log_encoding::utf8 ? text.toUtf8() : text.toLocal8Bit();
}

QString decode_log(const QByteArray &bytes)
{
    return log_encoding() == Log_encoding::utf8 ? QString::fromUtf8(bytes)
                                                : QString::fromLocal8Bit(bytes);
}

bool append_log_line(const QString &file_name, const QString &line)
{
    QFile file(file_name);
    if (!file.open(QIODevice::Append | QIODevice::Text))
        return false;
    const QByteArray bytes = encode_log(line);
    return file.write(bytes) == bytes.size() && file.flush();
}

QString fallback_log_folder()
{
    // The folder QStandardPaths::AppLocalDataLocation gives the window; orbctl, with names of
    // its own, shares it.
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                           QLatin1Char('/') + QLatin1String(organization_name) +
                           QLatin1Char('/') + QLatin1String(application_name);
    QDir().mkpath(folder);
    return folder;
}

Log_file::News Log_file::append(const QString &line)
{
    if (name.isEmpty() || append_log_line(name, line))
        return News::none;
    if (!moved) {
        moved = true;
        name = fallback_log_folder() + QLatin1Char('/') + QFileInfo(asked).fileName();
        if (append_log_line(name, line))
            return News::moved;
    }
    if (lost_said)
        return News::none;
    lost_said = true;
    return News::lost;
}

QStringList log_entries(const QByteArray &bytes)
{
    static const QRegularExpression start(
        QStringLiteral("(^|\n)(\\d\\d-\\d\\d-\\d{4} \\d\\d:\\d\\d:\\d\\d |\\z)"));
    return decode_log(bytes).split(start, Qt::SkipEmptyParts);
}

} // namespace orb
