// The service visit the tour makes, step by step and by theme: port, address, connect, read,
// look at the pages, change the interval, write, read again, status, pump, About, leave.

#include "visit.h"

#include "protocol/version.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>

namespace {

const QString ok_box_text = QStringLiteral("OK");

// A text as the window shows it: its translation when a language is on (--lang).
QString shown(const char *source, const char *context = "MainWindow")
{
    return QCoreApplication::translate(context, source);
}

QString press(const char *caption)
{
    return QStringLiteral("press \"%1\"").arg(shown(caption));
}

Visit_steps connect_steps(Tour &t, const QString &port)
{
    auto *connect = t.find<QPushButton>("btn_connect");
    return {
        {QStringLiteral("choose the simulator's port under \"COM port\""),
         [&t, port] {
             auto *ports = t.find<QComboBox>("cb_port");
             const int index = ports->findText(port);
             if (index < 0)
                 return failed(QStringLiteral("%1 is not in the list").arg(port));
             ports->setCurrentIndex(index);
             return done(ports->currentText());
         }},
        {QStringLiteral("set \"%1\" to 1").arg(shown("Адрес модуля")),
         [&t] {
             return t.type_into(t.find<QSpinBox>("sb_address_upu"), 1);
         }},
        {press("Соединиться"),
         [&t, connect] {
             t.press(connect);
             if (!t.boxes.isEmpty())
                 return failed(QStringLiteral("a box came up: \"%1\" / \"%2\"")
                                   .arg(t.boxes.first().title, t.boxes.first().text));
             if (connect->text() != shown("Разъединиться"))
                 return failed(QStringLiteral("the button reads \"%1\"").arg(connect->text()));
             if (!t.shot(&t.window, QStringLiteral("visit-connect")))
                 return failed(QStringLiteral("no picture"));
             return done(QStringLiteral("the button now reads \"%1\"").arg(connect->text()));
         }},
    };
}

Step_result look_at_pages(Tour &t)
{
    // main page, advanced page, work-mode page, picture
    const struct
    {
        int main, adv, mode;
        const char *name;
    } views[] = {{0, 0, 0, "main-window"},             {0, 0, 1, "pages-work-mode-tour"},
                 {0, 0, 2, "pages-work-mode-pattern"}, {0, 0, 3, "pages-work-mode-scan"},
                 {1, 1, 0, "pages-rain-washing"},      {0, 1, 0, nullptr}};
    for (const auto &view : views) {
        const Step_result shown = t.show_pages(view.main, view.adv, view.mode);
        if (!shown.ok)
            return shown;
        if (view.name && !t.shot(&t.window, QLatin1String(view.name)))
            return failed(QStringLiteral("no picture"));
    }
    const auto titles = [&t](const char *name, int count) {
        auto *tabs = t.find<QTabWidget>(name);
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

Visit_steps reading_steps(Tour &t)
{
    return {
        {press("Прочитать") + QStringLiteral(" on \"%1\"").arg(shown("Расписание")),
         [&t] {
             t.press(t.find<QPushButton>("btn_read_wish"));
             const Step_result box = t.expect_one_box(shown("Информация"), ok_box_text);
             if (!box.ok)
                 return box;
             // The simulator starts with an hourly wash.
             if (t.interval() != QStringLiteral("0 d 1 h 0 min"))
                 return failed(QStringLiteral("the form shows %1, the module holds 0 d 1 h 0 min")
                                   .arg(t.interval()));
             return done(box.text + QStringLiteral("; interval %1").arg(t.interval()));
         }},
        {QStringLiteral("look at the pages the read filled"),
         [&t] {
             return look_at_pages(t);
         }},
    };
}

Visit_steps writing_steps(Tour &t)
{
    return {
        {QStringLiteral("set the interval to 2 h 30 min, pump 10 s, wiper 5 s"),
         [&t] {
             // A write sends the pump and wiper times as the form shows them; a read leaves them.
             const std::pair<const char *, int> values[] = {{"sb_day", 0},
                                                            {"sb_hour", 2},
                                                            {"sb_min", 30},
                                                            {"sb_interval_washout", 10},
                                                            {"sb_time_pattern_wiper", 5}};
             for (const auto &[name, value] : values) {
                 const Step_result typed = t.type_into(t.find<QSpinBox>(name), value);
                 if (!typed.ok)
                     return typed;
             }
             if (!t.shot(&t.window, QStringLiteral("visit-change")))
                 return failed(QStringLiteral("no picture"));
             return done(t.interval());
         }},
        {press("Записать"),
         [&t] {
             t.box_shot = QStringLiteral("visit-write");
             t.press(t.find<QPushButton>("btn_write_wish"));
             const Step_result box = t.expect_one_box(shown("Информация"), ok_box_text);
             if (!box.ok)
                 return box;
             if (t.interval() != QStringLiteral("0 d 2 h 30 min"))
                 return failed(QStringLiteral("the module's answer shows %1").arg(t.interval()));
             return done(box.text +
                         QStringLiteral("; the module's answer shows %1").arg(t.interval()));
         }},
        {press("Прочитать") + QStringLiteral(" again"),
         [&t] {
             // Cleared first, so only the module's answer can bring the interval back.
             t.find<QSpinBox>("sb_hour")->setValue(0);
             t.find<QSpinBox>("sb_min")->setValue(0);
             t.press(t.find<QPushButton>("btn_read_time"));
             const Step_result box = t.expect_one_box(shown("Информация"), ok_box_text);
             if (!box.ok)
                 return box;
             if (t.interval() != QStringLiteral("0 d 2 h 30 min"))
                 return failed(QStringLiteral("the module kept %1").arg(t.interval()));
             return done(QStringLiteral("the module kept %1").arg(t.interval()));
         }},
    };
}

Visit_steps status_steps(Tour &t)
{
    auto *state = t.find<QLineEdit>("le_state");
    const QString left =
        shown(", осталось:  %1 сек.", "Status_data").section(QLatin1Char('%'), 0, 0);
    return {
        {press("Прочитать все настройки и статусы модуля"),
         [&t, state, left] {
             const Step_result pages = t.show_pages(0, 2, 0);
             if (!pages.ok)
                 return pages;
             t.press(t.find<QPushButton>("btn_read_state"));
             const Step_result box = t.expect_one_box(shown("Информация"), ok_box_text);
             if (!box.ok)
                 return box;
             if (!state->text().contains(left))
                 return failed(
                     QStringLiteral("\"%1\" shows \"%2\"").arg(shown("Состояние"), state->text()));
             if (!t.shot(&t.window, QStringLiteral("visit-status")))
                 return failed(QStringLiteral("no picture"));
             return done(
                 QStringLiteral("\"%1\" shows \"%2\"").arg(shown("Состояние"), state->text()));
         }},
        {press("Насос включить"),
         [&t] {
             t.box_shot = QStringLiteral("visit-pump");
             t.press(t.find<QPushButton>("btn_pump_on"));
             return t.expect_one_box(shown("Информация"), shown("насос включен", "exchange_text"));
         }},
        {press("Насос выключить"),
         [&t] {
             t.press(t.find<QPushButton>("btn_pump_off"));
             return t.expect_one_box(shown("Информация"), shown("насос выключен", "exchange_text"));
         }},
    };
}

// About, then away: disconnect and quit.
Visit_steps leaving_steps(Tour &t)
{
    auto *connect = t.find<QPushButton>("btn_connect");
    return {
        {press("О программе ...") + QStringLiteral(" and close it"),
         [&t] {
             t.box_shot = QStringLiteral("about");
             t.press(t.find<QPushButton>("btn_about"));
             if (t.shot_failed)
                 return failed(QStringLiteral("no picture"));
             if (t.boxes.size() != 1 || t.boxes.first().class_name != QStringLiteral("AboutBox") ||
                 t.boxes.first().title != shown("О программе", "AboutBox"))
                 return failed(QStringLiteral("no \"%1\" dialog came up")
                                   .arg(shown("О программе", "AboutBox")));
             if (!t.about_text.contains(QStringLiteral("version ") + orb::version_text()))
                 return failed(QStringLiteral("the dialog reads \"%1\"").arg(t.about_text));
             return done(QStringLiteral("\"%1\" showed version %2, closed")
                             .arg(shown("О программе", "AboutBox"), orb::version_text()));
         }},
        {press("Разъединиться"),
         [&t, connect] {
             t.press(connect);
             if (connect->text() != shown("Соединиться"))
                 return failed(QStringLiteral("the button reads \"%1\"").arg(connect->text()));
             return done(QStringLiteral("the button reads \"%1\" again").arg(connect->text()));
         }},
        {press("Выход"),
         [&t] {
             t.press(t.find<QPushButton>("btn_quit"));
             if (t.window.isVisible())
                 return failed(QStringLiteral("the window is still open"));
             return done(QStringLiteral("the window closed"));
         }},
    };
}

} // namespace

Visit_steps visit_steps(Tour &t, const QString &port)
{
    Visit_steps steps = connect_steps(t, port);
    for (const Visit_steps &more :
         {reading_steps(t), writing_steps(t), status_steps(t), leaving_steps(t)})
        steps.insert(steps.end(), more.begin(), more.end());
    return steps;
}
