// Figures of the Linux console's terminal output: bytes and write calls for
// the menu's first paint, for a repaint that changes nothing and for a
// one-cell change; the time from start to the painted menu, in this process
// and for the menu program started anew; the time of a
// clear of a 120 x 9001 headless buffer; how soon written text reaches the
// terminal while the program computes, and the time of 100,000 short lines
// written in a tight loop. The menu is painted into a
// pseudo-terminal of 80 x 25 that this program drains; figures go to the
// original standard output.
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>

#include "con_input.h"
#include "con_output.h"
#include "console_host.h"
#include "menu.h"
#include "posix/tests/i386_exec.h"
#include "posix/tests/pseudo_terminal.h"
#include "posix_console.h"
#include "terminal.h"
#include "thread_pointer.h"

namespace {

double now_ms() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

const PseudoTerminal *own_terminal = nullptr;
FILE *report = stdout;

// Reads what the terminal received, so that the writes never block.
void drain() {
    own_terminal->read_available();
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

// A text written, then the program computes without calling the runtime:
// the time until its first byte can be read from the terminal.
void bench_visible_latency() {
    const int rounds = 20;
    double total = 0, worst = 0;
    for (int i = 0; i < rounds; ++i) {
        posix_console::flush();
        drain();
        double start = now_ms();
        con_write_text(i % 2 ? "A" : "B");
        double seen = -1;
        char byte;
        while (seen < 0 && now_ms() - start < 1000) {
            if (read(own_terminal->master(), &byte, 1) == 1) seen = now_ms() - start;
        }
        if (seen < 0) {
            fprintf(report, "%-44s not within 1000 ms\n",
                    "written text visible, program computing");
            return;
        }
        total += seen;
        worst = seen > worst ? seen : worst;
        con_pause(30); // lets the rest of the flush arrive
    }
    fprintf(report, "%-44s %9.3f ms mean, %.3f ms worst  goal: at most 20 ms\n",
            "written text visible, program computing", total / rounds, worst);
}

// 100,000 lines of a few characters each, as fast as the program can write
// them, and the flush that ends them; a thread reads the terminal meanwhile.
void bench_tight_loop() {
    std::atomic<bool> done{false};
    std::thread reader([&done] {
        while (!done) {
            pollfd ready{own_terminal->master(), POLLIN, 0};
            if (poll(&ready, 1, 10) > 0) drain();
        }
    });
    posix_console::reclaim_thread_pointer();
    posix_console::TerminalStats before = posix_console::terminal_stats();
    double start = now_ms();
    for (uint32_t i = 0; i < 100000; ++i) {
        con_write_text("line ");
        con_write_dec(i);
        con_newline();
    }
    posix_console::flush();
    double elapsed = now_ms() - start;
    done = true;
    reader.join();
    drain();
    posix_console::TerminalStats after = posix_console::terminal_stats();
    fprintf(report, "%-44s %9.3f ms (%llu write calls, %llu bytes)\n",
            "100,000 short lines in a tight loop", elapsed, after.writes - before.writes,
            after.bytes - before.bytes);
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

std::string program_beside_this_one(const char *name) {
    char self[4096];
    ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0) return "";
    std::string path(self, static_cast<size_t>(length));
    return path.substr(0, path.rfind('/') + 1) + name;
}

// The menu program itself on a pseudo-terminal of its own: from fork to the
// last byte of its first paint. The paint is one write; it is over when
// 200 ms pass without more.
void bench_menu_process() {
    std::string menu = program_beside_this_one("menu");
    PseudoTerminal pty(80, 25);
    if (access(menu.c_str(), X_OK) != 0 || !pty.ok()) {
        fprintf(report, "menu process: not measured (no %s or no pseudo-terminal)\n", menu.c_str());
        return;
    }
    double start = now_ms();
    pid_t child = fork();
    if (child == 0) {
        pty.take_as_controlling_terminal();
        char *const argv[] = {menu.data(), nullptr};
        i386_execv(menu.c_str(), argv);
        _exit(127);
    }
    double last = start;
    size_t total = 0;
    for (;;) {
        pollfd ready{pty.master(), POLLIN, 0};
        if (poll(&ready, 1, total == 0 ? 5000 : 200) <= 0) break;
        size_t n = pty.read_available().size();
        if (n == 0) break;
        total += n;
        last = now_ms();
    }
    kill(child, SIGTERM);
    pty.collect_until_end(child, 100);
    fprintf(report, "%-44s %9.3f ms (%zu bytes)\n", "menu process: fork and exec to painted menu",
            last - start, total);
}

} // namespace

int main() {
    bench_menu_process();
    double started = now_ms();
    // The program's standard input and output become a pseudo-terminal;
    // the figures keep going to where standard output went before.
    PseudoTerminal pty(80, 25);
    fflush(stdout);
    report = fdopen(dup(STDOUT_FILENO), "w");
    if (!pty.ok() || report == nullptr) {
        fprintf(stderr, "paint_posix_bench: no pseudo-terminal\n");
        return 1;
    }
    pty.become_standard_io();
    own_terminal = &pty;
    bench_terminal_paint(started);
    bench_visible_latency();
    bench_tight_loop();
    bench_headless_clear();
    fclose(report);
    return 0;
}
