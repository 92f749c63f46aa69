#include "orbctl_run.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>

#include <algorithm>

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

Orbctl_run run_orbctl(const QStringList &args, int limit_ms)
{
    static const QRegularExpression took(QStringLiteral("<- :\\S+ \\(([0-9.]+) ms\\)"));
    Orbctl_run run;
    QProcess p;
    QElapsedTimer clock;
    clock.start();
    p.start(QStringLiteral(ORBCTL_PATH), QStringList{QStringLiteral("-v")} + args);
    run.ok = p.waitForFinished(limit_ms) && p.exitCode() == 0;
    run.ms = double(clock.nsecsElapsed()) / 1e6;
    run.errors = p.readAllStandardError();
    auto it = took.globalMatch(QString::fromLocal8Bit(run.errors));
    while (it.hasNext())
        run.exchanges_ms.push_back(it.next().captured(1).toDouble());
    return run;
}
