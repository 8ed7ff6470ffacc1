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
#include "plain_transcript.h"
#include "posix_console.h"
#include "renderer.h"
#include "screen_buffer.h"

namespace posix_console {

// Where what the program writes ends up: a terminal (rendered at each
// flush), plain UTF-8 text on standard output, or nowhere (headless).
enum class OutputSink { None, Terminal, Plain };

struct Console {
    bool started = false;
    ScreenBuffer screen; // with the output mode
    InputQueue queue;    // with the input mode
    Intake intake;
    std::vector<std::string> history; // the lines Up and Down recall
    OutputSink sink = OutputSink::None;
    InputSource input = InputSource::None;
    std::unique_ptr<CodePage> codepage;
    std::unique_ptr<PlainTranscript> plain;
    size_t pending_bells = 0;
    Renderer renderer;
    // Bytes for the terminal that wait for the next flush (the first clear).
    std::string pending_output;
    // The screen buffer's version that the terminal shows.
    unsigned long rendered_version = 0;
    // Plain output: standard output was closed at the start; the Windows
    // code of the first text that could not be written.
    bool output_closed = false;
    DWORD output_error = ERROR_SUCCESS;
};

// The object itself, started or not.
Console &console();

// The program's thread changes the console while the flusher thread (started
// with a terminal) draws it: every change to the screen buffer is made while
// one of these lives. It holds the console's lock, and on its end the
// flusher learns that there is output to show.
class ConsoleChange {
  public:
    ConsoleChange();
    ~ConsoleChange();
    ConsoleChange(const ConsoleChange &) = delete;
    ConsoleChange &operator=(const ConsoleChange &) = delete;
};

// Text through the console's processed output: into the screen buffer and,
// in plain mode, straight out as UTF-8. Returns 0, or the Windows code of
// plain output that could not be written.
DWORD console_write(const unsigned char *bytes, size_t count);

// The cursor and region writes of the console, which plain output follows
// to lay out its lines. The cursor refuses a position outside the buffer.
bool console_set_cursor(COORD position);
DWORD console_write_region(COORD at, const unsigned char *bytes, DWORD count);

// The one teardown of the console: the screen brought up to date, a plain
// text's last byte out, the terminal given back. Output stops there.
void console_shut_down();

// Makes the console a fresh headless one with a screen buffer of the given
// size, giving back any terminal it had.
void console_open_headless(int columns, int rows);

} // namespace posix_console
