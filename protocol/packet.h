#pragma once

#include <QByteArray>
#include <QString>

namespace orb {

// Command codes: the request's command byte and the one its reply must carry.
enum class Command : quint8 {
    test = 0x00,
    get_param = 0x01,
    set_param = 0x02,
    get_state = 0x03,
    pump_on = 0x04,
    pump_off = 0x05,
};

// Header layout: AA BB, address, command, len (LE), then the payload.
constexpr quint8 prefix_first = 0xAA;
constexpr quint8 prefix_second = 0xBB;
constexpr int offset_address = 2;
constexpr int offset_command = 3;
constexpr int offset_len = 4;
constexpr int header_size = 6; // also where the payload starts
constexpr int crc_size = 2;
constexpr int min_reply_size = 7;

// A batch of exactly this many bytes may be a binary sync frame: 0xFF, the module address and
// five more bytes. No command sends or expects one; the receive path only screens it.
constexpr int sync_frame_size = 7;
constexpr quint8 sync_byte = 0xFF;
constexpr int sync_offset_address = 1;

// AA BB, address, command, len LE, payload, crc16 LE over everything before it.
// Empty for a payload longer than the 16-bit len field can state.
QByteArray build_packet(quint8 address, quint8 command, const QByteArray &payload = {});

// ':' + uppercase hex of the packet + '\n'.
QByteArray frame_packet(const QByteArray &packet);

// Result codes of check_reply.
enum Reply_code {
    reply_ok = 0,
    reply_empty = 1,
    reply_size = 2,
    reply_prefix = 3, // prefix or address
    reply_command = 4,
    reply_crc = 5,
};

struct Reply_check
{
    int code = reply_ok;
    QString message; // the log's text; empty when code is reply_ok
    QString shown;   // the same for the user to read (exchange_text.h)
};

// Checks a decoded reply against the module address and the expected command.
// The first failing check decides; message is the text the tool logs for it.
Reply_check check_reply(const QByteArray &reply, int address, int command);

// Payload bytes of a packet (between header and CRC); empty for anything shorter than a packet.
QByteArray packet_payload(const QByteArray &packet);

// Little-endian fields, byte by byte: the wire's order whatever the host's. The readers
// expect the caller to have checked that at + width bytes are there.
void put_le16(QByteArray &out, quint16 value);
quint16 get_le16(const QByteArray &in, int at);
// A field of width bytes (1 to 4) at an offset.
quint32 get_le(const QByteArray &in, int at, int width);
void set_le(QByteArray &out, int at, int width, quint32 value);

} // namespace orb
