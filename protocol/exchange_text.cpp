#include "exchange_text.h"

#include "packet.h"

namespace orb {

QString packet_length_text(const QByteArray &packet)
{
    return QString::fromUtf8("Длина пакета = %1").arg(packet.size());
}

QString sending_text(const QByteArray &packet)
{
    return QString::fromUtf8("Отправляем %1")
        .arg(QString::fromLatin1(frame_packet(packet).chopped(1)));
}

QString received_text(const QByteArray &reply)
{
    return QString::fromUtf8("Получено [%1]").arg(QString::fromLatin1(reply.toHex()));
}

QStringList received_texts(int command, const QByteArray &reply)
{
    if (command != int(Command::test))
        return {received_text(reply)};
    const int end = reply.indexOf('\0');
    return {
        QString::fromUtf8("Получено [%1]")
            .arg(QString::fromUtf8(end < 0 ? reply : reply.left(end))),
        QString::fromUtf8("Получено (hex) [%1]").arg(QString::fromLatin1(reply.toHex().toUpper()))};
}

QString short_reply_text(int size, int expected)
{
    return QString::fromUtf8("Ответ модуля короче записи: %1 байт данных вместо %2")
        .arg(size)
        .arg(expected);
}

QString port_not_open_text(const QString &port, const QString &why)
{
    return QStringLiteral("ERROR: serial [%1] not open (%2)").arg(port, why);
}

QString baud_rate_text(int baud)
{
    return QString::fromUtf8("Не удалось уставновить baudrate %1").arg(baud);
}

QString port_error_text(const char *key, int value)
{
    return key ? QString::fromLatin1(key) : QStringLiteral("unknown error %1").arg(value);
}

} // namespace orb
