#include "rx_line.h"

namespace orb {

void deframe(const QByteArray &batch, QByteArray &rx_line, QByteArray &reply, bool &reply_ready)
{
    // Every line end decodes rx_line, but only the last decode before a ':' (or before
    // the batch ends) can be seen, and appends only extend rx_line. So a line end just
    // records how long rx_line was, and the decode runs once, when it must: a stream of
    // line ends costs no more than one decode.
    int pending = -1;
    for (const char c : batch) {
        switch (c) {
        case '\r':
        case '\n':
            pending = rx_line.size();
            reply_ready = true;
            break;
        case ':':
            if (pending >= 0)
                reply = QByteArray::fromHex(rx_line.left(pending));
            pending = -1;
            rx_line.clear();
            reply_ready = false;
            break;
        default:
            if (rx_line.size() < rx_line_cap)
                rx_line.append(c);
            break;
        }
    }
    if (pending >= 0)
        reply = QByteArray::fromHex(rx_line.left(pending));
}

QString batch_log_text(const QByteArray &batch)
{
    const int zero = batch.indexOf('\0');
    const QByteArray text = zero < 0 ? batch : batch.left(zero);
    if (text.isEmpty())
        return QString();
    for (const char c : text) {
        if (quint8(c) >= 0x80)
            return QStringLiteral("read_data: [%1]")
                .arg(QString::fromLatin1(batch.toHex().toUpper()));
    }
    QByteArray shown = text;
    shown.replace('\r', QByteArray()).replace('\n', QByteArray());
    return QStringLiteral("read_data: %1").arg(QString::fromLatin1(shown));
}

} // namespace orb
