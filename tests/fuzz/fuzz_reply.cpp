// Input: address byte, command byte, then a reply as decoded from the line.
#include "protocol/packet.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    const QByteArray reply(reinterpret_cast<const char *>(data + 2), int(size - 2));
    const orb::Reply_check r = orb::check_reply(reply, data[0], data[1]);
    const bool ok = r.code == orb::reply_ok;
    // An accepted reply, rebuilt from its parts, gives the same bytes.
    if (r.message.isEmpty() != ok ||
        (ok && orb::build_packet(data[0], data[1], orb::packet_payload(reply)) != reply))
        __builtin_trap();
    return 0;
}
