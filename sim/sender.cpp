#include "sender.h"

#include <cmath>

namespace sim {

Sender::Sender(QObject *parent)
    : QObject(parent)
{
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    connect(&timer, &QTimer::timeout, this, &Sender::tick);
    clock.start();
}

void Sender::set_baud(int baud)
{
    if (baud > 0)
        char_ms = 10000.0 / baud;
}

double Sender::now_ms() const
{
    return clock.nsecsElapsed() / 1e6;
}

void Sender::push(const QVector<Segment> &segments)
{
    if (segments.isEmpty())
        return;
    if (queue.isEmpty()) {
        segment_start = now_ms();
        sent = 0;
    }
    for (const Segment &s : segments)
        queue.enqueue(s);
    if (!timer.isActive())
        timer.start(0);
}

void Sender::clear()
{
    queue.clear();
    sent = 0;
    timer.stop();
}

void Sender::tick()
{
    while (!queue.isEmpty()) {
        const Segment &head = queue.head();
        const double begin = segment_start + head.delay_ms;
        const double now = now_ms();
        if (now < begin) {
            timer.start(int(std::ceil(begin - now)));
            return;
        }
        int due = head.bytes.size();
        if (pacing && head.paced)
            due = qMin(due, int((now - begin) / char_ms));
        if (due > sent) {
            emit write(head.bytes.mid(sent, due - sent));
            sent = due;
        }
        if (sent < head.bytes.size()) {
            // Wake when the next character has had its time on the wire.
            const double next = begin + (sent + 1) * char_ms;
            timer.start(qMax(1, int(std::ceil(next - now_ms()))));
            return;
        }
        const bool close = head.close_after;
        queue.dequeue();
        segment_start = now_ms();
        sent = 0;
        if (close) {
            queue.clear();
            emit close_line();
            return;
        }
    }
}

} // namespace sim
