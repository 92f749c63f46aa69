#include "exchange_text.h"

#include "packet.h"

namespace orb {

namespace {

constexpr char ok[] = "OK";

struct Command_texts
{
    Command command;
    const char *title;
    const char *done;
};

constexpr char context[] = "exchange_text";

// A command's title is logged only; what its success shows the user reads.
const Command_texts command_texts[] = {
    {Command::test, "Test", ok},
    {Command::get_param, "Чтение", ok},
    {Command::set_param, "Запись", ok},
    {Command::get_state, "Получение статуса УПУ", ok},
    {Command::pump_on, "Включение насоса", QT_TRANSLATE_NOOP("exchange_text", "насос включен")},
    {Command::pump_off, "Выключение насоса", QT_TRANSLATE_NOOP("exchange_text", "насос выключен")},
};

QString text(Reader reader, const char *source)
{
    return text_for(reader, context, source);
}

const Command_texts &texts_of(Command command)
{
    for (const Command_texts &t : command_texts) {
        if (t.command == command)
            return t;
    }
    return command_texts[0]; // every command has a row
}

} // namespace

QString command_title(Command command)
{
    return QString::fromUtf8(texts_of(command).title);
}

QString command_done_text(Command command)
{
    return text(Reader::user, texts_of(command).done);
}

QString ok_text()
{
    return QLatin1String(ok);
}

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

QString short_reply_text(int size, int expected, Reader reader)
{
    return text(reader, QT_TRANSLATE_NOOP("exchange_text",
                                          "Ответ модуля короче записи: %1 байт данных вместо %2"))
        .arg(size)
        .arg(expected);
}

QString no_data_text(Reader reader)
{
    return text(reader, QT_TRANSLATE_NOOP("exchange_text", "Нет данных"));
}

QString reply_size_text(Reader reader)
{
    return text(reader, QT_TRANSLATE_NOOP("exchange_text", "Размер пакета не корректен"));
}

QString reply_prefix_text(quint16 prefix, Reader reader)
{
    return text(reader, QT_TRANSLATE_NOOP("exchange_text", "Префикс не корректен! [0x%1]"))
        .arg(uint(prefix), 0, 16);
}

QString reply_address_text(int address, Reader reader)
{
    return text(reader, QT_TRANSLATE_NOOP("exchange_text", "Адрес не корректен! [0x%1]"))
        .arg(address, 0, 16);
}

QString reply_command_text(int command, Reader reader)
{
    return text(reader, QT_TRANSLATE_NOOP("exchange_text", "Неверная команда! [0x%1]"))
        .arg(command, 0, 16);
}

QString reply_len_text(Reader reader)
{
    return text(reader,
                QT_TRANSLATE_NOOP("exchange_text",
                                  "Размер пакета не корректен (поле len неверно заполнено)"));
}

QString reply_crc_text(quint16 stored, quint16 computed, Reader reader)
{
    return crc_text_lead(reader) + QStringLiteral(" 0x%1 != 0x%2")
                                       .arg(uint(stored), 2, 16, QLatin1Char('0'))
                                       .arg(uint(computed), 2, 16, QLatin1Char('0'));
}

QString crc_text_lead(Reader reader)
{
    // The final letter is a Latin 'a' on purpose: log readers match the text byte for byte.
    return text(reader, QT_TRANSLATE_NOOP("exchange_text", "Контрольная сумма не корректнa!"));
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
