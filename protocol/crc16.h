#pragma once

#include <QtGlobal>

class QByteArray;

namespace orb {

// CRC-16/CCITT-FALSE (also CRC-16/IBM-3740):
// Width = 16, Poly = 0x1021, XorIn = 0xFFFF, ReflectIn = false, ReflectOut = false,
// XorOut = 0x0000, Check("123456789") = 0x29B1.
quint16 crc16(const uchar *data, quint16 len);

// Whole array; at most 65535 bytes are covered, as the wire's length field allows.
quint16 crc16(const QByteArray &data);

} // namespace orb
