#include "packet.h"

#include "crc16.h"
#include "exchange_text.h"

namespace orb {

namespace {

uint byte_at(const QByteArray &in, int at)
{
    return uchar(in.at(at));
}

} // namespace

void put_le16(QByteArray &out, quint16 value)
{
    out.append(char(value & 0xFF));
    out.append(char(value >> 8));
}

quint16 get_le16(const QByteArray &in, int at)
{
    return quint16(get_le(in, at, 2));
}

quint32 get_le(const QByteArray &in, int at, int width)
{
    quint32 value = 0;
    for (int k = 0; k < width; ++k)
        value |= quint32(byte_at(in, at + k)) << (8 * k);
    return value;
}

void set_le(QByteArray &out, int at, int width, quint32 value)
{
    for (int k = 0; k < width; ++k)
        out[at + k] = char((value >> (8 * k)) & 0xFF);
}

QByteArray build_packet(quint8 address, quint8 command, const QByteArray &payload)
{
    if (payload.size() > 0xFFFF)
        return {};
    QByteArray packet;
    packet.reserve(header_size + payload.size() + crc_size);
    packet.append(char(prefix_first));
    packet.append(char(prefix_second));
    packet.append(char(address));
    packet.append(char(command));
    put_le16(packet, quint16(payload.size()));
    packet.append(payload);
    put_le16(packet, crc16_update(crc16_init, reinterpret_cast<const uchar *>(packet.constData()),
                                  packet.size()));
    return packet;
}

QByteArray frame_packet(const QByteArray &packet)
{
    return ':' + packet.toHex().toUpper() + '\n';
}

Reply_check check_reply(const QByteArray &reply, int address, int command)
{
    const auto failed = [](int code, const auto &text) {
        return Reply_check{code, text(Reader::log), text(Reader::user)};
    };
    const int size = reply.size();
    if (size == 0)
        return failed(reply_empty, [](Reader r) { return no_data_text(r); });
    if (size < min_reply_size)
        return failed(reply_size, [](Reader r) { return reply_size_text(r); });
    if (byte_at(reply, 0) != prefix_first || byte_at(reply, 1) != prefix_second) {
        const quint16 prefix = get_le16(reply, 0);
        return failed(reply_prefix, [=](Reader r) { return reply_prefix_text(prefix, r); });
    }
    const int got = int(byte_at(reply, offset_address));
    if (got != address)
        return failed(reply_prefix, [=](Reader r) { return reply_address_text(got, r); });
    if (int(byte_at(reply, offset_command)) != command)
        return failed(reply_command, [=](Reader r) { return reply_command_text(command, r); });
    // int arithmetic: len + 8 would not fit the 16-bit field for len near 65535.
    if (int(get_le16(reply, offset_len)) != size - header_size - crc_size)
        return failed(reply_size, [](Reader r) { return reply_len_text(r); });
    const quint16 stored = get_le16(reply, size - crc_size);
    const quint16 computed = crc16_update(
        crc16_init, reinterpret_cast<const uchar *>(reply.constData()), size - crc_size);
    if (stored != computed)
        return failed(reply_crc, [=](Reader r) { return reply_crc_text(stored, computed, r); });
    return {};
}

QByteArray packet_payload(const QByteArray &packet)
{
    if (packet.size() < header_size + crc_size)
        return {};
    return packet.mid(header_size, packet.size() - header_size - crc_size);
}

} // namespace orb
