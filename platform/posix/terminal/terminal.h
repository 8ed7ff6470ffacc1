// The terminal: raw mode and its restoration on every way out, the size and
// its changes, stop and resume, and the one write per flush. The only piece
// of the console that calls write and tcsetattr on the terminal.
#pragma once

#include <stddef.h>

#include <string>

namespace posix_console {

struct TerminalSize {
    int columns;
    int rows;
};

// Takes the terminal: raw mode on input_fd when it is a terminal (-1: none),
// output to output_fd, and handlers for the signals that end, stop or resize
// the process. Restores everything it did if a step fails halfway.
void terminal_start(int input_fd, int output_fd);

// The one teardown: writes the restore bytes, puts back the saved termios
// and the signal handlers. Safe to call twice and after a half-done start.
void terminal_stop();

// Whether the terminal named by TERM can be drawn on with escape sequences:
// not when TERM is unset, empty or "dumb". One that cannot is sent none.
bool terminal_can_draw();

// The size of the output terminal; 80 x 25 when it has none.
TerminalSize terminal_size();

// All of text in one write call, continued after a partial write or EINTR.
bool terminal_write(const std::string &text);

// What the teardown writes to give the terminal back; kept ready in advance
// because a signal handler can only copy it out.
void terminal_set_restore_text(const std::string &text);

// Set by the signal handlers, taken by the next flush: the terminal changed
// size, or the process was resumed after a stop. Either way the screen has
// to be drawn again.
bool terminal_take_repaint();

// Ctrl+Z read as a byte: gives the terminal back and stops the process as
// SIGTSTP does; returns after SIGCONT with raw mode taken again.
void terminal_suspend();

// Counters for the benchmarks: bytes and write calls to the terminal.
struct TerminalStats {
    unsigned long long bytes;
    unsigned long long writes;
};
TerminalStats terminal_stats();

} // namespace posix_console
