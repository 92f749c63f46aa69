#include "crc16.h"

#include <QByteArray>

namespace orb {

quint16 crc16_update(quint16 crc, const uchar *data, qint64 len)
{
    for (qint64 i = 0; i < len; ++i) {
        crc ^= quint16(data[i]) << 8;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x8000) ? quint16((crc << 1) ^ 0x1021) : quint16(crc << 1);
    }
    return crc;
}

quint16 crc16(const uchar *data, quint16 len)
{
    return crc16_update(crc16_init, data, len);
}

quint16 crc16(const QByteArray &data)
{
    const int len = qMin(data.size(), 0xFFFF);
    return crc16(reinterpret_cast<const uchar *>(data.constData()), quint16(len));
}

} // namespace orb
