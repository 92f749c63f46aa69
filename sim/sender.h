#pragma once

#include "fault.h"

#include <QElapsedTimer>
#include <QObject>
#include <QQueue>
#include <QTimer>

namespace sim {

// Puts segments on the line in order, each after its delay, paced characters arriving no faster
// than the baud rate lets them.
class Sender : public QObject
{
    Q_OBJECT

public:
    explicit Sender(QObject *parent = nullptr);

    void set_baud(int baud);
    void set_pacing(bool on) { pacing = on; }
    bool is_pacing() const { return pacing; }

    void push(const QVector<Segment> &segments);
    void clear();

signals:
    void write(const QByteArray &bytes);
    // The segment marked close_after is out.
    void close_line();

private:
    void tick();
    double now_ms() const;

    QQueue<Segment> queue;
    QTimer timer;
    QElapsedTimer clock;
    double char_ms = 10000.0 / 9600; // ten bits a character
    bool pacing = true;
    double segment_start = 0; // when the head segment's delay began
    int sent = 0;             // bytes of the head segment already written
};

} // namespace sim
