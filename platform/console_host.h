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
void console_host_feed(const char *bytes, unsigned length);

// ExitProcess calls the hook instead of ending the process; the hook must
// not return (a test throws or jumps out). A null hook restores the default.
typedef void (*console_host_exit_hook)(unsigned code);
void console_host_set_exit_hook(console_host_exit_hook hook);

#ifdef __cplusplus
}
#endif
