#include "address_list.h"

#include <QRegularExpression>
#include <QStringList>

#include <bitset>

namespace orb {

bool parse_address_list(const QString &text, QVector<quint8> *out, QString *why)
{
    // Three digits at most: no number this long can be an address, and none overflows.
    static const QRegularExpression item(
        QStringLiteral("^\\s*(\\d{1,3})(?:\\s*-\\s*(\\d{1,3}))?\\s*$"));
    QVector<quint8> list;
    std::bitset<256> seen;
    const QStringList items = text.split(QLatin1Char(','));
    for (const QString &part : items) {
        const QRegularExpressionMatch m = item.match(part);
        if (!m.hasMatch()) {
            *why = QStringLiteral("%1 is not an address or a range N-M")
                       .arg(part.trimmed().isEmpty() ? QStringLiteral("an empty item")
                                                     : part.trimmed());
            return false;
        }
        const int first = m.captured(1).toInt();
        const int last = m.captured(2).isEmpty() ? first : m.captured(2).toInt();
        if (first > 255 || last > 255) {
            *why = QStringLiteral("%1 is past 255").arg(part.trimmed());
            return false;
        }
        if (last < first) {
            *why = QStringLiteral("range %1 runs backwards").arg(part.trimmed());
            return false;
        }
        for (int a = first; a <= last; ++a) {
            if (seen.test(size_t(a))) {
                *why = QStringLiteral("%1 is given twice").arg(a);
                return false;
            }
            seen.set(size_t(a));
            list.append(quint8(a));
        }
    }
    *out = list;
    return true;
}

} // namespace orb
