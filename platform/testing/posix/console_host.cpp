// The headless console for tests and tools: a screen buffer of any size with
// no terminal behind it, an input queue back at its start, script bytes fed
// to it, and an exit that a test can catch.
#include "console_host.h"

#include "console_object.h"
#include "input_source.h"
#include "posix_console.h"

extern "C" void console_host_open(int columns, int rows) {
    posix_console::console_open_headless(columns, rows);
}

extern "C" void console_host_feed(const char *bytes, unsigned length) {
    posix_console::ensure_started();
    if (bytes == nullptr) return;
    posix_console::input_source_feed(bytes, length);
}

extern "C" void console_host_set_exit_hook(console_host_exit_hook hook) {
    posix_console::set_exit_hook(hook);
}
