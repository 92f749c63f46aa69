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
    if (p_ok != (in.size() >= 34) || (p_ok && p.encode() != in.left(34)) ||
        s_ok != (in.size() >= 23) || (s_ok && s.encode() != in.left(23)))
        __builtin_trap();
    return 0;
}
