// The one console object behind the handles: its screen buffer, its input
// queue and intake, its line history, where its output goes and where its
// input comes from, and the code page it converts through both ways. Every
// part reaches its own state here; opening a console replaces all of it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "codepage.h"
#include "input_queue.h"
#include "input_source.h"
#include "mutex.h"
#include "plain_transcript.h"
#include "posix_console.h"
#include "presenter.h"
#include "screen_buffer.h"

namespace posix_console {

// Where what the program writes ends up: a terminal (drawn by the
// presenter), plain UTF-8 text on standard output, or nowhere (headless).
enum class OutputSink { None, Terminal, Plain };

// Guards what the presenter's thread reads of the console (see the rule at
// the top of console_object.cpp).
extern SpinLock console_lock;

struct Console {
    bool started = false;
    ScreenBuffer screen GUARDED_BY(console_lock); // with the output mode
    size_t pending_bells GUARDED_BY(console_lock) = 0;
    // The screen buffer's version that the terminal shows.
    unsigned long presented_version GUARDED_BY(console_lock) = 0;
    InputQueue queue; // with the input mode
    Intake intake;
    std::vector<std::string> history; // the lines Up and Down recall
    OutputSink sink = OutputSink::None;
    InputSource input = InputSource::None;
    // The code page the program's bytes are shown through, and the one
    // typed text reaches it in: the same at the start, each set on its own.
    std::unique_ptr<CodePage> codepage;
    std::unique_ptr<CodePage> input_codepage;
    // The output code page's number, for the presenter to draw by.
    unsigned output_codepage GUARDED_BY(console_lock) = 0;
    std::unique_ptr<PlainTranscript> plain;
    // Plain output: standard output was closed at the start; the Windows
    // code of the first text that could not be written.
    bool output_closed = false;
    DWORD output_error = ERROR_SUCCESS;
};

// The object itself, started or not.
Console &console();

// Holds the console's lock for the rest of the scope, to read the screen.
class SCOPED_CAPABILITY ConsoleRead {
  public:
    ConsoleRead() ACQUIRE(console_lock) { console_lock.lock(); }
    ~ConsoleRead() RELEASE() { console_lock.unlock(); }
    ConsoleRead(const ConsoleRead &) = delete;
    ConsoleRead &operator=(const ConsoleRead &) = delete;
};

// Holds the console's lock for the rest of the scope, to change the screen;
// on its end the presenter learns that there is output to show.
class SCOPED_CAPABILITY ConsoleChange {
  public:
    ConsoleChange() ACQUIRE(console_lock);
    ~ConsoleChange() RELEASE();
    ConsoleChange(const ConsoleChange &) = delete;
    ConsoleChange &operator=(const ConsoleChange &) = delete;
};

// Text through the console's processed output: into the screen buffer and,
// in plain mode, straight out as UTF-8. Returns 0, or the Windows code of
// plain output that could not be written.
DWORD console_write(const unsigned char *bytes, size_t count) REQUIRES(console_lock);

// The cursor and region writes of the console, which plain output follows
// to lay out its lines. The cursor refuses a position outside the buffer.
bool console_set_cursor(COORD position) REQUIRES(console_lock);
DWORD console_write_region(COORD at, const unsigned char *bytes, DWORD count)
    REQUIRES(console_lock);

// The version of the screen buffer, which any change that can be seen moves.
unsigned long console_version();

// For the presenter: whether the screen changed or a bell rang since the
// last frame was taken.
bool console_has_news();

// For the presenter: the rows of the screen buffer that a terminal of
// `columns` x `rows` shows, its cursor and the bells rung since the last
// frame; false, with nothing copied, when nothing changed since then and
// `whole` (a repaint) is false.
bool console_take_frame(Frame &frame, int columns, int rows, bool whole);

// Shows the program's bytes through another code page from here on, text
// already on the screen included; typed text is then in `input`'s.
void console_set_output_codepage(std::unique_ptr<CodePage> codepage);
void console_set_input_codepage(std::unique_ptr<CodePage> codepage);

// The one teardown of the console: the screen brought up to date, a plain
// text's last byte out, the terminal given back. Output stops there.
void console_shut_down();

// Makes the console a fresh headless one with a screen buffer of the given
// size, giving back any terminal it had.
void console_open_headless(int columns, int rows);

} // namespace posix_console
