// Input: a reply payload, handed to both record decoders.
#include "protocol/param_data.h"
#include "protocol/status_data.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray in(reinterpret_cast<const char *>(data), int(qMin<size_t>(size, 64)));
    orb::Param_data p;
    orb::Status_data s;
    const bool p_ok = orb::Param_data::decode(in, &p), s_ok = orb::Status_data::decode(in, &s);
    if (p_ok != (in.size() >= orb::Param_data::size) ||
        (p_ok && p.encode() != in.left(orb::Param_data::size)) ||
        s_ok != (in.size() >= orb::Status_data::size) ||
        (s_ok && s.encode() != in.left(orb::Status_data::size)))
        __builtin_trap();
    return 0;
}
