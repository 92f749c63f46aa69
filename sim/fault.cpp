#include "fault.h"

#include "protocol/crc16.h"
#include "protocol/packet.h"

#include <QRandomGenerator>

#include <algorithm>

namespace sim {

namespace {

// Header and CRC made right again after a header byte was changed on purpose.
QByteArray reseal(QByteArray packet)
{
    packet.chop(orb::crc_size);
    orb::put_le16(packet, orb::crc16(packet));
    return packet;
}

// Bytes that cannot start or end a text line, so the line after them still reads.
char stray_byte(QRandomGenerator &rng)
{
    for (;;) {
        const char c = char(rng.bounded(1, 256));
        if (c != ':' && c != '\r' && c != '\n')
            return c;
    }
}

QByteArray flip_crc(const QByteArray &packet)
{
    QByteArray p = packet;
    p[p.size() - 1] = char(p.at(p.size() - 1) ^ 0x5A);
    return p;
}

QByteArray other_command(const QByteArray &packet)
{
    QByteArray p = packet;
    p[orb::offset_command] = char(p.at(orb::offset_command) ^ 0x80);
    return reseal(p);
}

QByteArray next_address(const QByteArray &packet)
{
    QByteArray p = packet;
    p[orb::offset_address] = char(p.at(orb::offset_address) + 1);
    return reseal(p);
}

QByteArray other_prefix(const QByteArray &packet)
{
    QByteArray p = packet;
    p[0] = char(bad_prefix_byte);
    p[1] = char(orb::prefix_first);
    return reseal(p);
}

QByteArray len_one_more(const QByteArray &packet)
{
    QByteArray head = packet.left(orb::offset_len);
    orb::put_le16(head, quint16(orb::get_le16(packet, orb::offset_len) + 1));
    return reseal(head + packet.mid(orb::header_size));
}

// A well-formed reply whose record differs from what the module holds in one bit.
QByteArray echo_one_bit_off(const QByteArray &packet)
{
    if (packet.size() <= orb::header_size + orb::crc_size)
        return packet;
    QByteArray p = packet;
    const int last = p.size() - orb::crc_size - 1;
    p[last] = char(p.at(last) ^ 0x01);
    return reseal(p);
}

QByteArray cut_payload(const QByteArray &packet)
{
    QByteArray payload = orb::packet_payload(packet);
    payload.truncate(payload.size() > short_payload_size ? short_payload_size : 0);
    return orb::build_packet(quint8(packet.at(orb::offset_address)),
                             quint8(packet.at(orb::offset_command)), payload);
}

QVector<Segment> nothing(const QByteArray &, const QByteArray &, QRandomGenerator &)
{
    return {};
}

QVector<Segment> in_halves(const QByteArray &line, const QByteArray &, QRandomGenerator &)
{
    const int half = line.size() / 2;
    return {{line.left(half), 0, true, false}, {line.mid(half), split_gap_ms, true, false}};
}

QVector<Segment> half_then_gone(const QByteArray &line, const QByteArray &, QRandomGenerator &)
{
    return {{line.left(line.size() / 2), 0, true, true}};
}

QVector<Segment> after_a_while(const QByteArray &line, const QByteArray &, QRandomGenerator &)
{
    return {{line, late_ms, true, false}};
}

QVector<Segment> after_junk(const QByteArray &line, const QByteArray &, QRandomGenerator &rng)
{
    QByteArray junk;
    const int count = int(rng.bounded(8, 33));
    for (int i = 0; i < count; ++i)
        junk.append(stray_byte(rng));
    return {{junk + line, 0, true, false}};
}

QVector<Segment> after_sync_frame(const QByteArray &line, const QByteArray &packet,
                                  QRandomGenerator &rng)
{
    QByteArray frame;
    frame.append(char(orb::sync_byte));
    frame.append(packet.at(orb::offset_address));
    while (frame.size() < orb::sync_frame_size)
        frame.append(stray_byte(rng));
    return {{frame, 0, true, false}, {line, sync_gap_ms, true, false}};
}

QVector<Segment> babble(const QByteArray &, const QByteArray &, QRandomGenerator &rng)
{
    static const char digits[] = "0123456789ABCDEF";
    QByteArray junk(flood_size, Qt::Uninitialized);
    junk[0] = ':';
    for (int i = 1; i < junk.size(); ++i)
        junk[i] = digits[rng.bounded(16)];
    // Paced, 64 KiB would take a minute; a babbling line does not wait for the baud rate.
    return {{junk, 0, false, false}};
}

} // namespace

const QVector<Fault_kind> &fault_kinds()
{
    // clang-format off
    static const QVector<Fault_kind> table = {
        {Fault::none, "none", "every reply as the module makes it", nullptr, nullptr},
        {Fault::silent, "silent", "no reply", nullptr, nothing},
        {Fault::bad_crc, "bad-crc", "the reply's CRC does not match", flip_crc, nullptr},
        {Fault::wrong_command, "wrong-command", "the reply names another command",
         other_command, nullptr},
        {Fault::wrong_address, "wrong-address", "the reply comes from the next address up",
         next_address, nullptr},
        {Fault::bad_prefix, "bad-prefix", "the reply starts 55 AA, not AA BB", other_prefix,
         nullptr},
        {Fault::bad_len, "bad-len", "the reply's len field one more than its payload",
         len_one_more, nullptr},
        {Fault::short_payload, "short-payload",
         "valid packet, 10-byte payload for 01-03, empty otherwise", cut_payload, nullptr},
        {Fault::split, "split", "two halves 300 ms apart", nullptr, in_halves},
        {Fault::late, "late", "after 1200 ms", nullptr, after_a_while},
        {Fault::noise, "noise", "stray bytes before the line", nullptr, after_junk},
        {Fault::sync_frame, "sync-frame", "FF, address, 5 bytes, then the reply 200 ms later",
         nullptr, after_sync_frame},
        {Fault::flood, "flood",
         "':' and 64 KiB of hex digits with no line end, instead of the reply", nullptr, babble},
        {Fault::vanish, "vanish",
         "half the reply, then the line is closed and the simulator exits", nullptr,
         half_then_gone},
        {Fault::bad_echo, "bad-echo", "a valid reply whose record has its last byte changed",
         echo_one_bit_off, nullptr},
    };
    // clang-format on
    return table;
}

QString fault_name(Fault fault)
{
    for (const Fault_kind &k : fault_kinds()) {
        if (k.fault == fault)
            return QString::fromLatin1(k.name);
    }
    return {};
}

bool fault_from_name(const QString &name, Fault *out)
{
    for (const Fault_kind &k : fault_kinds()) {
        if (name == QLatin1String(k.name)) {
            *out = k.fault;
            return true;
        }
    }
    return false;
}

QStringList fault_names()
{
    QStringList names;
    for (const Fault_kind &k : fault_kinds()) {
        if (k.fault != Fault::none)
            names << QString::fromLatin1(k.name);
    }
    return names;
}

QVector<Segment> plan_reply(const QByteArray &packet, Fault fault, const QByteArray &eol,
                            QRandomGenerator &rng)
{
    if (packet.size() < orb::header_size + orb::crc_size)
        return {};
    const auto kind = std::find_if(fault_kinds().begin(), fault_kinds().end(),
                                   [fault](const Fault_kind &k) { return k.fault == fault; });
    const bool known = kind != fault_kinds().end();
    const QByteArray spoilt = known && kind->spoil ? kind->spoil(packet) : packet;
    const QByteArray line = orb::frame_packet(spoilt).trimmed() + eol;
    if (known && kind->send)
        return kind->send(line, packet, rng);
    return {{line, 0, true, false}};
}

} // namespace sim
