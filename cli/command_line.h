#pragma once

#include <QCommandLineOption>
#include <QList>
#include <QString>

class QCommandLineParser;
struct Command;
struct Settings;

// Every option orbctl takes, --help and --version included.
const QList<QCommandLineOption> &orbctl_options();

// The options orbctl takes, and the commands from their table as the description.
void add_options(QCommandLineParser *parser);

// --help: usage, commands, options and the exit statuses.
QString help_text(const QCommandLineParser &parser);

// The command and everything it needs from a parsed command line and the environment. False
// with *why when anything is wrong; all of it is checked before a port is opened.
bool take_command_line(const QCommandLineParser &parser, const Command **command, Settings *s,
                       QString *why);
