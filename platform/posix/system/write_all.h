// Writing a whole text to a file descriptor, the one way every part of the
// console does it.
#pragma once

#include <stddef.h>

namespace posix_console {

// Writes all `length` bytes to fd, going on after EINTR. On a full
// non-blocking pipe or terminal (EAGAIN) it waits until the fd takes more
// when `wait_when_full`, and gives up otherwise. Returns 0, or the errno of
// the failure (ENOSPC when a write took nothing). `calls` counts the write
// calls made. Async-signal-safe: the signal handlers restore with it.
int write_all(int fd, const char *bytes, size_t length, bool wait_when_full,
              unsigned long long *calls = nullptr);

} // namespace posix_console
