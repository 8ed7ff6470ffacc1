// Support for tests and tools that need a console of their own making.
// On Linux the console is our model with no terminal behind it (headless);
// on Windows it is the process's real console, resized and cleared.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

// Gives the process a fresh console of the given size: every cell a blank in
// attribute 0x07, the cursor at the top left, the attribute in force 0x07,
// the input queue empty and the input mode at its default.
void console_host_open(int columns, int rows);

// Script input for the headless console: the bytes become keys and lines
// only as the program asks for input, exactly as piped standard input does.
// Once a console has been fed, a Peek or read that finds the feed used up
// ends the process with status 1, as the end of piped input does; a console
// never fed answers a Peek with nothing.
void console_host_feed(const char *bytes, unsigned length);

// ExitProcess calls the hook instead of ending the process; the hook must
// not return (a test throws or jumps out). A null hook restores the default.
typedef void (*console_host_exit_hook)(unsigned code);
void console_host_set_exit_hook(console_host_exit_hook hook);

// Behaviours on which a console known to tests (Wine's) departs from the
// Windows console. Ours follows Windows on all of them.
typedef enum console_divergence {
    DIVERGENCE_SCROLLED_ROW_ATTRIBUTE, // the row a scroll brings in
    DIVERGENCE_WRITTEN_NUL,            // a NUL byte written by WriteConsoleA
    DIVERGENCE_LINE_ESCAPE,            // the Escape key while a line is typed
    DIVERGENCE_RAW_READ_ESCAPE,        // the Escape key in a raw ReadConsoleA
} console_divergence;

// Why this console departs from Windows on the behaviour, or null when it
// behaves as Windows does. Tests skip a check with the reason given.
const char *console_host_known_divergence(console_divergence what);

#ifdef __cplusplus
}
#endif
