#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace orb {

// The exchange's log texts, word for word the same from the window and from orbctl.

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
QString short_reply_text(int size, int expected);

// The port's own failures.
QString port_not_open_text(const QString &port, const QString &why);
QString baud_rate_text(int baud); // spelled as the tool has always logged it
// By the error's enumerator name (`key`, null when the value has none).
QString port_error_text(const char *key, int value);

} // namespace orb
