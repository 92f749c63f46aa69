#pragma once

#include "fault.h"
#include "module.h"
#include "protocol/line_reader.h"
#include "sender.h"

#include <QElapsedTimer>
#include <QObject>
#include <QRandomGenerator>
#include <QVector>

#include <optional>

namespace sim {

class Link;

// Ties the line, the module, the fault plan and the console together, and reports the traffic
// on standard error.
class Simulator : public QObject
{
    Q_OBJECT

public:
    Simulator(Link *link, quint8 address, qint64 init_ms, QObject *parent = nullptr);

    Module &module() { return mod; }
    Sender &sender() { return outgoing; }

    void set_eol(const QByteArray &eol) { line_end = eol; }
    void set_turnaround(int ms) { turnaround_ms = qMax(0, ms); }
    // Spoils replies these ways from now on, with no limit on how many.
    void set_faults(const QVector<Fault> &kinds);
    void set_fault_rate(double rate) { fault_rate = rate; }
    // Spoils only the next `count` replies that the rate picks.
    void set_fault_count(int count) { faults_left = count; }
    void set_seed(quint32 value) { rng.seed(seed = value); }
    // Every address answered; the module's own when empty. A line of modules that share one
    // state: enough to drive a tool that asks many addresses in turn.
    void set_addresses(const QVector<quint8> &list) { addresses = list; }
    // What reset goes back to: the settings as they are now.
    void keep_start();
    void reset();
    // Drops replies on their way and whatever the line holds unread.
    void flush();
    // The live status in one line, for the console.
    QString status_text();

    static void traffic(const QString &text);

private:
    void received(const QByteArray &bytes);
    void request(const QByteArray &hex);
    Fault pick_fault();
    void vanish();

    struct Start
    {
        Module mod;
        QVector<Fault> faults;
        double fault_rate;
        quint32 seed;
        int turnaround_ms;
        bool pacing;
    };

    Link *link;
    Module mod;
    Sender outgoing;
    orb::Line_reader reader;
    QElapsedTimer clock;
    QRandomGenerator rng;
    QVector<Fault> faults;
    double fault_rate = 1.0;
    int faults_left = -1; // replies still to spoil; -1 for no limit
    QByteArray line_end = "\r\n";
    int turnaround_ms = 0;
    bool gone = false; // vanishing: deaf to the line from now on
    quint32 seed = 0;
    QVector<quint8> addresses;
    std::optional<Start> start;
};

} // namespace sim
