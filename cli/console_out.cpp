#include "console_out.h"

#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#endif

void write_text(std::FILE *stream, const QString &text)
{
#ifdef Q_OS_WIN
    // A console shows what its code page maps: 866 on a Russian one, 437 or 850 on others.
    // Only the wide-character call reaches it unmapped.
    const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    DWORD mode = 0;
    if (handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode)) {
        std::fflush(stream);
        const auto *wide = reinterpret_cast<const wchar_t *>(text.utf16());
        DWORD left = DWORD(text.size());
        while (left > 0) {
            DWORD written = 0;
            if (!WriteConsoleW(handle, wide, left, &written, nullptr) || written == 0)
                return;
            wide += written;
            left -= written;
        }
        return;
    }
#endif
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}
