// The terminal's edges: raw mode and the input modes on and off, its size,
// and writing to it. The console's presenter decides when each happens; the
// steps that give the terminal back are async-signal-safe, so that a signal
// handler can take them.
#pragma once

#include <stddef.h>

#include <string>

namespace posix_console {

struct TerminalSize {
    int columns;
    int rows;
};

// Keys come from input_fd (-1: none) and frames go to output_fd (-1: none).
// Saves input_fd's mode when it is a terminal, then takes raw mode and
// turns the input modes on. Returns whether raw mode was taken.
bool terminal_open(int input_fd, int output_fd);

// Async-signal-safe. Raw mode and the input modes again, after a stop.
void terminal_take_raw_mode();
// Async-signal-safe. The input modes off, `restore` written, the saved mode
// back: the terminal as it was before terminal_open, but for the lines the
// program wrote.
void terminal_give_back(const char *restore, size_t length);

// Whether the terminal named by TERM can be drawn on with escape sequences:
// not when TERM is unset, empty or "dumb". One that cannot is sent none.
bool terminal_can_draw();

// The size of the output terminal, or of the terminal fd; 80 x 25 when
// there is none.
TerminalSize terminal_size();
TerminalSize terminal_size_of(int fd);

// All of text, continued after a partial write or EINTR; false when the
// terminal is gone (EIO after a hangup).
bool terminal_write(const std::string &text);

// Counters for the benchmarks: bytes and write calls to the terminal.
struct TerminalStats {
    unsigned long long bytes;
    unsigned long long writes;
};
TerminalStats terminal_stats();

} // namespace posix_console
