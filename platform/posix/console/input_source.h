// Where the console's keys come from: a terminal in raw mode, a script (a
// pipe or file on standard input) or the test feed of a headless console.
// Bytes are taken in, decoded into key events and queued; Ctrl+C with
// processed input ends the program, Ctrl+Z from a terminal suspends it.
//
// What a call does when the queue is empty, by where input comes from (the
// test that holds each row to it after the arrow; terminal_keys names a
// check):
//
// clang-format off
//  call            | from          | what happens
//  ----------------+---------------+--------------------------------------------
//  Peek            | terminal      | takes in what arrived, then waits at most
//                  |               | PEEK_WAIT_MS (longer after a quiet spell,
//                  |               | see below); with processed input off only
//                  |               | if the mode was not set since the last Peek
//                  |               | (a key poll's mode 0 reads nothing)
//                  |               |   -> terminal_keys "raw: Ctrl+C is a key"
//  SetConsoleMode  | terminal      | takes in what arrived under an old mode with
//                  |               | processed input, unless the last Peek found
//                  |               | the terminal silent  -> terminal_keys
//                  |               |   "poll: Ctrl+C ends the program with 130"
//  Peek            | script, feed  | reads one key, no more
//                  |               |   -> ScriptBytesAreReadOnlyAsTheProgramAsks
//  line read after | script, feed  | starts on the next script line
//  a polled key    |               |   -> ALineReadAfterAPolledKeyStartsOnTheNextScriptLine
//  poll after a    | script, feed  | takes the next key of the same line, its end
//  polled key      |               | as Enter  -> PollsGetTheLineEndsAsEnter
//  message box     | script, feed  | after a polled key starts on the next line
//                  |               |   -> ABoxAfterAKeyPollStartsOnTheNextScriptLine
//  message box key | script, feed  | takes the rest of its line with it
//                  |               |   -> EachScriptLineAnswersOneBox
//  any wait        | script end    | an open last line ends with Enter; else the
//                  |               | program ends with INPUT_END_EXIT_CODE
//                  |               |   -> TheEndOfTheScriptEndsTheProgramWhenAKeyIsNeeded
//  any wait        | nothing       | the program ends with INPUT_END_EXIT_CODE
//                  |               |   -> AReadThatMustWaitForNothingEndsTheProgram
// clang-format on
#pragma once

#include <stddef.h>

#include <chrono>
#include <string>

#include "key_decoder.h"
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
// A bracketed paste arrives in one burst: when the terminal has been found
// with nothing to send for this long, a paste still open has lost its end,
// and what comes next is keys again.
constexpr int PASTE_IDLE_MS = 500;
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

enum class LineSkip { None, BeforeLineRead, BeforeAnyRead };

// The console's bytes on their way to becoming keys.
struct Intake {
    using Clock = std::chrono::steady_clock;
    std::string raw; // bytes taken in, not yet decoded, from raw_start on
    size_t raw_start = 0;
    DecoderState decoder;
    Clock::time_point last_arrival;
    // Since when the terminal was found with nothing to read (reset by
    // every arrival): silence as seen, not time the program was busy.
    Clock::time_point found_empty;
    bool empty_found = false;
    bool terminal_gone = false;
    bool mode_set_since_peek = false;
    bool peek_found_nothing = false; // the last Peek's wait ran out, nothing arrived
    unsigned long seen_version = 0;  // the screen as the last Peek found it
    Clock::time_point quiet_since;   // when the screen last changed
    std::string feed;
    size_t feed_position = 0;
    // Keys of the current script line have been taken, its line end not yet.
    bool script_line_open = false;
    // A question was answered by a key of the open script line: what
    // follows on that line is skipped before the next line read (after a
    // key poll) or the next read of any kind (after a message box).
    LineSkip skip = LineSkip::None;
};

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

} // namespace posix_console
