// A small program for the terminal test: paints coloured text through the
// console API, then leaves the way its first argument names. The second
// argument is a file that receives the process id once the screen is drawn.
//   tty_probe return|exit|bell|wait|suspend|segv|abort|flood|written|size|
//             loop|compute|overflow|fork|pace PIDFILE
// (suspend: stops itself as Ctrl+Z does, then waits like wait; flood: 6000
// more lines of 60 bytes; written: exits with 100 + the error code when a
// write is refused and not claimed, 99 when it is claimed anyway; size:
// writes the buffer's size, a tab and text wider than any buffer; loop:
// coloured lines without pause for a minute; compute: a minute without a
// call to the runtime; overflow: recurses until the stack runs out; fork:
// a child writes and exits, the parent waits for it, then reads a key and
// writes it; pace: short lines for a second, then the terminal's write
// calls and bytes into PIDFILE.)
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <string>

#include "con_input.h"
#include "con_output.h"
#include "posix_console.h"
#include "terminal.h"
#include "win32.h"

namespace {

void write_text(HANDLE out, const char *text) {
    DWORD written = 0;
    WriteConsoleA(out, text, static_cast<DWORD>(strlen(text)), &written, nullptr);
}

void paint(HANDLE out) {
    SetConsoleTextAttribute(out, 0x1F);
    write_text(out, "\r\n  bright white on blue \xA1\x4B\r\n");
    SetConsoleTextAttribute(out, 0x2E);
    write_text(out, "  yellow on green\r\n");
    SetConsoleTextAttribute(out, 0x07);
    write_text(out, "  plain \x03 end\r\n");
}

// A real fault, and one that the undefined-behaviour checks do not stop
// first (as they would a store through a null pointer).
void write_to_read_only_page() {
    void *page = mmap(nullptr, 4096, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (page == MAP_FAILED) return;
    *static_cast<volatile int *>(page) = 1;
}

double now_ms() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// Each frame is told from the last by its colours and its count.
void loop(HANDLE out, double seconds) {
    double end = now_ms() + seconds * 1000;
    for (unsigned i = 0; now_ms() < end; ++i) {
        SetConsoleTextAttribute(out, static_cast<WORD>(0x10 * (1 + i % 6) + 0x0E));
        std::string line = "FLOOD " + std::to_string(i) + "\r\n";
        write_text(out, line.c_str());
    }
}

// Deeper until the stack runs out; the bound only hides that from the
// compiler, no stack holds that many frames.
volatile unsigned depth_limit = 0xFFFFFFFF;
unsigned recurse(unsigned depth) {
    volatile char frame[256];
    frame[0] = static_cast<char>(depth);
    if (depth == depth_limit) return 0;
    return recurse(depth + 1) + frame[0];
}

[[noreturn]] void fork_and_read_key() {
    con_write_text("before fork\r\n");
    con_pause(100);
    pid_t child = fork();
    if (child == 0) {
        con_write_text("child\r\n");
        exit(0);
    }
    waitpid(child, nullptr, 0);
    con_write_text("parent done\r\n");
    char key = con_read_char();
    con_write_text("key ");
    con_write_char(static_cast<uint8_t>(key));
    con_newline();
    ExitProcess(0);
}

void write_pace(HANDLE out, const char *file_name) {
    posix_console::TerminalStats before = posix_console::terminal_stats();
    double start = now_ms();
    for (unsigned i = 0; now_ms() - start < 1000; ++i) {
        std::string line = "line " + std::to_string(i) + "\r\n";
        write_text(out, line.c_str());
    }
    double elapsed = now_ms() - start;
    posix_console::TerminalStats after = posix_console::terminal_stats();
    if (FILE *file = fopen(file_name, "w")) {
        fprintf(file, "%llu %.0f\n", after.writes - before.writes, elapsed);
        fclose(file);
    }
}

void announce(const char *pid_file) {
    FILE *file = fopen(pid_file, "w");
    if (!file) return;
    fprintf(file, "%d\n", static_cast<int>(getpid()));
    fclose(file);
}

} // namespace

void flood(HANDLE out) {
    std::string line(58, '=');
    line += "\r\n";
    for (int i = 0; i < 6000; ++i) write_text(out, line.c_str());
}

void write_size(HANDLE out) {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    GetConsoleScreenBufferInfo(out, &info);
    std::string text = "size " + std::to_string(info.dwSize.X) + "x" +
                       std::to_string(info.dwSize.Y) + "\t" + std::string(40000, 'w') + "done";
    write_text(out, text.c_str());
}

[[noreturn]] void exit_with_write_result(HANDLE out) {
    DWORD written = 12345;
    if (WriteConsoleA(out, "x", 1, &written, nullptr)) ExitProcess(0);
    ExitProcess(written == 0 ? 100 + GetLastError() : 99);
}

int main(int argc, char **argv) {
    if (argc < 3) return 2;
    const char *mode = argv[1];
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    paint(out);
    Sleep(0); // the screen is drawn before anyone looks
    announce(argv[2]);
    if (strcmp(mode, "return") == 0) return 0;
    if (strcmp(mode, "exit") == 0) ExitProcess(3);
    if (strcmp(mode, "resized-exit") == 0) {
        raise(SIGWINCH); // a handler runs on this thread while the presenter lives
        ExitProcess(3);
    }
    if (strcmp(mode, "bell") == 0) {
        write_text(out, "\a");
        return 0;
    }
    if (strcmp(mode, "segv") == 0) write_to_read_only_page();
    if (strcmp(mode, "abort") == 0) abort();
    if (strcmp(mode, "suspend") == 0) posix_console::suspend();
    if (strcmp(mode, "flood") == 0) flood(out);
    if (strcmp(mode, "size") == 0) write_size(out);
    if (strcmp(mode, "flood") == 0 || strcmp(mode, "size") == 0) return 0;
    if (strcmp(mode, "written") == 0) exit_with_write_result(out);
    if (strcmp(mode, "loop") == 0) loop(out, 60);
    if (strcmp(mode, "compute") == 0) {
        for (double end = now_ms() + 60000; now_ms() < end;) {
        }
    }
    if (strcmp(mode, "overflow") == 0) return static_cast<int>(recurse(0));
    if (strcmp(mode, "fork") == 0) fork_and_read_key();
    if (strcmp(mode, "pace") == 0) {
        write_pace(out, argv[2]);
        return 0;
    }
    for (int i = 0; i < 600; ++i) Sleep(100); // waits for a signal, a minute at most
    return 4;
}
