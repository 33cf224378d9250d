// Preloaded into Wine by the Windows port tests: a pseudo-terminal has no modem lines, so Wine's serial
// driver fails to set RTS/DTR and its event waits end at once with an error. This gives every pty slave a
// set of lines in memory (the outputs as last set, CTS/DSR/CD on), which is what a real port with a meter
// attached looks like. When RS5_MODEM_LINES_FILE names a file, each change of the outputs is written there
// ("DTR=1 RTS=0") so that the test can check what reached the line. Once the far end has hung up, the calls
// fail with EIO, as they do on a real port whose adapter was pulled.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

static int lines = TIOCM_DTR | TIOCM_RTS | TIOCM_CTS | TIOCM_DSR | TIOCM_CAR;

static int IsPtySlave(int fd) {
    struct stat st;
    // Unix 98 pty slaves have majors 136 to 143.
    return fstat(fd, &st) == 0 && S_ISCHR(st.st_mode) && major(st.st_rdev) >= 136 && major(st.st_rdev) <= 143;
}

// The far end has closed: the lines are gone with it, as when a USB adapter is pulled.
static int HungUp(int fd) {
    struct pollfd watched = {fd, 0, 0};
    return poll(&watched, 1, 0) == 1 && (watched.revents & POLLHUP) != 0;
}

static void Publish(void) {
    const char* path = getenv("RS5_MODEM_LINES_FILE");
    if (path == NULL || *path == '\0') {
        return;
    }
    char text[32];
    const int length =
        snprintf(text, sizeof text, "DTR=%d RTS=%d\n", (lines & TIOCM_DTR) != 0, (lines & TIOCM_RTS) != 0);
    const int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd >= 0) {
        if (write(fd, text, (size_t)length) < 0) {
            // nothing to do: the test then sees the previous state
        }
        close(fd);
    }
}

int ioctl(int fd, unsigned long request, ...) {
    static int (*real)(int, unsigned long, ...);
    va_list args;
    va_start(args, request);
    void* argument = va_arg(args, void*);
    va_end(args);
    if (real == NULL) {
        real = (int (*)(int, unsigned long, ...))dlsym(RTLD_NEXT, "ioctl");
    }
    if ((request == TIOCMGET || request == TIOCMSET || request == TIOCMBIS || request == TIOCMBIC) && IsPtySlave(fd)) {
        if (HungUp(fd)) {
            errno = EIO;
            return -1;
        }
        int* value = (int*)argument;
        const int outputs = TIOCM_DTR | TIOCM_RTS;
        switch (request) {
            case TIOCMGET:
                *value = lines;
                return 0;
            case TIOCMSET:
                lines = (lines & ~outputs) | (*value & outputs);
                break;
            case TIOCMBIS:
                lines |= *value & outputs;
                break;
            default:
                lines &= ~(*value & outputs);
                break;
        }
        Publish();
        return 0;
    }
    return real(fd, request, argument);
}
