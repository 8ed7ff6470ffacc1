// A small program for the terminal test: paints coloured text through the
// console API, then leaves the way its first argument names. The second
// argument is a file that receives the process id once the screen is drawn.
//   tty_probe return|exit|bell|wait|suspend|segv|abort|flood|written|size PIDFILE
// (suspend: stops itself as Ctrl+Z does, then waits like wait; flood: 6000
// more lines of 60 bytes; written: exits with 100 + the error code when a
// write is refused and not claimed, 99 when it is claimed anyway; size:
// writes the buffer's size, a tab and text wider than any buffer.)
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <unistd.h>

#include <string>

#include "posix_console.h"
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
        raise(SIGWINCH); // a handler runs on this thread while the flusher lives
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
    for (int i = 0; i < 600; ++i) Sleep(100); // waits for a signal, a minute at most
    return 4;
}
