#pragma once

#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>

// A command-line program run to its end, as a script would run it.
struct Run
{
    int code = -1; // -1: crashed or hung
    QString out, err;
    qint64 ms = 0;
};

inline Run run_process(const QString &program, const QStringList &args,
                       const QProcessEnvironment &env, const QByteArray &input = {})
{
    QProcess p;
    p.setProcessEnvironment(env);
    QElapsedTimer clock;
    clock.start();
    p.start(program, args);
    p.write(input);
    p.closeWriteChannel();
    Run r;
    if (!p.waitForFinished(30000)) {
        p.kill();
        p.waitForFinished(3000);
        return r;
    }
    r.ms = clock.elapsed();
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    r.err = QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}

// A pattern anywhere in the text; '.' takes line ends too.
inline bool matches(const QString &pattern, const QString &text)
{
    return QRegularExpression(pattern, QRegularExpression::DotMatchesEverythingOption)
        .match(text)
        .hasMatch();
}
