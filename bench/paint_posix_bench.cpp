// Figures of the Linux console's terminal output: bytes and write calls for
// the menu's first paint, for a repaint that changes nothing and for a
// one-cell change; the time from start to the painted menu; the time of a
// clear of a 120 x 9001 headless buffer. The menu is painted into a
// pseudo-terminal of 80 x 25 that this program drains; figures go to the
// original standard output.
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include "con_output.h"
#include "console_host.h"
#include "menu.h"
#include "posix/posix_console.h"
#include "posix/terminal.h"

namespace {

double now_ms() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

int master_fd = -1;
FILE *report = nullptr;

// The program's standard input and output become a pseudo-terminal; the
// figures keep going to where standard output went before.
bool open_pseudo_terminal() {
    master_fd = posix_openpt(O_RDWR | O_NOCTTY);
    if (master_fd < 0 || grantpt(master_fd) != 0 || unlockpt(master_fd) != 0) return false;
    int terminal = open(ptsname(master_fd), O_RDWR | O_NOCTTY);
    if (terminal < 0) return false;
    winsize size{};
    size.ws_col = 80;
    size.ws_row = 25;
    ioctl(terminal, TIOCSWINSZ, &size);
    report = fdopen(dup(STDOUT_FILENO), "w");
    dup2(terminal, STDIN_FILENO);
    dup2(terminal, STDOUT_FILENO);
    close(terminal);
    fcntl(master_fd, F_SETFL, O_NONBLOCK);
    return report != nullptr;
}

// Reads what the terminal received, so that the writes never block.
void drain() {
    char buffer[4096];
    while (read(master_fd, buffer, sizeof buffer) > 0) {
    }
}

struct Step {
    unsigned long long bytes;
    unsigned long long writes;
};

// Runs an action and a flush; what went to the terminal for it.
template <typename Action> Step measure(Action action) {
    posix_console::TerminalStats before = posix_console::terminal_stats();
    action();
    posix_console::flush();
    drain();
    posix_console::TerminalStats after = posix_console::terminal_stats();
    return Step{after.bytes - before.bytes, after.writes - before.writes};
}

void print_step(const char *what, Step step, const char *goal) {
    fprintf(report, "%-44s %6llu bytes %3llu write calls  %s\n", what, step.bytes, step.writes,
            goal);
}

void bench_terminal_paint(double started) {
    Step first = measure([] { paint_menu(); });
    double painted = now_ms();
    print_step("menu, first paint (from a cleared screen)", first, "");
    fprintf(report, "%-44s %9.3f ms\n", "start to painted menu", painted - started);
    print_step("menu, second paint (buffer turns blue)", measure([] { paint_menu(); }), "");
    print_step("menu, repaint with no change", measure([] { paint_menu(); }), "goal: 0 bytes");
    print_step("flush with nothing written", measure([] {}), "goal: 0 bytes");
    print_step("one cell changed", measure([] {
                   con_goto(12, 40);
                   con_write_char('X');
                   con_goto(15, 0);
               }),
               "goal: at most 25 bytes");
}

void bench_headless_clear() {
    console_host_open(120, 9001);
    con_set_color(0x1F);
    const int rounds = 20;
    double start = now_ms();
    for (int i = 0; i < rounds; ++i) con_clear_screen();
    double each = (now_ms() - start) / rounds;
    fprintf(report, "%-44s %9.3f ms (mean of %d)\n", "con_clear_screen, 120 x 9001 headless", each,
            rounds);
}

} // namespace

int main() {
    double started = now_ms();
    if (!open_pseudo_terminal()) {
        fprintf(stderr, "paint_posix_bench: no pseudo-terminal\n");
        return 1;
    }
    bench_terminal_paint(started);
    bench_headless_clear();
    fclose(report);
    return 0;
}
