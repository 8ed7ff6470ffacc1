// A script's bytes in blocks: a file is read ahead and the unused rest
// sought back; a pipe is looked at with tee(2), which copies its bytes
// without taking them, and only the bytes used are then read from it. Any
// other kind of input is read a byte at a time.
#include "script_input.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

namespace posix_console {
namespace {

constexpr size_t BLOCK = 65536;

enum class Kind { Unknown, File, Pipe, Other };

struct Lookahead {
    Kind kind = Kind::Unknown;
    std::string bytes;      // looked at, from the input's current position on
    size_t used = 0;        // of them, taken by the program
    int copy[2] = {-1, -1}; // the pipe that tee fills
};

// Never destroyed: the teardown at exit still gives back what it holds.
Lookahead &ahead() {
    static Lookahead &state = *new Lookahead;
    return state;
}

Kind kind_of(int fd) {
    struct stat info {};
    if (fstat(fd, &info) != 0) return Kind::Other;
    if (S_ISREG(info.st_mode)) return Kind::File;
    if (S_ISFIFO(info.st_mode) && pipe2(ahead().copy, O_CLOEXEC) == 0) return Kind::Pipe;
    return Kind::Other;
}

// After a read or tee that failed: true when it is to be tried again, for a
// signal (EINTR) or a non-blocking pipe, once that has something (EAGAIN).
bool try_again(ssize_t result, int fd) {
    if (result >= 0 || (errno != EINTR && errno != EAGAIN)) return false;
    pollfd p{fd, POLLIN, 0};
    if (errno == EAGAIN) poll(&p, 1, -1);
    return true;
}

// Reads exactly count bytes of a pipe that holds them (they were looked at).
void take_from_pipe(int fd, size_t count) {
    char scratch[4096];
    while (count > 0) {
        ssize_t got = read(fd, scratch, count < sizeof scratch ? count : sizeof scratch);
        if (try_again(got, fd)) continue;
        if (got <= 0) return;
        count -= static_cast<size_t>(got);
    }
}

// Copies what the pipe holds without taking it; 0 at its end.
ssize_t look_into_pipe(int fd, char *buffer) {
    Lookahead &a = ahead();
    for (;;) {
        ssize_t copied = tee(fd, a.copy[1], BLOCK, 0);
        if (copied < 0 && (errno == EINVAL || errno == ENOSYS)) {
            a.kind = Kind::Other; // no tee here: a byte at a time
            return read(fd, buffer, 1);
        }
        if (try_again(copied, fd)) continue;
        if (copied <= 0) return copied;
        size_t done = 0;
        while (done < static_cast<size_t>(copied)) {
            ssize_t got = read(a.copy[0], buffer + done, static_cast<size_t>(copied) - done);
            if (got <= 0) return -1;
            done += static_cast<size_t>(got);
        }
        return copied;
    }
}

// The next block of bytes; false at the end of the input.
bool fill(int fd) {
    Lookahead &a = ahead();
    if (a.kind == Kind::Pipe) take_from_pipe(fd, a.used); // the block used up
    a.bytes.clear();
    a.used = 0;
    char buffer[BLOCK];
    size_t want = a.kind == Kind::Other ? 1 : BLOCK;
    for (;;) {
        ssize_t got = a.kind == Kind::Pipe ? look_into_pipe(fd, buffer) : read(fd, buffer, want);
        if (got > 0) {
            a.bytes.assign(buffer, static_cast<size_t>(got));
            return true;
        }
        if (!try_again(got, fd)) return false;
    }
}

bool readable_now(int fd) {
    pollfd p{fd, POLLIN, 0};
    return poll(&p, 1, 0) > 0;
}

} // namespace

int script_next_byte(int fd, void (*before_wait)()) {
    Lookahead &a = ahead();
    if (a.kind == Kind::Unknown) a.kind = kind_of(fd);
    if (a.used == a.bytes.size()) {
        if (!readable_now(fd)) before_wait();
        if (!fill(fd)) return -1;
    }
    return static_cast<unsigned char>(a.bytes[a.used++]);
}

void script_give_back(int fd) {
    Lookahead &a = ahead();
    if (a.kind == Kind::Pipe) take_from_pipe(fd, a.used);
    if (a.kind == Kind::File && a.used < a.bytes.size())
        lseek(fd, -static_cast<off_t>(a.bytes.size() - a.used), SEEK_CUR);
    a.bytes.clear();
    a.used = 0;
}

void script_reset() {
    Lookahead &a = ahead();
    for (int &end : a.copy) {
        if (end >= 0) close(end);
        end = -1;
    }
    a = Lookahead{};
}

} // namespace posix_console
