#include "write_all.h"

#include <errno.h>
#include <poll.h>
#include <unistd.h>

namespace posix_console {

int write_all(int fd, const char *bytes, size_t length, bool wait_when_full,
              unsigned long long *calls) {
    while (length > 0) {
        ssize_t n = ::write(fd, bytes, length);
        if (calls != nullptr) ++*calls;
        if (n > 0) {
            bytes += n;
            length -= static_cast<size_t>(n);
        } else if (n == 0) {
            return ENOSPC;
        } else if (errno == EAGAIN && wait_when_full) {
            pollfd writable{fd, POLLOUT, 0};
            poll(&writable, 1, -1);
        } else if (errno != EINTR) {
            return errno;
        }
    }
    return 0;
}

} // namespace posix_console
