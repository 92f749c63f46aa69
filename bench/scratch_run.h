#pragma once

#include "test_env.h"

#include <QApplication>

// A run of the real window outside the user's files (the harness's scratch folder and settings):
// offscreen unless a platform is named, and Qt's own chatter (the offscreen platform complains
// about every message box) kept off the figures.
class Scratch_run : public Test_env
{
    Q_DISABLE_COPY(Scratch_run)

public:
    Scratch_run()
    {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    }
};
