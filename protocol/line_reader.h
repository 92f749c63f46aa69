#pragma once

#include <QByteArray>
#include <QStringList>
#include <QVector>

namespace orb {

// Cuts incoming bytes into text lines: from ':' to CR or LF. A ':' always starts afresh,
// so the reader finds its footing again after garbage; a line longer than the cap is thrown
// away up to the next ':', which keeps memory bounded whatever arrives. The simulator reads
// requests with it and orbctl replies; the window keeps its own receive rules (rx_line.h).
class Line_reader
{
public:
    static constexpr int cap = 4096;

    // Appends the finished lines (without ':' and line end) to *lines and says in *notes what
    // was thrown away.
    void feed(const QByteArray &bytes, QVector<QByteArray> *lines, QStringList *notes);
    // Forgets a line begun so far.
    void reset()
    {
        line.clear();
        in_line = false;
        overflow = false;
    }

private:
    QByteArray line;
    bool in_line = false;
    bool overflow = false;
};

} // namespace orb
