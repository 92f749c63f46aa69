#include "fault.h"

#include "protocol/crc16.h"
#include "protocol/packet.h"

#include <QRandomGenerator>

namespace sim {

namespace {

struct Named
{
    Fault fault;
    const char *name;
};

const Named names[] = {
    {Fault::none, "none"},
    {Fault::silent, "silent"},
    {Fault::bad_crc, "bad-crc"},
    {Fault::wrong_command, "wrong-command"},
    {Fault::wrong_address, "wrong-address"},
    {Fault::bad_prefix, "bad-prefix"},
    {Fault::bad_len, "bad-len"},
    {Fault::short_payload, "short-payload"},
    {Fault::split, "split"},
    {Fault::late, "late"},
    {Fault::noise, "noise"},
    {Fault::sync_frame, "sync-frame"},
    {Fault::flood, "flood"},
    {Fault::vanish, "vanish"},
    {Fault::bad_echo, "bad-echo"},
};

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

} // namespace

QString fault_name(Fault fault)
{
    for (const Named &n : names) {
        if (n.fault == fault)
            return QString::fromLatin1(n.name);
    }
    return {};
}

bool fault_from_name(const QString &name, Fault *out)
{
    for (const Named &n : names) {
        if (name == QLatin1String(n.name)) {
            *out = n.fault;
            return true;
        }
    }
    return false;
}

QStringList fault_names()
{
    QStringList out;
    for (const Named &n : names) {
        if (n.fault != Fault::none)
            out << QString::fromLatin1(n.name);
    }
    return out;
}

QVector<Segment> plan_reply(const QByteArray &packet, Fault fault, const QByteArray &eol,
                            QRandomGenerator &rng)
{
    if (packet.size() < orb::header_size + orb::crc_size)
        return {};
    QByteArray spoilt = packet;
    switch (fault) {
    case Fault::bad_crc:
        spoilt[spoilt.size() - 1] = char(spoilt.at(spoilt.size() - 1) ^ 0x5A);
        break;
    case Fault::wrong_command:
        spoilt[orb::offset_command] = char(spoilt.at(orb::offset_command) ^ 0x80);
        spoilt = reseal(spoilt);
        break;
    case Fault::wrong_address:
        spoilt[orb::offset_address] = char(spoilt.at(orb::offset_address) + 1);
        spoilt = reseal(spoilt);
        break;
    case Fault::bad_prefix:
        spoilt[0] = char(bad_prefix_byte);
        spoilt[1] = char(orb::prefix_first);
        spoilt = reseal(spoilt);
        break;
    case Fault::bad_len: {
        QByteArray head = spoilt.left(orb::offset_len);
        orb::put_le16(head, quint16(orb::get_le16(spoilt, orb::offset_len) + 1));
        spoilt = reseal(head + spoilt.mid(orb::header_size));
        break;
    }
    case Fault::bad_echo:
        // A well-formed reply whose record differs from what the module holds in one bit.
        if (spoilt.size() > orb::header_size + orb::crc_size) {
            const int last = spoilt.size() - orb::crc_size - 1;
            spoilt[last] = char(spoilt.at(last) ^ 0x01);
            spoilt = reseal(spoilt);
        }
        break;
    case Fault::short_payload: {
        QByteArray payload = orb::packet_payload(packet);
        payload.truncate(payload.size() > short_payload_size ? short_payload_size : 0);
        spoilt = orb::build_packet(quint8(packet.at(orb::offset_address)),
                                   quint8(packet.at(orb::offset_command)), payload);
        break;
    }
    default:
        break;
    }

    const QByteArray line = orb::frame_packet(spoilt).trimmed() + eol;
    QVector<Segment> out;
    switch (fault) {
    case Fault::silent:
        break;
    case Fault::split:
    case Fault::vanish: {
        const int half = line.size() / 2;
        out.append({line.left(half), 0, true, fault == Fault::vanish});
        if (fault == Fault::split)
            out.append({line.mid(half), split_gap_ms, true, false});
        break;
    }
    case Fault::late:
        out.append({line, late_ms, true, false});
        break;
    case Fault::noise: {
        QByteArray junk;
        const int count = int(rng.bounded(8, 33));
        for (int i = 0; i < count; ++i)
            junk.append(stray_byte(rng));
        out.append({junk + line, 0, true, false});
        break;
    }
    case Fault::sync_frame: {
        QByteArray frame;
        frame.append(char(orb::sync_byte));
        frame.append(packet.at(orb::offset_address));
        while (frame.size() < orb::sync_frame_size)
            frame.append(stray_byte(rng));
        out.append({frame, 0, true, false});
        out.append({line, sync_gap_ms, true, false});
        break;
    }
    case Fault::flood: {
        static const char digits[] = "0123456789ABCDEF";
        QByteArray junk(flood_size, Qt::Uninitialized);
        junk[0] = ':';
        for (int i = 1; i < junk.size(); ++i)
            junk[i] = digits[rng.bounded(16)];
        // Paced, 64 KiB would take a minute; a babbling line does not wait for the baud rate.
        out.append({junk, 0, false, false});
        break;
    }
    default:
        out.append({line, 0, true, false});
        break;
    }
    return out;
}

} // namespace sim
