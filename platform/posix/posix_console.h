// The seam between the pieces of our POSIX console: what the output side
// (screen buffer, renderer, terminal, process exit) and the input side (key
// decoder, input queue, line reader) ask of each other. The state they keep
// is the console object's (console_object.h).
#pragma once

#include <stddef.h>

#include <string>
#include <vector>

#include "cells.h"
#include "win32_api.h"

namespace posix_console {

// ---- output side ----

// Starts the console on first use: decides whether stdin and stdout are
// terminals, takes the terminal into raw mode, sizes the screen buffer and
// installs the handlers that give the terminal back on every way out.
void ensure_started();

// Writes bytes into the screen buffer at the cursor as WriteConsoleA does
// (processed output, wrap at end of line), and nowhere else: the line
// reader echoes its edits with it.
void echo(const char *bytes, size_t count);

// A line as it was read, for plain output only: there the transcript shows
// the line the program got, not the keys that edited it.
void echo_transcript(const std::string &line);

// Moves the cursor of the screen buffer (the line reader redraws its line).
COORD cursor();
void set_cursor(COORD position);
COORD buffer_size();

// The cells from `at` on exactly as they stand (both halves of a wide
// character, whatever the code page), and the same put back as they were:
// what a message box covers comes back whole.
std::vector<Cell> saved_cells(COORD at, int count);
void restore_cells(COORD at, const std::vector<Cell> &cells);

// The output mode of the screen buffer. Only processed output and wrap at
// the end of the line are implemented; a mode with any other flag is
// refused (false) and changes nothing.
inline constexpr DWORD OUTPUT_MODES = ENABLE_PROCESSED_OUTPUT | ENABLE_WRAP_AT_EOL_OUTPUT;
DWORD output_mode();
bool set_output_mode(DWORD mode);

// Brings the terminal up to date: returns once the presenter has written
// what changed, in one write. Called before any wait for input; the
// presenter draws every change within a few milliseconds anyway.
void flush();

// Where keys come from: a terminal in raw mode, a pipe or file (script
// mode), the test feed of a headless console (read as a script is), or
// nothing (a headless console never fed).
enum class InputSource { Terminal, Script, Feed, None };
InputSource input_source();
int input_fd();

// Ctrl+Z: gives the terminal back, stops the process, and on resume takes
// raw mode again and repaints.
void suspend();

// Ends the process through the one teardown (flush, terminal restored).
[[noreturn]] void exit_process(unsigned code);

// ExitProcess calls the hook, when set, instead of ending the process.
using ExitHook = void (*)(unsigned code);
void set_exit_hook(ExitHook hook);

// ---- input side ----

// The program ends: what the console looked at of a script but did not use
// goes back to standard input, for whoever reads it next.
void input_give_back();

// A question that takes a script line of its own (a message box) begins:
// the rest of a line a key poll took its key from is skipped first.
void script_question_begins();
// Such a question was answered by a key of a script line: the rest of that
// line goes with it, and the next read starts on the next line.
void script_line_answered();

} // namespace posix_console
