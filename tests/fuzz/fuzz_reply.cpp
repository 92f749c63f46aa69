// Input: address byte, command byte, then the reply as decoded from the line.
#include "protocol/packet.h"
#include "protocol/param_data.h"
#include "protocol/status_data.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2 || size > 0x20000)
        return 0;
    const int address = data[0];
    const int command = data[1];
    const QByteArray reply(reinterpret_cast<const char *>(data + 2), int(size - 2));

    const orb::Reply_check r = orb::check_reply(reply, address, command);
    if (r.code < orb::reply_ok || r.code > orb::reply_crc || r.message.isEmpty() != (r.code == 0))
        __builtin_trap();
    if (r.code != orb::reply_ok)
        return 0;

    // An accepted reply is a whole packet: its len field states its size, and rebuilding it
    // from its parts gives the same bytes.
    const QByteArray payload = orb::packet_payload(reply);
    if (orb::get_le16(reply, 4) != payload.size() ||
        orb::build_packet(quint8(address), quint8(command), payload) != reply)
        __builtin_trap();

    orb::Param_data p;
    if (orb::Param_data::decode(payload, &p)) {
        if (p.log_lines().size() != 19 || p.encode() != payload.left(orb::Param_data::size))
            __builtin_trap();
    }
    orb::Status_data s;
    if (orb::Status_data::decode(payload, &s)) {
        if (s.log_lines().size() != 8 || s.state_line().isEmpty() ||
            s.encode() != payload.left(orb::Status_data::size))
            __builtin_trap();
    }
    return 0;
}
