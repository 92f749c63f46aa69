#pragma once

#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>
#include <QtGlobal>

// Starts a child of a test and waits until it runs; false with the reason in *why. Under Wine a
// new process can fail in its own start-up, before any of its code runs, on a busy machine
// ("Process failed to start: Internal error"); there that alone is tried again, twice at most,
// each time with a warning that says so. Its stderr goes to the test's, where Wine's own
// messages are seen, unless the caller reads it.
inline bool start_child(QProcess &p, const QString &program, const QStringList &args, QString *why)
{
#ifdef Q_OS_WIN
    const int tries = 3;
#else
    const int tries = 1;
#endif
    for (int attempt = 1;; ++attempt) {
        p.start(program, args);
        if (p.waitForStarted(60000))
            return true;
        *why = QStringLiteral("%1 did not start: %2").arg(program, p.errorString());
        if (p.error() != QProcess::FailedToStart || attempt == tries)
            return false;
        qWarning("%s (try %d of %d)", qPrintable(*why), attempt, tries);
        QThread::msleep(500);
    }
}

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

// Whether a program is on the PATH; a row that needs a missing one says so and is skipped.
inline bool have(const char *program)
{
    return !QStandardPaths::findExecutable(QLatin1String(program)).isEmpty();
}

// A pattern anywhere in the text; '.' takes line ends too.
inline bool matches(const QString &pattern, const QString &text)
{
    return QRegularExpression(pattern, QRegularExpression::DotMatchesEverythingOption)
        .match(text)
        .hasMatch();
}

// "PORT" in a row stands for the simulator's line.
inline QString with_port(QString text, const QString &port)
{
    return text.replace(QRegularExpression(QStringLiteral("\\bPORT\\b")), port);
}

#ifdef ORBCTL_PATH
// orbctl as a script runs it, its port and address only from the arguments. "PORT" in args and
// env stands for port, which is also the one extra port the port list offers.
inline Run run_orbctl(QStringList args, const QString &port = {}, const QByteArray &input = {},
                      const QStringList &env = {})
{
    for (QString &arg : args)
        arg = with_port(arg, port);
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    e.remove(QStringLiteral("ORB_PORT"));
    e.remove(QStringLiteral("ORB_ADDRESS"));
    e.insert(QStringLiteral("ORB_PTZ_WASHING_EXTRA_PORTS"), port);
    for (const QString &pair : env)
        e.insert(pair.section('=', 0, 0), with_port(pair.section('=', 1), port));
    return run_process(QStringLiteral(ORBCTL_PATH), args, e, input);
}
#endif
