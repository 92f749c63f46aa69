#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

class QRandomGenerator;

namespace sim {

enum class Fault {
    none,
    silent,
    bad_crc,
    wrong_command,
    wrong_address,
    bad_prefix,
    bad_len,
    short_payload,
    split,
    late,
    noise,
    sync_frame,
    flood,
    vanish,
    bad_echo,
};

// One write towards the line. delay_ms counts from the end of the previous write.
struct Segment
{
    QByteArray bytes;
    int delay_ms = 0;
    bool paced = true;        // at the line rate, or all at once
    bool close_after = false; // the module drops off the line once this is out
};

// One kind of fault: its name as typed on the command line and on stdin, its line in --help,
// and what it does to a reply.
struct Fault_kind
{
    Fault fault;
    const char *name;  // "bad-crc"
    const char *about; // what the tool sees
    // The packet as it goes out, header and CRC included; nullptr: as the module made it.
    QByteArray (*spoil)(const QByteArray &packet);
    // The writes that carry the framed line; nullptr: the line at once.
    QVector<Segment> (*send)(const QByteArray &line, const QByteArray &packet,
                             QRandomGenerator &rng);
};

// Every fault, none first.
const QVector<Fault_kind> &fault_kinds();

QString fault_name(Fault fault);
bool fault_from_name(const QString &name, Fault *out);
// All but none.
QStringList fault_names();

constexpr int split_gap_ms = 300;
constexpr int late_ms = 1200;
// Long enough that a reader batching 100 ms after the first byte sees the frame alone.
constexpr int sync_gap_ms = 200;
constexpr int flood_size = 64 * 1024;

// bad-prefix's first byte; the module's first prefix byte follows it.
constexpr quint8 bad_prefix_byte = 0x55;

// Payload that short-payload leaves: less than either record.
constexpr int short_payload_size = 10;

// The writes that carry one reply packet, spoilt as the fault says.
QVector<Segment> plan_reply(const QByteArray &packet, Fault fault, const QByteArray &eol,
                            QRandomGenerator &rng);

} // namespace sim
