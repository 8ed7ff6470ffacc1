// Where the console's keys come from: a terminal in raw mode, a script (a
// pipe or file on standard input) or the test feed of a headless console.
// Bytes are taken in, decoded into key events and queued; Ctrl+C with
// processed input ends the program, Ctrl+Z from a terminal suspends it.
#pragma once

#include <stddef.h>

#include "win32_api.h"

namespace posix_console {

// The exit status when the input ends (a script's last byte has been read,
// or the terminal is gone) while the program waits for a key: the program
// did not finish its dialogue, which is a failure, not a success (0).
constexpr unsigned INPUT_END_EXIT_CODE = 1;
// Ctrl+C with processed input, as a shell reports a death by SIGINT.
constexpr unsigned CTRL_C_EXIT_CODE = 130;
// A lone ESC is the Escape key when nothing follows within this delay.
constexpr int ESCAPE_DELAY_MS = 30;
// How long a Peek that finds nothing waits for a terminal to send. The wait
// ends the moment a byte arrives, so it adds nothing to a key's way in; it
// only bounds how often a program that polls in a loop wakes up, each
// wake-up costing about 25 us on a virtual machine. A loop that has just
// drawn or taken a key waits PEEK_WAIT_MS; once nothing has come in or gone
// out for a while, the wait grows to an eighth of that quiet time, so that
// anything the program does on its own clock starts at most an eighth late
// (a loop drawing 60 frames a second never waits more than 2 ms). At
// IDLE_PEEK_WAIT_MAX_MS, reached after 0.4 s of quiet, an idle menu wakes
// 20 times a second, about 0.05% of a core; a program that starts drawing on
// its own after a long quiet starts at most that late, under a frame's
// worth at the rates people notice as motion.
constexpr int PEEK_WAIT_MS = 2;
constexpr int IDLE_WAIT_FRACTION = 8;
constexpr int IDLE_PEEK_WAIT_MAX_MS = 50;

// Takes in what a terminal has already sent, without waiting; deciding
// Ctrl+C by `mode`, the input mode in force as the bytes are taken in.
void input_source_take_available(DWORD mode);

// Waits until the queue holds at least one event. At the end of the input
// (nothing can come any more) the program ends with INPUT_END_EXIT_CODE.
void input_source_wait_for_event(DWORD mode);

// What a Peek does when the queue is empty: a terminal gets at most
// PEEK_WAIT_MS to become readable; script input is read for the next key.
void input_source_peek_wait(DWORD mode);

// Called before SetConsoleMode changes the mode from old_mode.
void input_source_mode_changing(DWORD old_mode);

// Script bytes for the headless console (console_host_feed).
void input_source_feed(const char *bytes, size_t length);

// Forgets undecoded bytes, the feed and the decoder's state.
void input_source_reset();

} // namespace posix_console
