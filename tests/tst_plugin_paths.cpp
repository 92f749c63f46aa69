#include "plugin_paths.h"
#include "process_run.h"
#include "test_env.h"

#include <QLibraryInfo>
#include <QProcess>
#include <QtTest>

// Where the tool looks for plug-ins: its own folder after Qt's, never the working directory.
class tst_plugin_paths : public QObject
{
    Q_OBJECT

private slots:
    void search_list_data()
    {
        QTest::addColumn<QStringList>("qt_paths");
        QTest::addColumn<QString>("exe_dir");
        QTest::addColumn<QStringList>("expected");
        const QStringList qt{QStringLiteral("/usr/lib/qt5/plugins")};
        const QStringList bin = {"/opt/orb/bin", "/opt/orb/bin/platforms"};
        QTest::newRow("after Qt's own") << qt << "/opt/orb/bin" << qt + bin;
        QTest::newRow("untidy folder") << QStringList() << "/opt/orb/x/../bin/" << bin;
        QTest::newRow("folder unknown") << qt << "" << qt;
        QTest::newRow("relative folder") << qt << "." << qt;
    }

    void search_list()
    {
        QFETCH(QStringList, qt_paths);
        QFETCH(QString, exe_dir);
        QFETCH(QStringList, expected);
        QCOMPARE(plugin_search_paths(qt_paths, exe_dir), expected);
    }

    // The built tool is started from a working directory holding a platforms/ folder with a planted
    // file; Qt's plug-in trace shows every folder the loaders search.
    void started_tool_data()
    {
        QTest::addColumn<QString>("program");
        QTest::newRow("absolute path") << QStringLiteral(ORB_TOOL_PATH);
#ifdef Q_OS_LINUX
        QTest::newRow("symlink in the folder") << QStringLiteral("./link-to-tool");
#endif
    }

    void started_tool()
    {
        QFETCH(QString, program);
        Test_env env;
        const QString cwd = QDir::currentPath();
        QVERIFY(QDir().mkpath(QStringLiteral("platforms")));
        QFile planted(QStringLiteral("platforms/libplanted.so"));
        QVERIFY(planted.open(QIODevice::WriteOnly));
        planted.close();
        const QString tool = QStringLiteral(ORB_TOOL_PATH);
        if (program.startsWith(QLatin1String("./")))
            QVERIFY(QFile::link(tool, program));

        QProcess proc;
        QProcessEnvironment sys = QProcessEnvironment::systemEnvironment();
        sys.insert(QStringLiteral("QT_DEBUG_PLUGINS"), QStringLiteral("1"));
        sys.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        sys.insert(QStringLiteral("QT_FORCE_STDERR_LOGGING"), QStringLiteral("1"));
        proc.setProcessEnvironment(sys);
        proc.setWorkingDirectory(cwd);
        QString why;
        QVERIFY2(start_child(proc, program, {}, &why), qPrintable(why));
        // The platform plug-in is loaded once every folder has been searched (Qt 5 and Qt 6 word
        // the trace line differently).
        static const QRegularExpression loaded(
            QStringLiteral("loaded library \"[^\"]*qoffscreen|qoffscreen[^\"]*\" loaded library"));
        QString trace;
        QTRY_VERIFY2_WITH_TIMEOUT(
            (trace += QString::fromLocal8Bit(proc.readAllStandardError())).contains(loaded),
            qPrintable(QStringLiteral("no platform plug-in loaded; the tool said:\n") + trace),
            30000);
        proc.kill();
        proc.waitForFinished(5000);

        // Library search list after start-up: the folders the platform loader looked in.
        QStringList searched;
        static const QRegularExpression checked(
            QStringLiteral("checking directory path \"([^\"]+)\""));
        for (auto m = checked.globalMatch(trace); m.hasNext();) {
            const QString dir = m.next().captured(1);
            QVERIFY2(QDir::isAbsolutePath(dir) && !dir.startsWith(cwd), qPrintable(dir));
            if (dir.endsWith(QLatin1String("/platforms")))
                searched.append(dir.chopped(10));
        }
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
        const QString qt_plugins = QLibraryInfo::path(QLibraryInfo::PluginsPath);
#else
        const QString qt_plugins = QLibraryInfo::location(QLibraryInfo::PluginsPath);
#endif
        const QString dir = QFileInfo(tool).canonicalPath();
        QCOMPARE(searched, QStringList({qt_plugins, dir, dir + QStringLiteral("/platforms")}));
        QVERIFY(!trace.contains(QLatin1String("planted")));
    }
};

QTEST_GUILESS_MAIN(tst_plugin_paths)
#include "tst_plugin_paths.moc"
