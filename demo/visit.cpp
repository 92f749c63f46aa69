// The service visit the tour makes, step by step and by theme: port, address, connect, read,
// look at the pages, change the interval, write, read again, status, pump, About, leave.

#include "tour.h"

#include "protocol/version.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>

namespace {

const QString info = QStringLiteral("Информация");
const QString ok = QStringLiteral("OK");

} // namespace

Visit_steps Tour::connect_steps(const QString &port)
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

Visit_steps Tour::reading_steps()
{
    return {
        {QStringLiteral("press \"Прочитать\" on \"Расписание\""),
         [this] {
             press(find<QPushButton>("btn_read_wish"));
             const Step_result box = expect_one_box(info, ok);
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

Step_result Tour::look_at_pages()
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
        const Step_result shown = show_pages(view.main, view.adv, view.mode);
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

Visit_steps Tour::writing_steps()
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
                 const Step_result typed = type_into(find<QSpinBox>(name), value);
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
             const Step_result box = expect_one_box(info, ok);
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
             const Step_result box = expect_one_box(info, ok);
             if (!box.ok)
                 return box;
             if (interval() != QStringLiteral("0 d 2 h 30 min"))
                 return failed(QStringLiteral("the module kept %1").arg(interval()));
             return done(QStringLiteral("the module kept %1").arg(interval()));
         }},
    };
}

Visit_steps Tour::status_steps()
{
    auto *state = find<QLineEdit>("le_state");
    return {
        {QStringLiteral("press \"Прочитать все настройки и статусы модуля\""),
         [this, state] {
             const Step_result pages = show_pages(0, 2, 0);
             if (!pages.ok)
                 return pages;
             press(find<QPushButton>("btn_read_state"));
             const Step_result box = expect_one_box(info, ok);
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
Visit_steps Tour::leaving_steps()
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
