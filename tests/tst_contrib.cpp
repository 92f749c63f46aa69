#include "process_run.h"

#include <QTemporaryDir>
#include <QtTest>

// The files in contrib/ as the real tools read them: the Prometheus alert rules and the systemd
// units that write orbctl's metrics. A row whose tool is missing says so and is skipped.
namespace {

Run run(const QString &program, const QStringList &args)
{
    return run_process(program, args, QProcessEnvironment::systemEnvironment());
}

} // namespace

class tst_contrib : public QObject
{
    Q_OBJECT

private slots:
    // The alert rules load, and fire when their conditions have lasted.
    void alert_rules()
    {
        if (!have("promtool"))
            QSKIP("promtool is not installed (Debian package prometheus)");
        const QString rules =
            QStringLiteral(ORB_SOURCE_DIR "/contrib/prometheus/orb_washing.rules.yml");
        const Run check = run(QStringLiteral("promtool"), {"check", "rules", rules});
        QVERIFY2(check.code == 0 && check.out.contains(QLatin1String("SUCCESS: 3 rules found")),
                 qPrintable(check.out + check.err));
        const QString test =
            QStringLiteral(ORB_SOURCE_DIR "/tests/data/orb_washing_rules_test.yml");
        const Run fired = run(QStringLiteral("promtool"), {"test", "rules", test});
        QVERIFY2(fired.code == 0, qPrintable(fired.out + fired.err));
    }

    // The service and the timer as systemd reads them, with orbctl where this build has it.
    void systemd_units()
    {
        if (!have("systemd-analyze"))
            QSKIP("systemd-analyze is not installed");
        QTemporaryDir dir;
        for (const char *name : {"orb-washing-metrics.service", "orb-washing-metrics.timer"}) {
            QFile in(QStringLiteral(ORB_SOURCE_DIR "/contrib/systemd/") + QLatin1String(name));
            QFile out(dir.filePath(QLatin1String(name)));
            QVERIFY(in.open(QIODevice::ReadOnly) && out.open(QIODevice::WriteOnly));
            // Quoted: a build folder's path may hold a space.
            out.write(in.readAll().replace("/usr/bin/orbctl", "\"" ORBCTL_PATH "\""));
        }
        const Run r = run(QStringLiteral("systemd-analyze"),
                          {"verify", "--man=no", dir.filePath("orb-washing-metrics.service"),
                           dir.filePath("orb-washing-metrics.timer")});
        // In some containers systemd cannot load units at all; that says nothing about these.
        if (r.code != 0 && r.err.contains(QLatin1String("Failed to initialize manager")))
            QSKIP(qPrintable("systemd-analyze cannot run here: " + r.err.trimmed()));
        QVERIFY2(r.code == 0 && r.err.trimmed().isEmpty() && r.out.trimmed().isEmpty(),
                 qPrintable(r.out + r.err));
    }
};

QTEST_GUILESS_MAIN(tst_contrib)
#include "tst_contrib.moc"
