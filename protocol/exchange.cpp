#include "mainwindow.h"
#include "ui_mainwindow.h"

QByteArray MainWindow::frame_packet(const QByteArray &packet) const
{
    Q_UNUSED(packet)
    return {};
}

int MainWindow::check_reply(QByteArray data, int command, bool show_box)
{
    Q_UNUSED(data)
    Q_UNUSED(command)
    Q_UNUSED(show_box)
    return 1;
}

void MainWindow::wait_reply(int ms)
{
    Q_UNUSED(ms)
}
