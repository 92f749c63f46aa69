// Input: a batch size byte (size 1..256), then the received bytes, cut into batches.
#include "protocol/line_reader.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const auto *bytes = reinterpret_cast<const char *>(data + 1);
    const QByteArray stream = QByteArray::fromRawData(bytes, int(size - 1));
    orb::Line_reader cut, whole;
    QVector<QByteArray> lines, whole_lines;
    QStringList notes;
    for (int at = 0; at < stream.size(); at += data[0] + 1) {
        const QByteArray batch =
            QByteArray::fromRawData(bytes + at, qMin(data[0] + 1, stream.size() - at));
        cut.feed(batch, &lines, &notes);
        // Notes pile up only while nobody reads them; a caller drains them per batch.
        notes.clear();
    }
    whole.feed(stream, &whole_lines, &notes);
    // Where the batches are cut must not matter to the lines.
    if (lines != whole_lines)
        __builtin_trap();
    // A line holds no framing character and stays within the cap.
    for (const QByteArray &line : lines) {
        if (line.size() > orb::Line_reader::cap || line.contains(':') || line.contains('\r') ||
            line.contains('\n'))
            __builtin_trap();
    }
    return 0;
}
