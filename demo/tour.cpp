// A guided tour: drives the real main window against the module simulator as an engineer
// would, clicking the real buttons and typing into the real fields. One line per step, the
// tool's log at the end, and a non-zero exit with the reason at the first step that does not
// end as it should. With --shots it saves pictures of the window and its boxes as it goes.

#include "box_closer.h"
#include "high_dpi.h"
#include "mainwindow.h"
#include "protocol/log_line.h"
#include "protocol/version.h"
#include "sim_process.h"
#include "test_env.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace {

const char usage[] =
    "Usage: orb-demo-tour [--shots DIR] [--pace MS] [--sim PATH] [--port NAME]\n"
    "                     [-- SIMULATOR OPTIONS]\n"
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
    "  -- ...       hand the rest to the simulator, e.g. -- --fault bad-crc\n"
    "The tool runs in a temporary folder with its own settings, so its log and window state\n"
    "stay apart from an engineer's.\n";

void say(const QString &line)
{
    std::fputs((line + QLatin1Char('\n')).toUtf8().constData(), stdout);
    std::fflush(stdout);
}

// Keeps the event loop running for ms milliseconds, so the window paints and the port reads.
void settle(int ms)
{
    QElapsedTimer clock;
    clock.start();
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    } while (clock.elapsed() < ms);
}

struct Outcome
{
    bool ok;
    QString text;
};

Outcome done(const QString &text)
{
    return {true, text};
}

Outcome failed(const QString &reason)
{
    return {false, reason};
}

// What a step says it does, and the doing.
using Step = std::pair<QString, std::function<Outcome()>>;
using Steps = std::vector<Step>;

const QString info = QStringLiteral("Информация");
const QString ok = QStringLiteral("OK");

class Tour
{
public:
    // A person reads a box before closing it; at pace 0 it still gets painted once.
    Tour(MainWindow &window, QString shots, int pace)
        : window(window)
        , shots(std::move(shots))
        , pace(pace)
        , closer(20, qMax(pace, 40))
    {
        closer.before_close = [this](QDialog *dialog) {
            look_at(dialog);
        };
    }

    // Runs every step in order; false after the first that failed.
    bool run(const QString &port);

private:
    template<class T> T *find(const char *name)
    {
        T *w = window.findChild<T *>(QLatin1String(name));
        if (!w) {
            say(QStringLiteral("FAILED: the window has no %1").arg(QLatin1String(name)));
            std::exit(1);
        }
        return w;
    }

    // The visit's steps in order, by theme.
    Steps connect_steps(const QString &port);
    Steps reading_steps();
    Outcome look_at_pages();
    Steps writing_steps();
    Steps status_steps();
    Steps leaving_steps();

    bool step(const QString &what, const std::function<Outcome()> &action);
    void look_at(QDialog *dialog);
    // Presses a button; the boxes it brought up are in boxes afterwards.
    void press(QPushButton *button);
    Outcome expect_one_box(const QString &title, const QString &text);
    Outcome type_into(QSpinBox *box, int value);
    Outcome show_pages(int main_page, int adv_page, int mode_page);
    bool shot(QWidget *w, const QString &name);
    QString interval();

    MainWindow &window;
    const QString shots;
    const int pace;
    Box_closer closer;
    const QList<Box_closer::Box> &boxes = closer.boxes;
    QString about_text; // what the About box said
    QString box_shot;   // name for a picture of the next box, if any
    bool shot_failed = false;
    int number = 0;
};

bool Tour::step(const QString &what, const std::function<Outcome()> &action)
{
    ++number;
    const Outcome outcome = action();
    if (!outcome.ok) {
        say(QStringLiteral("%1. %2: FAILED: %3").arg(number, 2).arg(what, outcome.text));
        return false;
    }
    say(QStringLiteral("%1. %2: %3").arg(number, 2).arg(what, outcome.text));
    settle(qMax(pace, 50));
    return true;
}

void Tour::look_at(QDialog *dialog)
{
    if (!box_shot.isEmpty()) {
        shot_failed = shot_failed || !shot(dialog, box_shot);
        box_shot.clear();
    }
    if (const auto *text = dialog->findChild<QLabel *>(QStringLiteral("lbl_email")))
        about_text = text->text();
}

void Tour::press(QPushButton *button)
{
    closer.boxes.clear();
    about_text.clear();
    button->click(); // returns once every box it opened is closed
    settle(20);
}

