#include "mainwindow.h"
#include "ui_mainwindow.h"

void MainWindow::send_serial(QByteArray data)
{
    Q_UNUSED(data)
}

void MainWindow::procSerialDataReceive() {}

void MainWindow::timer_stop() {}

void MainWindow::read_data(QByteArray ba)
{
    Q_UNUSED(ba)
}

bool MainWindow::check_sync_frame(const QByteArray &frame)
{
    Q_UNUSED(frame)
    return false;
}
