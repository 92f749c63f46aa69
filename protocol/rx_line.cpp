#include "rx_line.h"

#include <algorithm>
#include <cstring>

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
                reply = QByteArray::fromHex(QByteArray::fromRawData(rx_line.constData(), pending));
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
        reply = QByteArray::fromHex(QByteArray::fromRawData(rx_line.constData(), pending));
}

bool is_line_text(const QByteArray &batch)
{
    return std::all_of(batch.begin(), batch.end(), [](char c) {
        return c == ':' || c == '\r' || c == '\n' || (c >= '0' && c <= '9') ||
               (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
    });
}

QString batch_log_text(const QByteArray &batch)
{
    // Called for every batch the port delivers: scan in place and build the line in one
    // allocation, without copies of the batch on the way.
    static const QLatin1String prefix("read_data: ");
    const char *const begin = batch.constData();
    const auto *zero = static_cast<const char *>(std::memchr(begin, 0, size_t(batch.size())));
    const char *const end = zero ? zero : begin + batch.size();
    if (end == begin)
        return QString();
    const bool high = std::any_of(begin, end, [](char c) { return quint8(c) >= 0x80; });
    QString text(prefix.size() + (high ? 2 + 2 * batch.size() : int(end - begin)),
                 Qt::Uninitialized);
    QChar *out = text.data();
    for (const char c : prefix)
        *out++ = QLatin1Char(c);
    if (high) { // the whole batch, past any zero, in hex
        static const char digits[] = "0123456789ABCDEF";
        *out++ = QLatin1Char('[');
        for (const char c : batch) {
            *out++ = QLatin1Char(digits[quint8(c) >> 4]);
            *out++ = QLatin1Char(digits[quint8(c) & 15]);
        }
        *out++ = QLatin1Char(']');
    } else {
        for (const char *p = begin; p != end; ++p) {
            if (*p != '\r' && *p != '\n')
                *out++ = QLatin1Char(*p);
        }
    }
    text.truncate(int(out - text.constData()));
    return text;
}

} // namespace orb
