#pragma once

#include <QtGlobal>

class QByteArray;

namespace orb {

// CRC-16/CCITT-FALSE (also CRC-16/IBM-3740):
// Width = 16, Poly = 0x1021, XorIn = 0xFFFF, ReflectIn = false, ReflectOut = false,
// XorOut = 0x0000, Check("123456789") = 0x29B1.
quint16 crc16(const uchar *data, quint16 len);

constexpr quint16 crc16_init = 0xFFFF;

// Continues a running CRC over len more bytes, with no 16-bit limit on the count; start from
// crc16_init. A reply whose len field is near 65535 is longer than one crc16() call can cover.
quint16 crc16_update(quint16 crc, const uchar *data, qint64 len);

// Whole array; at most 65535 bytes are covered, as the wire's length field allows.
quint16 crc16(const QByteArray &data);

} // namespace orb
