#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "protocol/exchange_text.h"
#include "protocol/packet.h"
#include "protocol/status_data.h"

void MainWindow::cmd_test()
{
    if (!start_command(orb::command_title(orb::Command::test)) || !port_ready(true) ||
        !exchange(int(orb::Command::test), QByteArray(2, '\0')))
        return;
    notify(INFO, orb::ok_text(), tr("Информация"), orb::command_done_text(orb::Command::test),
           true);
}

void MainWindow::cmd_get_state()
{
    if (!start_command(orb::command_title(orb::Command::get_state)) || !port_ready(false) ||
        !exchange(int(orb::Command::get_state), {}))
        return;

    orb::Status_data status;
    if (!reply_record(&status))
        return;
    const QStringList lines = status.log_lines();
    for (const QString &line : lines)
        emit debug(line);
    ui->le_state->setText(status.state_line());
    ui->cb_level->setChecked(status.flag_lvl != 0);
    ui->cb_rain->setChecked(status.flag_rain != 0);
    ui->cb_alarm_in->setChecked(status.alarm_in != 0);
    notify(INFO, orb::ok_text(), tr("Информация"), orb::command_done_text(orb::Command::get_state),
           true);
}

void MainWindow::cmd_pump_on()
{
    if (!start_command(orb::command_title(orb::Command::pump_on)) || !port_ready(false) ||
        !exchange(int(orb::Command::pump_on), {}))
        return;
    notify(INFO, orb::ok_text(), tr("Информация"), orb::command_done_text(orb::Command::pump_on),
           true);
}

void MainWindow::cmd_pump_off()
{
    if (!start_command(orb::command_title(orb::Command::pump_off)) || !port_ready(false) ||
        !exchange(int(orb::Command::pump_off), {}))
        return;
    notify(INFO, orb::ok_text(), tr("Информация"), orb::command_done_text(orb::Command::pump_off),
           true);
    emit info(orb::ok_text());
}

bool MainWindow::port_ready(bool show_box)
{
    if (port_is_open())
        return true;
    const char *text = QT_TR_NOOP("Порт не открыт!");
    notify(ERROR, QString::fromUtf8(text), tr("Ошибка"), tr(text), show_box);
    return false;
}