Outcome Tour::expect_one_box(const QString &title, const QString &text)
{
    if (shot_failed)
        return failed(QStringLiteral("could not save the picture of the box"));
    QStringList seen;
    for (const Box_closer::Box &box : boxes)
        seen << QStringLiteral("\"%1\" / \"%2\"").arg(box.title, box.text);
    if (boxes.size() != 1 || boxes.first().title != title || boxes.first().text != text)
        return failed(
            QStringLiteral("expected the box \"%1\" / \"%2\", got %3")
                .arg(title, text, seen.isEmpty() ? QStringLiteral("none") : seen.join(", ")));
    return done(QStringLiteral("box %1 accepted").arg(seen.first()));
}

Outcome Tour::type_into(QSpinBox *box, int value)
{
    box->setFocus();
    box->selectAll();
    const QString digits = QString::number(value);
    for (const QChar digit : digits) {
        const auto key = Qt::Key(Qt::Key_0 + digit.digitValue());
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(digit));
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(digit));
        QApplication::sendEvent(box, &press);
        QApplication::sendEvent(box, &release);
    }
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(box, &enter);
    // The spin box keeps its text selected after Return; a person's next click clears that.
    if (auto *edit = box->findChild<QLineEdit *>())
        edit->deselect();
    if (box->value() != value)
        return failed(QStringLiteral("typed %1 into %2, it shows %3")
                          .arg(digits, box->objectName(), box->text()));
    return done(digits);
}

Outcome Tour::show_pages(int main_page, int adv_page, int mode_page)
{
    auto *main_tabs = find<QTabWidget>("main_tabWidget");
    auto *adv_tabs = find<QTabWidget>("adv_tabWidget");
    auto *mode_tabs = find<QTabWidget>("tabPTZ_WorkMode");
    main_tabs->setCurrentIndex(main_page);
    adv_tabs->setCurrentIndex(adv_page);
    mode_tabs->setCurrentIndex(mode_page);
    settle(20);
    if (main_tabs->currentIndex() != main_page || adv_tabs->currentIndex() != adv_page ||
        mode_tabs->currentIndex() != mode_page)
        return failed(QStringLiteral("the pages could not be shown"));
    QString text = QStringLiteral("\"%1\" and \"%2\"")
                       .arg(main_tabs->tabText(main_page), adv_tabs->tabText(adv_page));
    if (mode_page > 0)
        text += QStringLiteral(" on \"%1\"").arg(mode_tabs->tabText(mode_page));
    return done(text);
}

bool Tour::shot(QWidget *w, const QString &name)
{
    if (shots.isEmpty())
        return true;
    settle(20);
    const QString path = QDir(shots).filePath(name + QStringLiteral(".png"));
    if (w->grab().save(path, "PNG"))
        return true;
    say(QStringLiteral("could not write %1").arg(path));
    return false;
}

QString Tour::interval()
{
    const auto value = [this](const char *name) {
        return find<QSpinBox>(name)->value();
    };
    return QStringLiteral("%1 d %2 h %3 min")
        .arg(value("sb_day"))
        .arg(value("sb_hour"))
        .arg(value("sb_min"));
}

bool Tour::run(const QString &port)
{
    Steps steps = connect_steps(port);
    for (const Steps &more : {reading_steps(), writing_steps(), status_steps(), leaving_steps()})
        steps.insert(steps.end(), more.begin(), more.end());
    for (const auto &[what, action] : steps) {
        if (!step(what, action))
            return false;
    }
    return true;
}

Steps Tour::connect_steps(const QString &port)
{
    auto *connect = find<QPushButton>("btn_connect");
    return {
        {QStringLiteral("choose the simulator's port under \"COM port\""),
         [this, port] {
             auto *ports = find<QComboBox>("cb_port");
             const int index = ports->findText(port);
             if (index < 0)
                 return failed(QStringLiteral("%1 is not in the list").arg(port));
             ports->setCurrentIndex(index);
             return done(ports->currentText());
         }},
        {QStringLiteral("set \"Адрес модуля\" to 1"),
         [this] {
             return type_into(find<QSpinBox>("sb_address_upu"), 1);
         }},
        {QStringLiteral("press \"Соединиться\""),
         [this, connect] {
             press(connect);
             if (!boxes.isEmpty())
                 return failed(QStringLiteral("a box came up: \"%1\" / \"%2\"")
                                   .arg(boxes.first().title, boxes.first().text));
             if (connect->text() != QStringLiteral("Разъединиться"))
                 return failed(QStringLiteral("the button reads \"%1\"").arg(connect->text()));
             if (!shot(&window, QStringLiteral("visit-connect")))
                 return failed(QStringLiteral("no picture"));
             return done(QStringLiteral("the button now reads \"Разъединиться\""));
         }},
    };
}

