// The terminal's modes and writes. Everything here that a signal handler
// calls uses only async-signal-safe calls (write, tcsetattr) on data set up
// by terminal_open.
#include "terminal.h"

#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <string_view>

#include "write_all.h"

namespace posix_console {

namespace {

// Bracketed paste, and win32-input-mode where the terminal honours it: the
// key decoder reads both, and a terminal that knows neither ignores them.
constexpr std::string_view INPUT_MODES_ON = "\x1b[?2004h\x1b[?9001h";
constexpr std::string_view INPUT_MODES_OFF = "\x1b[?9001l\x1b[?2004l";

// Set once by terminal_open, before any handler that reads them exists.
struct TerminalState {
    int input_fd = -1;
    int output_fd = -1;
    bool have_termios = false;
    bool can_draw = false;
    termios original{};
    termios raw{};
};
TerminalState state;

// Written by the presenter's thread, read by the benchmarks on theirs.
std::atomic<unsigned long long> bytes_written{0};
std::atomic<unsigned long long> write_calls{0};

// The input modes go to the terminal being drawn on, or the one keys come
// from when output goes elsewhere. From a signal handler too: a terminal
// that takes nothing more is left.
void send_input_modes(std::string_view modes) {
    if (!state.have_termios || !state.can_draw) return;
    int fd = state.output_fd >= 0 ? state.output_fd : state.input_fd;
    write_all(fd, modes.data(), modes.size(), false);
}

void make_raw(termios &mode) {
    mode.c_lflag &= ~static_cast<tcflag_t>(ISIG | ICANON | ECHO | IEXTEN);
    mode.c_iflag &= ~static_cast<tcflag_t>(IXON | ICRNL);
    mode.c_cc[VMIN] = 1;
    mode.c_cc[VTIME] = 0;
}

} // namespace

bool terminal_open(int input_fd, int output_fd) {
    state.input_fd = input_fd;
    state.output_fd = output_fd;
    state.can_draw = terminal_can_draw();
    state.have_termios = false;
    if (input_fd >= 0 && tcgetattr(input_fd, &state.original) == 0) {
        state.raw = state.original;
        make_raw(state.raw);
        state.have_termios = tcsetattr(input_fd, TCSADRAIN, &state.raw) == 0;
    }
    send_input_modes(INPUT_MODES_ON);
    return state.have_termios;
}

void terminal_take_raw_mode() {
    if (!state.have_termios) return;
    tcsetattr(state.input_fd, TCSADRAIN, &state.raw);
    send_input_modes(INPUT_MODES_ON);
}

void terminal_give_back(const char *restore, size_t length) {
    send_input_modes(INPUT_MODES_OFF);
    if (state.output_fd >= 0) write_all(state.output_fd, restore, length, false);
    if (state.have_termios) tcsetattr(state.input_fd, TCSADRAIN, &state.original);
}

bool terminal_can_draw() {
    const char *name = getenv("TERM");
    return name != nullptr && *name != '\0' && strcmp(name, "dumb") != 0;
}

TerminalSize terminal_size_of(int fd) {
    winsize size{};
    if (fd >= 0 && ioctl(fd, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 && size.ws_row > 0)
        return TerminalSize{size.ws_col, size.ws_row};
    return TerminalSize{80, 25};
}

TerminalSize terminal_size() {
    return terminal_size_of(state.output_fd);
}

bool terminal_write(const std::string &text) {
    unsigned long long calls = 0;
    int error = write_all(state.output_fd, text.data(), text.size(), true, &calls);
    write_calls += calls;
    if (error != 0) return false;
    bytes_written += text.size();
    return true;
}

TerminalStats terminal_stats() {
    return TerminalStats{bytes_written.load(), write_calls.load()};
}

} // namespace posix_console
