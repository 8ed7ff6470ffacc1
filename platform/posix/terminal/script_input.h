// The bytes of a script on standard input (a pipe or a file). They are
// looked at in blocks, but taken from the input only as the program uses
// them: what the program leaves stays there for the next reader of the same
// pipe or file.
#pragma once

namespace posix_console {

// The next byte of the script on fd; -1 at its end. Before it waits for
// bytes that are not there yet, `before_wait` runs (the prompt is shown).
// A pipe left in non-blocking mode is waited on, not taken as ended.
int script_next_byte(int fd, void (*before_wait)());

// Gives back what was looked at but not used: the program ends.
void script_give_back(int fd);

// Forgets what was looked at (a new console).
void script_reset();

} // namespace posix_console
