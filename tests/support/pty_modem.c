/* Preloaded into Wine by scripts/windows. A pseudo-terminal has no modem lines, so TIOCMGET
 * on it fails; Wine then ends every serial event wait (WaitCommEvent) at once and never starts
 * it again, and Qt's Windows serial port, which reads from that wait, hears nothing. A real
 * adapter's driver answers with the lines up: so does this, and only where the real call fails
 * for want of modem lines. Everything else goes to the real ioctl untouched.
 *
 *   cc -shared -fPIC -o pty_modem.so pty_modem.c -ldl
 */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <stdarg.h>
#include <sys/ioctl.h>

int ioctl(int fd, unsigned long request, ...)
{
    static int (*real)(int, unsigned long, ...);
    va_list ap;
    void *arg;
    int rc;

    va_start(ap, request);
    arg = va_arg(ap, void *);
    va_end(ap);
    if (!real)
        real = (int (*)(int, unsigned long, ...))dlsym(RTLD_NEXT, "ioctl");
    rc = real(fd, request, arg);
    if (rc == -1 && (errno == ENOTTY || errno == EINVAL)) {
        switch (request) {
        case TIOCMGET:
            *(int *)arg = TIOCM_DSR | TIOCM_CTS | TIOCM_CAR;
            return 0;
        case TIOCMBIS:
        case TIOCMBIC:
        case TIOCMSET:
            return 0;
        }
    }
    return rc;
}
