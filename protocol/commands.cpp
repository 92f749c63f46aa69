#include "mainwindow.h"
#include "ui_mainwindow.h"

void MainWindow::cmd_test() {}
void MainWindow::cmd_get_param() {}
void MainWindow::cmd_set_param() {}
void MainWindow::cmd_get_state() {}
void MainWindow::cmd_pump_on() {}
void MainWindow::cmd_pump_off() {}

QString MainWindow::state_text(int state) const
{
    Q_UNUSED(state)
    return {};
}
