#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

namespace sim {

class Simulator;

// One command typed on the console: its verb, the words after it, its line in --help, and what
// it does. A handler returns nothing when done, so that the line is acknowledged with "ok" and
// noted in the traffic, or else the whole answer line ("ok ..." or "error ...").
struct Console_verb
{
    QString verb;
    int words;           // after the verb; -1 for one or more
    QStringList choices; // when not empty: the one word must be one of these
    QString args;        // the words as --help shows them, when there are no choices
    QString about;
    QString (*run)(Simulator &sim, const QStringList &words);
};

const QVector<Console_verb> &console_verbs();

// Runs one console line; its answer goes to standard output.
void run_console_line(Simulator &sim, const QString &text);

// The verbs as --help lists them, one a line: "  rain on|off   the rain flag".
QString console_help();

} // namespace sim
