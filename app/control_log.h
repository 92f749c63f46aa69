#pragma once

#include <QObject>
#include <QString>

// The tool's event log: every line is opened, appended and closed on its own, so nothing is
// lost when the process dies and a log moved away is simply created again.
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

private:
    void write_line(const QString &line);

    QString file_name;
};
