// Input: a batch size byte (size 1..256), then the received bytes, cut into batches.
#include "protocol/rx_line.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    // Views, not copies: the decoder is what is measured, not the allocator.
    const auto *bytes = reinterpret_cast<const char *>(data + 1);
    const QByteArray stream = QByteArray::fromRawData(bytes, int(size - 1));
    QByteArray rx_line, reply, whole_line, whole_reply;
    bool ready = false, whole_ready = false;
    for (int at = 0; at < stream.size(); at += data[0] + 1) {
        const QByteArray batch =
            QByteArray::fromRawData(bytes + at, qMin(data[0] + 1, stream.size() - at));
        orb::deframe(batch, rx_line, reply, ready);
    }
    // Where the batches are cut must not matter.
    orb::deframe(stream, whole_line, whole_reply, whole_ready);
    if (rx_line != whole_line || reply != whole_reply || ready != whole_ready)
        __builtin_trap();

    // The log line depends on the batch alone, so the whole stream serves as one batch: once
    // per input instead of once per byte when the batches are one byte long.
    const QString text = orb::batch_log_text(stream);
    const bool silent = stream.isEmpty() || stream.at(0) == '\0';
    if (text.isNull() != silent || (!silent && !text.startsWith(QLatin1String("read_data: "))))
        __builtin_trap();
    return 0;
}
