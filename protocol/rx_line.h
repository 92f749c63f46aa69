#pragma once

#include <QByteArray>
#include <QString>

namespace orb {

// Bound on rx_line. The longest legal line holds 2 * (65535 + 8) hex digits; a peer that
// streams bytes without ':' must not grow the buffer for ever. Bytes past the bound are
// dropped until the next ':', so every line up to this size decodes as before.
constexpr int rx_line_cap = 1 << 20;

// Feeds one received batch through the line decoder: ':' empties rx_line and clears
// reply_ready, CR or LF decodes rx_line (hex) into reply and sets reply_ready, any other
// byte is appended to rx_line.
void deframe(const QByteArray &batch, QByteArray &rx_line, QByteArray &reply, bool &reply_ready);

// True when every byte of the batch can stand in a reply line: ':', a hex digit of either
// case, CR or LF. A 7-byte batch of that kind is a piece of a line that a read happened to cut
// there, not a sync frame.
bool is_line_text(const QByteArray &batch);

// The line read_data logs for a batch ("read_data: ..." or "read_data: [HEX]"), or a null
// QString when the batch logs nothing.
QString batch_log_text(const QByteArray &batch);

} // namespace orb