Steps Tour::reading_steps()
{
    return {
        {QStringLiteral("press \"Прочитать\" on \"Расписание\""),
         [this] {
             press(find<QPushButton>("btn_read_wish"));
             const Outcome box = expect_one_box(info, ok);
             if (!box.ok)
                 return box;
             // The simulator starts with an hourly wash.
             if (interval() != QStringLiteral("0 d 1 h 0 min"))
                 return failed(QStringLiteral("the form shows %1, the module holds 0 d 1 h 0 min")
                                   .arg(interval()));
             return done(box.text + QStringLiteral("; interval %1").arg(interval()));
         }},
        {QStringLiteral("look at the pages the read filled"),
         [this] {
             return look_at_pages();
         }},
    };
}

Outcome Tour::look_at_pages()
{
    // main page, advanced page, work-mode page, picture
    const struct
    {
        int main, adv, mode;
        const char *name;
    } views[] = {{0, 0, 0, "main-window"},
                 {0, 0, 1, "pages-work-mode-tour"},
                 {0, 0, 2, "pages-work-mode-pattern"},
                 {0, 0, 3, "pages-work-mode-scan"},
                 {1, 1, 0, "pages-rain-washing"},
                 {0, 1, 0, nullptr}};
    for (const auto &view : views) {
        const Outcome shown = show_pages(view.main, view.adv, view.mode);
        if (!shown.ok)
            return shown;
        if (view.name && !shot(&window, QLatin1String(view.name)))
            return failed(QStringLiteral("no picture"));
    }
    const auto titles = [this](const char *name, int count) {
        auto *tabs = find<QTabWidget>(name);
        QStringList list;
        for (int i = 0; i < count; ++i)
            list << QLatin1Char('"') + tabs->tabText(i) + QLatin1Char('"');
        return list;
    };
    const QStringList adv = titles("adv_tabWidget", 2);
    return done(
        titles("main_tabWidget", 2).join(QLatin1String(", ")) +
        QStringLiteral(", %1 on %2, %3")
            .arg(adv.at(0), titles("tabPTZ_WorkMode", 4).join(QLatin1Char('/')), adv.at(1)));
}

Steps Tour::writing_steps()
{
    return {
        {QStringLiteral("set the interval to 2 h 30 min, pump 10 s, wiper 5 s"),
         [this] {
             // A write sends the pump and wiper times as the form shows them; a read leaves them.
             const std::pair<const char *, int> values[] = {{"sb_day", 0},
                                                            {"sb_hour", 2},
                                                            {"sb_min", 30},
                                                            {"sb_interval_washout", 10},
                                                            {"sb_time_pattern_wiper", 5}};
             for (const auto &[name, value] : values) {
                 const Outcome typed = type_into(find<QSpinBox>(name), value);
                 if (!typed.ok)
                     return typed;
             }
             if (!shot(&window, QStringLiteral("visit-change")))
                 return failed(QStringLiteral("no picture"));
             return done(interval());
         }},
        {QStringLiteral("press \"Записать\""),
         [this] {
             box_shot = QStringLiteral("visit-write");
             press(find<QPushButton>("btn_write_wish"));
             const Outcome box = expect_one_box(info, ok);
             if (!box.ok)
                 return box;
             if (interval() != QStringLiteral("0 d 2 h 30 min"))
                 return failed(QStringLiteral("the module's answer shows %1").arg(interval()));
             return done(box.text +
                         QStringLiteral("; the module's answer shows %1").arg(interval()));
         }},
        {QStringLiteral("press \"Прочитать\" again"),
         [this] {
             // Cleared first, so only the module's answer can bring the interval back.
             find<QSpinBox>("sb_hour")->setValue(0);
             find<QSpinBox>("sb_min")->setValue(0);
             press(find<QPushButton>("btn_read_time"));
             const Outcome box = expect_one_box(info, ok);
             if (!box.ok)
                 return box;
             if (interval() != QStringLiteral("0 d 2 h 30 min"))
                 return failed(QStringLiteral("the module kept %1").arg(interval()));
             return done(QStringLiteral("the module kept %1").arg(interval()));
         }},
    };
}

