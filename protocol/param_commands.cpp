#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "protocol/convert.h"
#include "protocol/exchange_text.h"
#include "protocol/packet.h"
#include "protocol/param_data.h"

#include <QCheckBox>
#include <QComboBox>
#include <QMessageBox>
#include <QSpinBox>

namespace {

// A spin box by its value, a check box as 0 or 1, a combo box by its index.
int control_value(const QWidget *w)
{
    if (const auto *spin = qobject_cast<const QSpinBox *>(w))
        return spin->value();
    if (const auto *check = qobject_cast<const QCheckBox *>(w))
        return check->isChecked() ? 1 : 0;
    if (const auto *combo = qobject_cast<const QComboBox *>(w))
        return combo->currentIndex();
    return 0;
}

void set_control(QWidget *w, int v)
{
    if (auto *spin = qobject_cast<QSpinBox *>(w))
        spin->setValue(v);
    else if (auto *check = qobject_cast<QCheckBox *>(w))
        check->setChecked(v != 0);
    else if (auto *combo = qobject_cast<QComboBox *>(w))
        combo->setCurrentIndex(v);
}

QWidget *control(const QObject *window, const orb::Param_control &c)
{
    return window->findChild<QWidget *>(QLatin1String(c.widget));
}

orb::Param_form form_values(const QObject *window)
{
    orb::Param_form form;
    for (int i = 0; i < orb::param_control_count; ++i)
        form.value[i] = control_value(control(window, orb::param_controls[i]));
    return form;
}

// Same controls and order for a read and for the echo of a write.
void show_params(const QObject *window, const orb::Param_data &data)
{
    for (const orb::Param_control &c : orb::param_controls) {
        if (c.shown)
            set_control(control(window, c), orb::param_to_control(c.conv, c.field.get(data)));
    }
}

// The form's captions of the fields a write can refuse, as the .ui has them: the log names a
// field in Russian whatever the window shows.
struct Overflow_caption
{
    const char *field;
    const char *caption;
};
const Overflow_caption overflow_captions[] = {
    {"addr_cam", QT_TRANSLATE_NOOP("MainWindow", "Адрес PTZ")},
    {"time_interval", QT_TRANSLATE_NOOP("MainWindow", "интервал помывки")},
    {"time_interval_rain",
     QT_TRANSLATE_NOOP("MainWindow", "Интервал работы дворника в режиме дождь")},
    {"normal_Work_Reg_Cam", QT_TRANSLATE_NOOP("MainWindow", "Режим работы")},
};

// The form's ranges fit every other field. A work mode the combo box does not list (read from a
// module that knows more modes) leaves no item chosen: that is refused rather than sent as 0xFF.
QString overflow_text(const orb::Param_overflow &overflow, orb::Reader reader)
{
    const auto text = [reader](const char *source) {
        return orb::text_for(reader, "MainWindow", source);
    };
    QString caption = overflow.field;
    for (const Overflow_caption &c : overflow_captions) {
        if (overflow.field == QLatin1String(c.field))
            caption = text(c.caption);
    }
    QString max = QString::number(overflow.max);
    if (overflow.field == QLatin1String("time_interval")) {
        const orb::Interval most = orb::interval_to_form(quint16(overflow.max));
        max = text(QT_TRANSLATE_NOOP("MainWindow", "%1 ч %2 мин")).arg(most.hour).arg(most.min);
    } else if (overflow.field == QLatin1String("time_interval_rain")) {
        max = text(QT_TRANSLATE_NOOP("MainWindow", "%1 мин")).arg(overflow.max);
    }
    if (overflow.value < 0)
        return text(QT_TRANSLATE_NOOP("MainWindow", "«%1»: значение не выбрано")).arg(caption);
    return text(QT_TRANSLATE_NOOP("MainWindow",
                                  "«%1»: значение не помещается в модуль, наибольшее — %2"))
        .arg(caption, max);
}

} // namespace

void MainWindow::cmd_get_param()
{
    if (!start_command(orb::command_title(orb::Command::get_param)))
        return;
    if (!port_is_open()) {
        QMessageBox box(QMessageBox::Critical, tr("Ошибка передачи данных"), tr("Порт не открыт!"),
                        QMessageBox::Ok);
        box.setDefaultButton(QMessageBox::Ok);
        exec_box(box);
        emit error(QString::fromUtf8("Порт не открыт!"));
        return;
    }
    if (!exchange(int(orb::Command::get_param), {}))
        return;

    orb::Param_data data;
    if (!reply_record(&data))
        return;
    const QStringList lines = data.log_lines();
    for (const QString &line : lines)
        emit debug(line);
    // check_reply has matched it against the spin box, so this only confirms the address.
    ui->sb_address_upu->setValue(quint8(reply.at(orb::offset_address)));
    show_params(this, data);
    notify(INFO, orb::ok_text(), tr("Информация"), orb::command_done_text(orb::Command::get_param),
           true);
}

void MainWindow::cmd_set_param()
{
    if (!start_command(orb::command_title(orb::Command::set_param)))
        return;
    if (!port_ready(false))
        return;
    orb::Param_data out;
    orb::Param_overflow overflow;
    if (!orb::param_from_form(form_values(this), &out, &overflow)) {
        // Sending only the low bits would store another value and still report success.
        notify(ERROR, overflow_text(overflow, orb::Reader::log), tr("Ошибка"),
               overflow_text(overflow, orb::Reader::user), true);
        return;
    }
    if (!exchange(int(orb::Command::set_param), out.encode()))
        return;

    orb::Param_data echo;
    if (!reply_record(&echo))
        return;
    show_params(this, echo);
    notify(INFO, orb::ok_text(), tr("Информация"), orb::command_done_text(orb::Command::set_param),
           true);
}
