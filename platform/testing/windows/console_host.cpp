// Test support on Windows: the process's own console, resized and cleared so
// that every test starts from the same screen a fresh console would show.
// Script input and exit hooks exist only in our Linux console; tests that need
// them are built for Linux alone, so here they stop the process loudly.
#include "console_host.h"

#include <stdio.h>
#include <stdlib.h>

#include "win32.h"

namespace {

constexpr WORD DEFAULT_ATTRIBUTE = 0x07;

[[noreturn]] void host_refuse(const char *what) {
    fprintf(stderr, "console_host: %s exists only on the Linux console\n", what);
    fflush(stderr);
    abort();
}

[[noreturn]] void host_refuse_without_console() {
    fprintf(stderr, "console_host: this process has no console (run it from a terminal, "
                    "or under tools/wine-run)\n");
    fflush(stderr);
    abort();
}

// A window may never be larger than its buffer, so it shrinks to one cell
// first; then the buffer takes its size and the window grows back as far as
// the display allows.
void screen_resize(HANDLE output, SHORT columns, SHORT rows) {
    SMALL_RECT tiny = {0, 0, 0, 0};
    SetConsoleWindowInfo(output, TRUE, &tiny);
    COORD size = {columns, rows};
    SetConsoleScreenBufferSize(output, size);
    COORD largest = GetLargestConsoleWindowSize(output);
    SHORT width = largest.X > 0 && largest.X < columns ? largest.X : columns;
    SHORT height = largest.Y > 0 && largest.Y < rows ? largest.Y : rows;
    SMALL_RECT window = {0, 0, static_cast<SHORT>(width - 1), static_cast<SHORT>(height - 1)};
    SetConsoleWindowInfo(output, TRUE, &window);
}

void screen_blank(HANDLE output) {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleScreenBufferInfo(output, &info)) return;
    DWORD cells = static_cast<DWORD>(info.dwSize.X) * static_cast<DWORD>(info.dwSize.Y);
    COORD origin = {0, 0};
    DWORD done = 0;
    FillConsoleOutputCharacterA(output, ' ', cells, origin, &done);
    FillConsoleOutputAttribute(output, DEFAULT_ATTRIBUTE, cells, origin, &done);
    SetConsoleCursorPosition(output, origin);
    SetConsoleTextAttribute(output, DEFAULT_ATTRIBUTE);
}

// A test runner may take the standard output for its report; the console
// is still there, and the runtime and the tests find it through the
// standard handles, so those are pointed at it. The C library keeps the
// original stream, so the report goes where the runner wanted it.
HANDLE std_handle_on_console(DWORD which, const char *device) {
    HANDLE handle = GetStdHandle(which);
    DWORD mode = 0;
    if (GetConsoleMode(handle, &mode)) return handle;
    handle = CreateFileA(device, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                         nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) host_refuse_without_console();
    SetStdHandle(which, handle);
    return handle;
}

// Wine's ntdll exports its version; Windows' does not.
bool running_on_wine() {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

struct Divergence {
    console_divergence what;
    const char *reason;
};

// Each was seen on Wine 8.0; the Windows side is the Windows console's own.
constexpr Divergence WINE_DIVERGENCES[] = {
    {DIVERGENCE_SCROLLED_ROW_ATTRIBUTE,
     "Wine fills the row a scroll brings in with 0x07; Windows uses the attribute in force"},
    {DIVERGENCE_WRITTEN_NUL, "Wine stores a written NUL byte as it is; Windows writes a blank"},
    {DIVERGENCE_LINE_ESCAPE,
     "Wine's line editing stores the Escape key as 0x1B; Windows clears the line"},
    {DIVERGENCE_RAW_READ_ESCAPE,
     "Wine returns the Escape key as 0x1B in a raw ReadConsoleA; Windows drops it"},
};

} // namespace

extern "C" {

const char *console_host_known_divergence(console_divergence what) {
    static const bool wine = running_on_wine();
    if (!wine) return nullptr;
    for (const Divergence &d : WINE_DIVERGENCES)
        if (d.what == what) return d.reason;
    return nullptr;
}

void console_host_open(int columns, int rows) {
    HANDLE output = std_handle_on_console(STD_OUTPUT_HANDLE, "CONOUT$");
    HANDLE input = std_handle_on_console(STD_INPUT_HANDLE, "CONIN$");
    screen_resize(output, static_cast<SHORT>(columns), static_cast<SHORT>(rows));
    screen_blank(output);
    SetConsoleMode(input, DEFAULT_INPUT_MODE);
    FlushConsoleInputBuffer(input);
}

void console_host_feed(const char *, unsigned) {
    host_refuse("console_host_feed");
}

// ExitProcess is the system's own here and cannot be diverted; clearing the
// hook is what every test does on its way out, and is harmless.
void console_host_set_exit_hook(console_host_exit_hook hook) {
    if (hook) host_refuse("console_host_set_exit_hook");
}

} // extern "C"
