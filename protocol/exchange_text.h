#pragma once

#include "language.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace orb {

enum class Command : quint8;

// The exchange's log texts, word for word the same from the window and from orbctl. Those a
// user also reads take a Reader: the log's form by default, Reader::user for a box or the
// terminal.

// A command's title, the first line its exchange logs, and what its success shows the user: the
// window's box and orbctl's pump line (ok_text() for all but the pump).
QString command_title(Command command);
QString command_done_text(Command command);
// The line an exchange that went right ends with.
QString ok_text();

// "Длина пакета = N", N counting header, payload and CRC.
QString packet_length_text(const QByteArray &packet);
// "Отправляем :HEX", the framed line without its line end.
QString sending_text(const QByteArray &packet);
// "Получено [hex]" in lower case; "Получено []" when nothing came.
QString received_text(const QByteArray &reply);
// What the exchange logs for a reply: the test command shows its text up to the first zero
// byte, then the whole reply in upper-case hex; every other command received_text.
QStringList received_texts(int command, const QByteArray &reply);
// A reply that passed the check but carries less than the record.
QString short_reply_text(int size, int expected, Reader reader = Reader::log);

// The reply check's messages (check_reply), one for each check in its order.
QString no_data_text(Reader reader = Reader::log);
QString reply_size_text(Reader reader = Reader::log);
// The first two bytes, little-endian.
QString reply_prefix_text(quint16 prefix, Reader reader = Reader::log);
// The address the reply carries.
QString reply_address_text(int address, Reader reader = Reader::log);
// The command the request sent.
QString reply_command_text(int command, Reader reader = Reader::log);
QString reply_len_text(Reader reader = Reader::log);
// crc_text_lead() + " 0xSTORED != 0xCOMPUTED".
QString reply_crc_text(quint16 stored, quint16 computed, Reader reader = Reader::log);
QString crc_text_lead(Reader reader = Reader::log);

// The port's own failures.
QString port_not_open_text(const QString &port, const QString &why);
QString baud_rate_text(int baud); // spelled as the tool has always logged it
// By the error's enumerator name (`key`, null when the value has none).
QString port_error_text(const char *key, int value);

} // namespace orb