Steps Tour::status_steps()
{
    auto *state = find<QLineEdit>("le_state");
    return {
        {QStringLiteral("press \"Прочитать все настройки и статусы модуля\""),
         [this, state] {
             const Outcome pages = show_pages(0, 2, 0);
             if (!pages.ok)
                 return pages;
             press(find<QPushButton>("btn_read_state"));
             const Outcome box = expect_one_box(info, ok);
             if (!box.ok)
                 return box;
             if (!state->text().contains(QStringLiteral(", осталось:  ")))
                 return failed(QStringLiteral("\"Состояние\" shows \"%1\"").arg(state->text()));
             if (!shot(&window, QStringLiteral("visit-status")))
                 return failed(QStringLiteral("no picture"));
             return done(QStringLiteral("\"Состояние\" shows \"%1\"").arg(state->text()));
         }},
        {QStringLiteral("press \"Насос включить\""),
         [this] {
             box_shot = QStringLiteral("visit-pump");
             press(find<QPushButton>("btn_pump_on"));
             return expect_one_box(info, QStringLiteral("насос включен"));
         }},
        {QStringLiteral("press \"Насос выключить\""),
         [this] {
             press(find<QPushButton>("btn_pump_off"));
             return expect_one_box(info, QStringLiteral("насос выключен"));
         }},
    };
}

// About, then away: disconnect and quit.
Steps Tour::leaving_steps()
{
    auto *connect = find<QPushButton>("btn_connect");
    return {
        {QStringLiteral("press \"О программе ...\" and close it"),
         [this] {
             box_shot = QStringLiteral("about");
             press(find<QPushButton>("btn_about"));
             if (shot_failed)
                 return failed(QStringLiteral("no picture"));
             if (boxes.size() != 1 || boxes.first().class_name != QStringLiteral("AboutBox") ||
                 boxes.first().title != QStringLiteral("О программе"))
                 return failed(QStringLiteral("no \"О программе\" dialog came up"));
             if (!about_text.contains(QStringLiteral("version ") + orb::version_text()))
                 return failed(QStringLiteral("the dialog reads \"%1\"").arg(about_text));
             return done(QStringLiteral("\"О программе\" showed version %1, closed")
                             .arg(orb::version_text()));
         }},
        {QStringLiteral("press \"Разъединиться\""),
         [this, connect] {
             press(connect);
             if (connect->text() != QStringLiteral("Соединиться"))
                 return failed(QStringLiteral("the button reads \"%1\"").arg(connect->text()));
             return done(QStringLiteral("the button reads \"Соединиться\" again"));
         }},
        {QStringLiteral("press \"Выход\""),
         [this] {
             press(find<QPushButton>("btn_quit"));
             if (window.isVisible())
                 return failed(QStringLiteral("the window is still open"));
             return done(QStringLiteral("the window closed"));
         }},
    };
}

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
    QString shots, tool_port, sim = default_simulator();
    int pace = 0;
    QStringList sim_args{QStringLiteral("--address"), QStringLiteral("1")};
};

// Paths given are taken from start. -1 to go on, else the exit status, the usage text shown.
int parse_options(const QStringList &args, const QDir &start, Options *o)
{
    for (int i = 0; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        const bool has_value = i + 1 < args.size();
        if (arg == QLatin1String("--")) {
            o->sim_args += args.mid(i + 1);
            break;
        }
        if (arg == QLatin1String("--shots") && has_value) {
            o->shots = start.absoluteFilePath(args.at(++i));
        } else if (arg == QLatin1String("--port") && has_value) {
            o->tool_port = args.at(++i);
        } else if (arg == QLatin1String("--sim") && has_value) {
            o->sim = start.absoluteFilePath(args.at(++i));
        } else if (arg == QLatin1String("--pace") && has_value) {
            bool ok = false;
            o->pace = args.at(++i).toInt(&ok);
            if (!ok || o->pace < 0 || o->pace > 60000) {
                std::fputs(usage, stderr);
                return 2;
            }
        } else {
            std::fputs(usage, arg == QLatin1String("--help") ? stdout : stderr);
            return arg == QLatin1String("--help") ? 0 : 2;
        }
    }
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
        passed = tour.run(port);
    }
    print_log(work.path());
    if (!passed)
        return 1;
    say(QStringLiteral("All steps passed."));
    return 0;
}
