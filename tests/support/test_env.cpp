#include "test_env.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

namespace {
const char log_name[] = "ORB_PTZ_Washing.log";
}

Test_env::Test_env()
    : old_cwd(QDir::currentPath())
{
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.path() + QStringLiteral("/config")));
    QDir::setCurrent(dir.path());
}

Test_env::~Test_env()
{
    QDir::setCurrent(old_cwd);
}

QByteArray Test_env::log_bytes()
{
    QFile f(QString::fromLatin1(log_name));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

QStringList Test_env::log_lines()
{
    static const QRegularExpression stamp(
        QStringLiteral("^\\d\\d-\\d\\d-\\d{4} \\d\\d:\\d\\d:\\d\\d (INFO|DEBUG|ERROR|TRACE) "));
    QStringList out;
    const QStringList lines = QString::fromLocal8Bit(log_bytes()).split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        const auto m = stamp.match(line);
        if (m.hasMatch())
            out.append(m.captured(1) + QLatin1Char(' ') + line.mid(m.capturedLength()));
        else if (!out.isEmpty())
            out.last() += QLatin1Char('\n') + line; // continuation of a multi-line text
    }
    // The file ends with a line feed: drop the empty continuation it makes.
    if (!out.isEmpty() && out.last().endsWith(QLatin1Char('\n')))
        out.last().chop(1);
    return out;
}

void Test_env::clear_log()
{
    QFile::remove(QString::fromLatin1(log_name));
}
