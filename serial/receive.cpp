#include "mainwindow.h"
#include "protocol/packet.h"
#include "protocol/rx_line.h"
#include "ui_mainwindow.h"

#include <QTimer>

void MainWindow::send_serial(QByteArray data)
{
    serial->write(data);
}

void MainWindow::procSerialDataReceive()
{
    if (!serial->isOpen())
        return;
    // One shot per notification: pending ones are left alone, so a burst is drained
    // by several reads, the later ones often empty.
    QTimer::singleShot(100, this, &MainWindow::timer_stop);
}

void MainWindow::timer_stop()
{
    // The port may have been closed since the shot was armed: then nothing is buffered.
    const QByteArray ba = serial->isOpen() ? serial->readAll() : QByteArray();
    read_data(ba);
}

void MainWindow::read_data(QByteArray ba)
{
    if (ba.isEmpty())
        return;
    // A read can cut a reply line after exactly 7 characters; only a batch that cannot be line
    // text is screened as a sync frame.
    if (ba.size() == orb::sync_frame_size && !orb::is_line_text(ba) && !check_sync_frame(ba))
        return;
    const QString line = orb::batch_log_text(ba);
    if (!line.isNull())
        emit debug(line);
    orb::deframe(ba, rx_line, reply, reply_ready);
}

bool MainWindow::check_sync_frame(const QByteArray &frame)
{
    if (frame.isEmpty() || quint8(frame.at(0)) != orb::sync_byte) {
        emit debug(QStringLiteral("bad sync"));
        return false;
    }
    if (frame.size() <= orb::sync_offset_address ||
        quint8(frame.at(orb::sync_offset_address)) != ui->sb_address_upu->value()) {
        emit debug(QStringLiteral("bad address"));
        return false;
    }
    return true;
}
