// orb-demo-tour: starts the module simulator, opens the tool's main window on it and makes a
// service visit. One line per step, the tool's log at the end, and a non-zero exit with the
// reason at the first step that does not end as it should. With --shots it saves pictures of
// the window and its boxes as it goes.

#include "high_dpi.h"
#include "protocol/language.h"
#include "protocol/log_line.h"
#include "sim_process.h"
#include "test_env.h"
#include "visit.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

const char usage[] =
    "Usage: orb-demo-tour [--shots DIR] [--pace MS] [--sim PATH] [--port NAME]\n"
    "                     [--lang CODE] [-- SIMULATOR OPTIONS]\n"
    "Starts the module simulator, opens the tool's main window on it and goes through a\n"
    "service visit: port, module address, connect, read, change the washing interval, write,\n"
    "status, pump on and off, About, disconnect, quit. Prints one line per step and the log\n"
    "the tool wrote; exits 1 at the first step that does not end as expected.\n"
    "  --shots DIR  save pictures of the window and the boxes into DIR (PNG)\n"
    "  --pace MS    pause MS milliseconds after each step and before closing a box\n"
    "  --sim PATH   the simulator to start (default: orb-module-sim beside this program,\n"
    "               else the one it was built with)\n"
    "  --port NAME  open NAME in the window, one end of a null-modem pair whose other end\n"
    "               the simulator serves (-- --port OTHER); default: the simulator's pty\n"
    "  --lang CODE  the window in en or ru, as the tool's --lang (default: $ORB_LANG,\n"
    "               else ru)\n"
    "  -- ...       hand the rest to the simulator, e.g. -- --fault bad-crc\n"
    "The tool runs in a temporary folder with its own settings, so its log and window state\n"
    "stay apart from an engineer's.\n";

// The simulator beside this program, else the one the build made.
QString default_simulator()
{
    const QString name = QStringLiteral("orb-module-sim");
    const QDir here(QCoreApplication::applicationDirPath());
    for (const QString &path :
         {here.filePath(name), here.filePath(QStringLiteral("../sim/") + name)}) {
        if (QFileInfo(path).isExecutable())
            return path;
    }
    return QStringLiteral(ORB_SIM_PATH);
}

void print_log(const QString &dir)
{
    const QStringList lines = Test_env::log_text().split(QLatin1Char('\n'));
    say(QStringLiteral("The tool's log, %1:")
            .arg(QDir(dir).filePath(QLatin1String(orb::log_file_name))));
    for (const QString &line : lines) {
        if (!line.isEmpty())
            say(QStringLiteral("    ") + line);
    }
}

struct Options
{
    QString shots, tool_port, sim = default_simulator(), lang = qEnvironmentVariable("ORB_LANG");
    int pace = 0;
    QStringList sim_args{QStringLiteral("--address"), QStringLiteral("1")};
};

// Where "--" ends the tour's own options: the first one that is not the value of an option.
int separator(const QStringList &args, const QList<QCommandLineOption> &options)
{
    for (int i = 0; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        if (arg == QLatin1String("--"))
            return i;
        const auto takes_value = [&arg](const QCommandLineOption &o) {
            return !o.valueName().isEmpty() && arg == QLatin1String("--") + o.names().first();
        };
        if (std::any_of(options.begin(), options.end(), takes_value))
            ++i;
    }
    return int(args.size());
}

// Paths given are taken from start. -1 to go on, else the exit status, the usage text shown.
int parse_options(const QStringList &args, const QDir &start, Options *o)
{
    const QCommandLineOption shots(QStringLiteral("shots"), QString(), QStringLiteral("DIR"));
    const QCommandLineOption pace(QStringLiteral("pace"), QString(), QStringLiteral("MS"));
    const QCommandLineOption sim(QStringLiteral("sim"), QString(), QStringLiteral("PATH"));
    const QCommandLineOption port(QStringLiteral("port"), QString(), QStringLiteral("NAME"));
    const QCommandLineOption lang(QStringLiteral("lang"), QString(), QStringLiteral("CODE"));
    const QCommandLineOption help(QStringLiteral("help"));
    const QList<QCommandLineOption> options{shots, pace, sim, port, lang, help};
    QCommandLineParser parser;
    parser.addOptions(options);
    const int end = separator(args, options);
    if (!parser.parse(QStringList{QString()} + args.mid(0, end)) ||
        !parser.positionalArguments().isEmpty()) {
        std::fputs(usage, stderr);
        return 2;
    }
    if (parser.isSet(help)) {
        std::fputs(usage, stdout);
        return 0;
    }
    for (const QString &value : parser.values(pace)) {
        bool ok = false;
        o->pace = value.toInt(&ok);
        if (!ok || o->pace < 0 || o->pace > 60000) {
            std::fputs(usage, stderr);
            return 2;
        }
    }
    if (parser.isSet(shots))
        o->shots = start.absoluteFilePath(parser.value(shots));
    if (parser.isSet(port))
        o->tool_port = parser.value(port);
    if (parser.isSet(lang))
        o->lang = parser.value(lang);
    if (parser.isSet(sim))
        o->sim = start.absoluteFilePath(parser.value(sim));
    o->sim_args += args.mid(end + 1);
    return -1;
}

} // namespace

int main(int argc, char *argv[])
{
    // Settings of their own before anything reads them: the window opens at the form's size.
    // Paths given are relative to where the tour was started, not to the tool's folder.
    const QDir start = QDir::current();
    const Test_env work;
    if (!work.is_valid()) {
        say(QStringLiteral("FAILED: no temporary folder"));
        return 2;
    }

    enable_high_dpi_scaling(); // as the tool does
    QApplication app(argc, argv);
    Options o;
    const int status = parse_options(QCoreApplication::arguments().mid(1), start, &o);
    if (status >= 0)
        return status;
    QString why;
    if (!orb::use_language(o.lang, &why)) {
        say(QStringLiteral("FAILED: %1").arg(why));
        return 2;
    }
    if (!o.shots.isEmpty() && !QDir().mkpath(o.shots)) {
        say(QStringLiteral("FAILED: cannot make %1").arg(o.shots));
        return 2;
    }

    Sim_process module(o.sim_args, Sim_process::Traffic::dropped, o.sim);
    QString port = module.path();
    if (!module.is_running()) {
        say(QStringLiteral("FAILED: the simulator %1 did not start (%2)")
                .arg(o.sim, module.proc.errorString()));
        return 2;
    }
    say(QStringLiteral("Simulated module on %1; the tool runs in %2").arg(port, work.path()));
    if (!o.tool_port.isEmpty())
        port = o.tool_port;

    // The window reads the extra port when it is built.
    qputenv("ORB_PTZ_WASHING_EXTRA_PORTS", QFile::encodeName(port));

    // Every command waits at most a second; a tour far past that has hung somewhere.
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [&] {
        say(QStringLiteral("FAILED: the tour did not end within 120 s"));
        module.proc.kill();
        std::exit(1);
    });
    watchdog.start(120000);

    bool passed = false;
    {
        MainWindow window;
        window.show();
        settle(qMax(o.pace, 200));
        Tour tour(window, o.shots, o.pace);
        passed = tour.run(visit_steps(tour, port));
    }
    print_log(work.path());
    if (!passed)
        return 1;
    say(QStringLiteral("All steps passed."));
    return 0;
}
