// The headless console for tests and tools: a screen buffer of any size with
// no terminal behind it, and an input queue back at its start.
#include "console_host.h"

#include "console_object.h"

extern "C" void console_host_open(int columns, int rows) {
    posix_console::console_open_headless(columns, rows);
}
