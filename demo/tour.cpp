// A guided tour: drives the real main window against the module simulator as an engineer
// would, clicking the real buttons and typing into the real fields. This is the driver: how a
// step runs, presses, types, looks at boxes and takes pictures.

#include "tour.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>

#include <cstdio>

void say(const QString &line)
{
    std::fputs((line + QLatin1Char('\n')).toUtf8().constData(), stdout);
    std::fflush(stdout);
}

void settle(int ms)
{
    QElapsedTimer clock;
    clock.start();
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    } while (clock.elapsed() < ms);
}

Tour::Tour(MainWindow &window, QString shots, int pace)
    : closer(20, qMax(pace, 40))
    , window(window)
    , boxes(closer.boxes)
    , shots(std::move(shots))
    , pace(pace)
{
    closer.before_close = [this](QDialog *dialog) {
        look_at(dialog);
    };
}

bool Tour::run(const Visit_steps &steps)
{
    for (const auto &[what, action] : steps) {
        if (!step(what, action))
            return false;
    }
    return true;
}

bool Tour::step(const QString &what, const std::function<Step_result()> &action)
{
    ++number;
    const Step_result outcome = action();
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

Step_result Tour::expect_one_box(const QString &title, const QString &text)
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

Step_result Tour::type_into(QSpinBox *box, int value)
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

Step_result Tour::show_pages(int main_page, int adv_page, int mode_page)
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
