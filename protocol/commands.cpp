#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "protocol/packet.h"
#include "protocol/status_data.h"

void MainWindow::cmd_test()
{
    if (!start_command(QStringLiteral("Test")) || !port_ready(true) ||
        !exchange(int(orb::Command::test), QByteArray(2, '\0')))
        return;
    notify(INFO, QStringLiteral("OK"), tr("Информация"), QStringLiteral("OK"), true);
}

void MainWindow::cmd_get_state()
{
    if (!start_command(tr("Получение статуса УПУ")) || !port_ready(false) ||
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
    notify(INFO, QStringLiteral("OK"), tr("Информация"), QStringLiteral("OK"), true);
}

void MainWindow::cmd_pump_on()
{
    if (!start_command(tr("Включение насоса")) || !port_ready(false) ||
        !exchange(int(orb::Command::pump_on), {}))
        return;
    notify(INFO, QStringLiteral("OK"), tr("Информация"), tr("насос включен"), true);
}

void MainWindow::cmd_pump_off()
{
    if (!start_command(tr("Выключение насоса")) || !port_ready(false) ||
        !exchange(int(orb::Command::pump_off), {}))
        return;
    notify(INFO, QStringLiteral("OK"), tr("Информация"), tr("насос выключен"), true);
    emit info(QStringLiteral("OK"));
}

bool MainWindow::port_ready(bool show_box)
{
    if (port_is_open())
        return true;
    const QString text = tr("Порт не открыт!");
    notify(ERROR, text, tr("Ошибка"), text, show_box);
    return false;
}
