// Input: a reply payload, handed to both record decoders.
#include "protocol/param_data.h"
#include "protocol/status_data.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 0x10000)
        return 0;
    const QByteArray payload(reinterpret_cast<const char *>(data), int(size));

    orb::Param_data p;
    p.addr_cam = 0x5A;
    const bool p_ok = orb::Param_data::decode(payload, &p);
    if (p_ok != (payload.size() >= orb::Param_data::size))
        __builtin_trap();
    if (p_ok && p.encode() != payload.left(orb::Param_data::size))
        __builtin_trap();
    if (!p_ok && p.addr_cam != 0x5A)
        __builtin_trap();
    if (p.log_lines().size() != 19)
        __builtin_trap();

    orb::Status_data s;
    s.state = 0x5A5A;
    const bool s_ok = orb::Status_data::decode(payload, &s);
    if (s_ok != (payload.size() >= orb::Status_data::size))
        __builtin_trap();
    if (s_ok && s.encode() != payload.left(orb::Status_data::size))
        __builtin_trap();
    if (!s_ok && s.state != 0x5A5A)
        __builtin_trap();
    if (s.log_lines().size() != 8 || s.state_line().isEmpty())
        __builtin_trap();
    return 0;
}
