#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "protocol/exchange_text.h"
#include "protocol/packet.h"
#include "protocol/param_data.h"
#include "protocol/status_data.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

namespace {

constexpr int reply_wait_ms = 1000;

} // namespace

// The window's own framing operation, part of its declared interface; the rule is orb's.
QByteArray MainWindow::frame_packet(const QByteArray &packet) const
{
    return orb::frame_packet(packet);
}

int MainWindow::check_reply(QByteArray data, int command, bool show_box)
{
    const orb::Reply_check result = orb::check_reply(data, ui->sb_address_upu->value(), command);
    if (result.code != orb::reply_ok)
        notify(ERROR, result.message, tr("Ошибка"), result.shown, show_box);
    return result.code;
}

void MainWindow::wait_reply(int ms)
{
    QElapsedTimer clock;
    clock.start();
    const bool was_open = port_is_open();
    // The dispatcher sleeps until the port, a timer or this wake-up has something to say,
    // so a silent module costs no CPU; the timer is re-armed in case it fired early.
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    for (;;) {
        const qint64 left = ms - clock.elapsed();
        if (left <= 0)
            return;
        wake.start(int(left));
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        if (reply_ready)
            return;
        // Closed by the user or gone: nothing more can arrive.
        if (was_open && !port_is_open())
            return;
    }
}

bool MainWindow::start_command(const QString &title)
{
    if (waiting) {
        // A second exchange would empty the reply the first one is waiting for.
        emit error(QString::fromUtf8("%1: отклонено, идёт обмен с модулем").arg(title));
        return false;
    }
    emit info(title);
    return true;
}

bool MainWindow::port_is_open() const
{
    return serial && serial->isOpen();
}

bool MainWindow::exchange(int command, const QByteArray &payload)
{
    const QByteArray packet =
        orb::build_packet(quint8(ui->sb_address_upu->value()), quint8(command), payload);
    emit debug(orb::packet_length_text(packet));
    emit debug(orb::sending_text(packet));

    // What came in before this request went out answers an earlier one (a reply that missed
    // its wait) and must not pass for this answer: take in what the driver still holds, log
    // it with what the port holds, drop it and start the line afresh.
    serial->waitForReadyRead(0);
    read_data(serial->readAll());
    serial->clear(QSerialPort::Input);
    rx_line.clear();
    reply.clear();
    reply_ready = false;
    emit send(frame_packet(packet));

    waiting = true;
    wait_reply(reply_wait_ms);
    waiting = false;

    const QStringList received = orb::received_texts(command, reply);
    for (const QString &text : received)
        emit debug(text);
    return check_reply(reply, command, false) == orb::reply_ok;
}

template<class Record> bool MainWindow::reply_record(Record *out)
{
    const QByteArray payload = orb::packet_payload(reply);
    if (Record::decode(payload, out))
        return true;
    emit error(orb::short_reply_text(payload.size(), Record::size));
    return false;
}

template bool MainWindow::reply_record(orb::Param_data *);
template bool MainWindow::reply_record(orb::Status_data *);
