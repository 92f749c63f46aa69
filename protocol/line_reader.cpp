#include "line_reader.h"

namespace orb {

void Line_reader::feed(const QByteArray &bytes, QVector<QByteArray> *lines, QStringList *notes)
{
    qint64 stray = 0;
    for (const char c : bytes) {
        if (c == ':') {
            if (in_line && !overflow && !line.isEmpty())
                *notes << QStringLiteral("unfinished line of %1 chars dropped").arg(line.size());
            line.clear();
            in_line = true;
            overflow = false;
        } else if (c == '\r' || c == '\n') {
            if (in_line && !overflow)
                lines->append(line);
            line.clear();
            in_line = false;
            overflow = false;
        } else if (!in_line || overflow) {
            ++stray;
        } else if (line.size() >= cap) {
            *notes << QStringLiteral("line longer than %1 chars dropped").arg(cap);
            line.clear();
            overflow = true;
            ++stray;
        } else {
            line.append(c);
        }
    }
    if (stray > 0)
        *notes << QStringLiteral("%1 bytes outside a line skipped").arg(stray);
}

} // namespace orb
