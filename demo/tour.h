#pragma once

// The tour's driver: runs the visit's steps against the real main window, one line per step,
// and stops at the first that does not end as it should.

#include "box_closer.h"
#include "mainwindow.h"

#include <QString>

#include <cstdlib>
#include <functional>
#include <utility>
#include <vector>

class QDialog;
class QPushButton;
class QSpinBox;

// Prints a line of the tour's report at once, so a hang shows where it happened.
void say(const QString &line);
// Keeps the event loop running for ms milliseconds, so the window paints and the port reads.
void settle(int ms);

// How a step ended: what it saw, or why it failed.
struct Step_result
{
    bool ok;
    QString text;
};

inline Step_result done(const QString &text)
{
    return {true, text};
}

inline Step_result failed(const QString &reason)
{
    return {false, reason};
}

// What a step of the visit says it does, and the doing.
using Visit_step = std::pair<QString, std::function<Step_result()>>;
using Visit_steps = std::vector<Visit_step>;

// What the visit's steps use to drive the window: find a widget, press, type, look at boxes and
// pages, take pictures.
class Tour
{
    Box_closer closer; // first: boxes below refers into it

public:
    // A person reads a box before closing it; at pace 0 it still gets painted once.
    Tour(MainWindow &window, QString shots, int pace);

    // Runs the steps in order; false after the first that failed.
    bool run(const Visit_steps &steps);

    template<class T> T *find(const char *name)
    {
        T *w = window.findChild<T *>(QLatin1String(name));
        if (!w) {
            say(QStringLiteral("FAILED: the window has no %1").arg(QLatin1String(name)));
            std::exit(1);
        }
        return w;
    }

    // Presses a button; the boxes it brought up are in boxes afterwards.
    void press(QPushButton *button);
    Step_result expect_one_box(const QString &title, const QString &text);
    Step_result type_into(QSpinBox *box, int value);
    Step_result show_pages(int main_page, int adv_page, int mode_page);
    bool shot(QWidget *w, const QString &name);
    QString interval();

    MainWindow &window;
    const QList<Box_closer::Box> &boxes;
    QString about_text; // what the About box said
    QString box_shot;   // name for a picture of the next box, if any
    bool shot_failed = false;

private:
    bool step(const QString &what, const std::function<Step_result()> &action);
    void look_at(QDialog *dialog);

    const QString shots;
    const int pace;
    int number = 0;
};
