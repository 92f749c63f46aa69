#pragma once

#include "fault.h"

#include <QCommandLineOption>
#include <QList>
#include <QString>
#include <QVector>

class QCommandLineParser;

namespace sim {

// The simulator's command line, checked.
struct Options
{
    QString port; // empty: a pseudo-terminal
    QString tcp;  // [address:]port to listen on; empty: no TCP
    QString link_path;
    QVector<quint8> addresses{1};
    QString address_text = QStringLiteral("1");
    qint64 baud = 9600, turnaround = 0, init = 1000;
    qint64 seed = 0; // take_options: the time when not given
    QVector<Fault> faults;
    double rate = 1.0;
    QByteArray eol = "\r\n";
    bool pacing = true, rain = false, level_low = false, alarm = false;
};

// The options the simulator takes, --help aside.
const QList<QCommandLineOption> &options();

// --help's description: what the simulator does, its faults and console verbs from their tables.
QString help_description();

// The options and --help on the parser.
void add_options(QCommandLineParser *parser);

// False with *why when the options are wrong.
bool take_options(const QCommandLineParser &parser, Options *o, QString *why);

// "orb-module-sim: text" on standard error.
void complain(const QString &text);

} // namespace sim
