// The presenter: the one writer of the terminal while the console is up. It
// owns what reaches the terminal: the copy of the rows it shows, the
// renderer and its glyphs, the output descriptor, the bytes that give the
// terminal back and the input modes; and the signal handlers that decide
// when the terminal is given back. On its own thread it draws the console's
// changes within FLUSH_PERIOD, and redraws after a resize or a resume, while
// the program's thread computes, blocks or writes on.
//
// A frame and the giving back are ordered: whoever gives the terminal back
// (the teardown, or a signal handler on any thread) first stops the frames,
// so that the restore is the last thing the terminal receives.
#pragma once

#include <stddef.h>

#include <vector>

#include "cells.h"
#include "terminal.h"

namespace posix_console {

// What the presenter draws: the rows of the screen buffer that the terminal
// shows, copied out of the console at the start of a frame.
struct Frame {
    std::vector<Cell> cells;
    int columns = 0;
    int rows = 0;
    COORD cursor = {0, 0};
    unsigned codepage = 0; // the output code page the cells are shown through
    size_t bells = 0;
    CellRows view() const { return CellRows{cells.data(), columns, rows, 0, cursor}; }
};

// Takes the terminal: keys from input_fd (-1: not a terminal), frames in
// the given code page to output_fd (-1: not drawn on), handlers for the
// signals that end, stop, resume or resize the process. With output the
// presenter's thread starts, and clears the screen first. False when the
// thread cannot start: the console then draws nothing.
bool presenter_start(int input_fd, int output_fd, unsigned codepage);

// A change was made to the screen: shown within FLUSH_PERIOD. Cheap: only
// the first change after a frame wakes the presenter.
void presenter_output_waiting();

// Brings the terminal up to date: returns once every change made before the
// call is written (at once when nothing changed).
void presenter_flush();

// Ctrl+Z read as a byte: the terminal given back and the process stopped as
// SIGTSTP does; returns after SIGCONT with the terminal taken again.
void presenter_suspend();

// The teardown's part: the last frame written, the presenter's thread
// ended, the terminal given back. Safe to call twice, and in a child of
// fork, which leaves the terminal to the process that took it.
void presenter_stop();

// Whether frames are drawn: the console is up with a terminal for output,
// in the process that took it.
bool presenter_draws();

} // namespace posix_console
