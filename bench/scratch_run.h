#pragma once

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

// A run of the real window outside the user's files: offscreen unless a platform is named,
// the log and the settings in a scratch directory, and Qt's own chatter (the offscreen
// platform complains about every message box) kept off the figures.
class Scratch_run
{
    Q_DISABLE_COPY(Scratch_run)

public:
    Scratch_run()
    {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        QDir::setCurrent(dir.path());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.path()));
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    }

private:
    QTemporaryDir dir;
};
