#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "protocol/convert.h"
#include "protocol/packet.h"
#include "protocol/param_data.h"

#include <QMessageBox>

namespace {

orb::Param_form form_values(const Ui::MainWindow *ui)
{
    orb::Param_form form;
    form.address_ptz = ui->sb_address_ptz->value();
    form.day = ui->sb_day->value();
    form.hour = ui->sb_hour->value();
    form.min = ui->sb_min->value();
    form.interval_rain = ui->sb_time_interval_rain->value();
    form.interval_washout = ui->sb_interval_washout->value();
    form.time_pattern_move = ui->sb_time_pattern_move->value();
    form.time_pattern_wiper = ui->sb_time_pattern_wiper->value();
    form.preset_move = ui->sb_preset_move->value();
    form.preset_wiper = ui->sb_preset_wiper->value();
    form.wiper_not_active = ui->cb_wiper_not_active->isChecked();
    form.normal_sensor_rain = ui->cb_normal_sensor_rain->currentIndex();
    form.preset_init_pos = ui->sb_PresetInitPos->value();
    form.work_reg = ui->cm_WorkReg->currentIndex();
    form.num_tour = ui->sb_NumTour->value();
    form.num_scan = ui->sb_NumScan->value();
    form.num_pattern = ui->sb_NumPattern->value();
    return form;
}

// Same controls and order for a read and for the echo of a write.
void show_params(Ui::MainWindow *ui, const orb::Param_data &data)
{
    const orb::Interval interval = orb::interval_to_form(data.time_interval);
    ui->sb_address_ptz->setValue(data.addr_cam);
    ui->sb_day->setValue(interval.day);
    ui->sb_hour->setValue(interval.hour);
    ui->sb_min->setValue(interval.min);
    ui->sb_time_interval_rain->setValue(orb::rain_to_form(data.time_interval_rain));
    ui->sb_time_pattern_move->setValue(data.time_move);
    ui->sb_preset_move->setValue(data.preset_move);
    ui->sb_preset_wiper->setValue(data.preset_wiper);
    ui->cb_wiper_not_active->setChecked(data.wiper_not_active != 0);
    ui->cb_normal_sensor_rain->setCurrentIndex(data.normal_sensor_rain != 0 ? 1 : 0);
    ui->sb_PresetInitPos->setValue(data.normal_Preset_Initial_Pos);
    ui->cm_WorkReg->setCurrentIndex(data.normal_Work_Reg_Cam);
    ui->sb_NumTour->setValue(data.normal_Num_Tour);
    ui->sb_NumScan->setValue(data.normal_Num_Scan);
    ui->sb_NumPattern->setValue(data.normal_Num_Pattern);
}

// The form's ranges fit every other field. A work mode the combo box does not list (read from a
// module that knows more modes) leaves no item chosen: that is refused rather than sent as 0xFF.
QString overflow_text(const Ui::MainWindow *ui, const orb::Param_overflow &overflow)
{
    QString caption = overflow.field;
    QString max = QString::number(overflow.max);
    if (overflow.field == QLatin1String("addr_cam")) {
        caption = ui->groupBox_2->title();
    } else if (overflow.field == QLatin1String("time_interval")) {
        caption = ui->groupBox_7->title();
        const orb::Interval most = orb::interval_to_form(quint16(overflow.max));
        max = MainWindow::tr("%1 ч %2 мин").arg(most.hour).arg(most.min);
    } else if (overflow.field == QLatin1String("time_interval_rain")) {
        caption = ui->label_8->text();
        max = MainWindow::tr("%1 мин").arg(overflow.max);
    } else if (overflow.field == QLatin1String("normal_Work_Reg_Cam")) {
        caption = ui->label_19->text();
    }
    if (overflow.value < 0)
        return MainWindow::tr("«%1»: значение не выбрано").arg(caption);
    return MainWindow::tr("«%1»: значение не помещается в модуль, наибольшее — %2")
        .arg(caption, max);
}

} // namespace

void MainWindow::cmd_get_param()
{
    if (!start_command(tr("Чтение")))
        return;
    if (!port_is_open()) {
        QMessageBox box(QMessageBox::Critical, tr("Ошибка передачи данных"), tr("Порт не открыт!"),
                        QMessageBox::Ok);
        box.setDefaultButton(QMessageBox::Ok);
        box.exec();
        emit error(tr("Порт не открыт!"));
        return;
    }
    if (!exchange(int(orb::Command::get_param), {}))
        return;

    const QByteArray payload = orb::packet_payload(reply);
    orb::Param_data data;
    if (!orb::Param_data::decode(payload, &data)) {
        refuse_short_reply(payload.size(), orb::Param_data::size);
        return;
    }
    const QStringList lines = data.log_lines();
    for (const QString &line : lines)
        emit debug(line);
    // check_reply has matched it against the spin box, so this only confirms the address.
    ui->sb_address_upu->setValue(quint8(reply.at(orb::offset_address)));
    show_params(ui, data);
    notify(INFO, QStringLiteral("OK"), tr("Информация"), QStringLiteral("OK"), true);
}

void MainWindow::cmd_set_param()
{
    if (!start_command(tr("Запись")))
        return;
    if (!port_ready(false))
        return;
    orb::Param_data out;
    orb::Param_overflow overflow;
    if (!orb::param_from_form(form_values(ui), &out, &overflow)) {
        // Sending only the low bits would store another value and still report success.
        const QString text = overflow_text(ui, overflow);
        notify(ERROR, text, tr("Ошибка"), text, true);
        return;
    }
    if (!exchange(int(orb::Command::set_param), out.encode()))
        return;

    const QByteArray payload = orb::packet_payload(reply);
    orb::Param_data echo;
    if (!orb::Param_data::decode(payload, &echo)) {
        refuse_short_reply(payload.size(), orb::Param_data::size);
        return;
    }
    show_params(ui, echo);
    notify(INFO, QStringLiteral("OK"), tr("Информация"), QStringLiteral("OK"), true);
}
