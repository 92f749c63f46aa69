#pragma once

#include "protocol/log_line.h"

#include <QObject>
#include <QString>

// The tool's event log: every line is opened, appended and closed on its own, so nothing is
// lost when the process dies and a log moved away is simply created again. A log that cannot be
// written goes to the user's data folder, and the user is told once.
class Control_LOG : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(Control_LOG)

public:
    Control_LOG(const QString &file_name, QObject *parent);

public slots:
    void info(QString text);
    void debug(QString text);
    void error(QString text);
    void trace(QString text);

signals:
    // The text for the user, once: where the log went, or that it is lost.
    void unwritable(const QString &text);

private:
    void write_line(const QString &line);

    orb::Log_file file;
};
