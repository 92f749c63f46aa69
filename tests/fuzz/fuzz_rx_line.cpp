// Input: one byte giving the batch size (1..256), then the received bytes, cut into batches of
// that size. Each batch goes through the line decoder and the batch log text, and the decoder
// is compared with a plain reading of the framing rules.
#include "protocol/rx_line.h"

#include <cstddef>
#include <cstdint>

namespace {

void reference(const QByteArray &batch, QByteArray &rx_line, QByteArray &reply, bool &ready)
{
    for (const char c : batch) {
        if (c == '\r' || c == '\n') {
            reply = QByteArray::fromHex(rx_line);
            ready = true;
        } else if (c == ':') {
            rx_line.clear();
            ready = false;
        } else {
            rx_line.append(c);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1 || size > 0x40000)
        return 0;
    const int step = int(data[0]) + 1;
    const QByteArray stream(reinterpret_cast<const char *>(data + 1), int(size - 1));

    QByteArray rx_line, reply, ref_line, ref_reply;
    bool ready = false, ref_ready = false;
    for (int at = 0; at < stream.size(); at += step) {
        const QByteArray batch = stream.mid(at, step);
        orb::deframe(batch, rx_line, reply, ready);
        reference(batch, ref_line, ref_reply, ref_ready);
        // Inputs stay far below rx_line_cap, so the bound never cuts a line here.
        if (rx_line != ref_line || reply != ref_reply || ready != ref_ready)
            __builtin_trap();

        const QString text = orb::batch_log_text(batch);
        if (text.isNull() != (batch.isEmpty() || batch.at(0) == '\0'))
            __builtin_trap();
        if (!text.isNull() && !text.startsWith(QLatin1String("read_data: ")))
            __builtin_trap();
    }
    return 0;
}
