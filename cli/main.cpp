#include "command.h"
#include "command_line.h"
#include "output.h"
#include "run.h"

#include "protocol/language.h"
#include "protocol/version.h"

#include <QCommandLineParser>
#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orbctl"));
    QCoreApplication::setApplicationVersion(orb::version());

    QCommandLineParser parser;
    add_options(&parser);
    if (!parser.parse(QCoreApplication::arguments()))
        return finish({Outcome::bad_input, parser.errorText()});
    if (parser.isSet(QStringLiteral("help"))) {
        out(help_text(parser));
        return finish({});
    }
    if (parser.isSet(QStringLiteral("version"))) {
        out(QStringLiteral("orbctl %1\n").arg(orb::version()));
        return finish({});
    }
    // Every check runs before the port is opened: bad input sends nothing.
    const Command *command = nullptr;
    Settings settings;
    QString why;
    if (!take_command_line(parser, &command, &settings, &why))
        return finish({Outcome::bad_input, why});
    // Machine-read output (JSON, metrics) keeps its texts whatever the language asked.
    if (!settings.json && !settings.prometheus &&
        !orb::use_language(orb::asked_language(QCoreApplication::arguments()), &why))
        fail(why);
    return finish(run_command(*command, settings));
}
