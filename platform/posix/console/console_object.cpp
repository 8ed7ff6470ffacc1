// The console object and the output side of the seam between the pieces:
// start on first use, processed output, cursor, flush, suspend and exit.
//
// The locking rule. Two threads meet here: the program's, which calls the
// entry points and is the only one that changes the console, and, with a
// terminal for output, the presenter's, which reads the screen to draw it
// (presenter.h). console_lock guards what they share: the screen buffer,
// the bells rung and the version the terminal shows (GUARDED_BY below,
// checked by clang's -Wthread-safety). Every entry point that touches
// those takes the lock for the whole of its work, through ConsoleChange
// (which wakes the presenter at its end) or ConsoleRead: the Windows calls
// in console_output.cpp, and the seam functions of posix_console.h here.
// The console_* functions that require it are called with it held. The
// presenter takes it only in console_take_frame, to copy the rows it
// shows. Not recursive: a change never flushes, and a flush changes
// nothing. The rest of the console is the program thread's alone. It is a
// spin lock: the program's thread takes it for every change, many
// thousands a second, and finds it free nearly always, where a mutex costs
// more (write_loop_* in bench/inprocess_posix_bench.cpp).
#include "console_object.h"

#include <errno.h>
#include <fcntl.h>
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <new>
#include <utility>

#include "script_input.h"
#include "system_errors.h"
#include "terminal.h"
#include "write_all.h"

namespace posix_console {

SpinLock console_lock;

namespace {

Console the_console;

// A child of fork shares the parent's terminal but does not own it: it
// draws nothing and never gives the terminal back. What it writes passes
// through as plain text at the terminal's cursor, as a pipe would get it:
// its copy of the screen is the parent's as of the fork, so drawing it
// would put back what the parent has changed since, and its text shows on
// the shared screen as a Windows console shows every attached process's.
// The lock is taken around the fork so that no frame is being copied.
void fork_prepare() NO_THREAD_SAFETY_ANALYSIS {
    console_lock.lock();
}
void fork_parent() NO_THREAD_SAFETY_ANALYSIS {
    console_lock.unlock();
}
void fork_child() NO_THREAD_SAFETY_ANALYSIS {
    console_lock.unlock();
    if (the_console.sink == OutputSink::Terminal) the_console.sink = OutputSink::Plain;
}

// All of the text, waiting while a non-blocking pipe is full; 0 or the
// Windows code of the failure (a full disk, a closed pipe).
DWORD write_plain(const std::string &text) {
    int error = write_all(STDOUT_FILENO, text.data(), text.size(), true);
    return error == 0 ? ERROR_SUCCESS : windows_error_from_errno(error);
}

// The first output that was lost is what the exit status reports.
DWORD note_output_error(DWORD error) {
    if (error != ERROR_SUCCESS && the_console.output_error == ERROR_SUCCESS)
        the_console.output_error = error;
    return error;
}

DWORD write_plain_text(const std::string &text) {
    if (the_console.output_closed) return note_output_error(ERROR_INVALID_HANDLE);
    return note_output_error(write_plain(text));
}

// A closed standard output stays closed for the console, and /dev/null
// holds its place so that no file opened later is taken for it.
bool hold_closed_output() {
    if (fcntl(STDOUT_FILENO, F_GETFD) >= 0 || errno != EBADF) return false;
    int fd = open("/dev/null", O_WRONLY);
    if (fd >= 0 && fd != STDOUT_FILENO) {
        dup2(fd, STDOUT_FILENO);
        close(fd);
    }
    return true;
}

// What every console has, headless or not.
void start_console_common() {
    Console &c = the_console;
    c.started = true;
    unsigned number = codepage_from_environment();
    c.input_codepage = std::make_unique<CodePage>(number);
    c.plain.reset();
    console_set_output_codepage(std::make_unique<CodePage>(number));
}

// Stdin a terminal: raw mode, keys decoded by the input side; otherwise a
// script. Stdout a terminal: drawn by the presenter, the screen buffer its
// size and the screen cleared at the first frame; otherwise plain text,
// 80 x 25.
void start_console_streams() {
    Console &c = the_console;
    c.output_closed = hold_closed_output();
    bool input_is_terminal = isatty(STDIN_FILENO) == 1;
    // A terminal that cannot draw (TERM=dumb) gets plain text, as a pipe does.
    bool output_is_terminal = isatty(STDOUT_FILENO) == 1 && terminal_can_draw();
    c.input = input_is_terminal ? InputSource::Terminal : InputSource::Script;
    c.sink = output_is_terminal ? OutputSink::Terminal : OutputSink::Plain;
    TerminalSize size = output_is_terminal ? terminal_size_of(STDOUT_FILENO) : TerminalSize{80, 25};
    {
        const ConsoleChange change;
        c.screen.reset(size.columns, size.rows);
    }
    if (!input_is_terminal && !output_is_terminal) return;
    bool drawn = presenter_start(input_is_terminal ? STDIN_FILENO : -1,
                                 output_is_terminal ? STDOUT_FILENO : -1, c.codepage->number());
    if (output_is_terminal && !drawn) c.sink = OutputSink::None;
}

// A program that would end well ends with the Windows code of its lost
// output instead, and says so on standard error. That exit skips the exit
// handlers registered before the console started.
void at_exit(int status, void *) {
    console_shut_down();
    DWORD lost = the_console.output_error;
    if (status != 0 || lost == ERROR_SUCCESS) return;
    const char *reason = system_error_text(lost);
    std::string note =
        std::string("conrt: standard output was not written: ") + (reason ? reason : "") + "\n";
    (void)!::write(STDERR_FILENO, note.data(), note.size());
    fflush(nullptr);
    _exit(static_cast<int>(lost & 0xFF));
}

} // namespace

Console &console() {
    return the_console;
}

ConsoleChange::ConsoleChange() {
    console_lock.lock();
}

ConsoleChange::~ConsoleChange() {
    console_lock.unlock();
    presenter_output_waiting();
}

void ensure_started() {
    if (the_console.started) return;
    static const bool fork_handled = pthread_atfork(fork_prepare, fork_parent, fork_child) == 0;
    (void)fork_handled;
    start_console_common();
    start_console_streams();
    on_exit(at_exit, nullptr);
}

void console_shut_down() {
    Console &c = the_console;
    if (!c.started) return;
    presenter_stop();
    if (c.sink == OutputSink::Plain) {
        std::string rest;
        c.plain->finish(rest);
        write_plain_text(rest);
    }
    c.sink = OutputSink::None;
    input_give_back();
}

// A headless console never touches the terminal, even as the first thing a
// test does; one that had a terminal gives it back first. The code page is
// read again, so that a test can choose it before it opens the console.
void console_open_headless(int columns, int rows) {
    console_shut_down();
    {
        const ConsoleChange change;
        the_console = Console{};
    }
    script_reset();
    start_console_common();
    the_console.input = InputSource::None;
    const ConsoleChange change;
    the_console.screen.reset(columns, rows);
}

DWORD console_write(const unsigned char *bytes, size_t count) {
    Console &c = the_console;
    c.pending_bells += c.screen.write_processed(bytes, count);
    if (c.sink != OutputSink::Plain) return ERROR_SUCCESS;
    std::string text;
    c.plain->write(bytes, count, c.screen.columns(), text);
    return write_plain_text(text);
}

bool console_set_cursor(COORD position) {
    Console &c = the_console;
    SHORT row = c.screen.cursor().Y;
    if (!c.screen.set_cursor(position)) return false;
    if (c.sink == OutputSink::Plain) {
        std::string text;
        c.plain->cursor_moved(position.Y != row, text);
        write_plain_text(text);
    }
    return true;
}

// The runtime clears the screen by writing blanks over it from the top left
// corner: for plain output that starts a new page.
DWORD console_write_region(COORD at, const unsigned char *bytes, DWORD count) {
    Console &c = the_console;
    if (c.sink == OutputSink::Plain && at.X == 0 && at.Y == 0 && count > 0 &&
        std::all_of(bytes, bytes + count, [](unsigned char b) { return b == ' '; })) {
        std::string text;
        c.plain->screen_cleared(text);
        write_plain_text(text);
    }
    return c.screen.write_bytes(at, bytes, count);
}

unsigned long console_version() {
    const ConsoleRead read;
    return the_console.screen.version();
}

bool console_has_news() {
    const ConsoleRead read;
    const Console &c = the_console;
    return c.screen.version() != c.presented_version || c.pending_bells > 0;
}

// Only the rows and columns the terminal shows are copied: the lock is held
// for a copy of the terminal's size, however tall the buffer.
void console_set_output_codepage(std::unique_ptr<CodePage> codepage) {
    Console &c = the_console;
    if (c.plain)
        c.plain->set_codepage(*codepage);
    else
        c.plain = std::make_unique<PlainTranscript>(*codepage);
    const ConsoleChange change;
    c.screen.set_lead_bytes(codepage->lead_bytes());
    c.screen.set_utf8(codepage->is_utf8());
    c.output_codepage = codepage->number();
    c.codepage = std::move(codepage); // the transcript no longer reads the old one
}

void console_set_input_codepage(std::unique_ptr<CodePage> codepage) {
    the_console.input_codepage = std::move(codepage);
}

bool console_take_frame(Frame &frame, int columns, int rows, bool whole) {
    const ConsoleRead read;
    Console &c = the_console;
    if (!whole && c.screen.version() == c.presented_version && c.pending_bells == 0) return false;
    frame.columns = std::min(columns, c.screen.columns());
    frame.rows = std::min(rows, c.screen.rows());
    frame.cells.resize(static_cast<size_t>(frame.columns) * static_cast<size_t>(frame.rows));
    for (int r = 0; r < frame.rows; ++r) {
        const Cell *row = std::as_const(c.screen).row(r);
        std::copy(row, row + frame.columns,
                  frame.cells.begin() + static_cast<ptrdiff_t>(r) * frame.columns);
    }
    frame.cursor = c.screen.cursor();
    frame.codepage = c.output_codepage;
    frame.bells = c.pending_bells;
    c.pending_bells = 0;
    c.presented_version = c.screen.version();
    return true;
}

void echo(const char *bytes, size_t count) {
    ensure_started();
    Console &c = the_console;
    const ConsoleChange change;
    c.pending_bells +=
        c.screen.write_processed(reinterpret_cast<const unsigned char *>(bytes), count);
}

void echo_transcript(const std::string &line) {
    ensure_started();
    Console &c = the_console;
    if (c.sink != OutputSink::Plain) return;
    std::string text;
    const ConsoleRead read;
    c.plain->write(reinterpret_cast<const unsigned char *>(line.data()), line.size(),
                   c.screen.columns(), text);
    write_plain_text(text);
}

std::vector<Cell> saved_cells(COORD at, int count) {
    ensure_started();
    const ConsoleRead read;
    return the_console.screen.read_cells(at, static_cast<DWORD>(std::max(count, 0)));
}

void restore_cells(COORD at, const std::vector<Cell> &cells) {
    ensure_started();
    const ConsoleChange change;
    the_console.screen.write_cells(at, cells);
}

COORD cursor() {
    ensure_started();
    const ConsoleRead read;
    return the_console.screen.cursor();
}

// Screen only: plain output shows the line the editor delivers instead.
void set_cursor(COORD position) {
    ensure_started();
    const ConsoleChange change;
    the_console.screen.set_cursor(position);
}

DWORD output_mode() {
    ensure_started();
    const ConsoleRead read;
    return the_console.screen.mode();
}

bool set_output_mode(DWORD mode) {
    ensure_started();
    if (mode & ~OUTPUT_MODES) return false;
    const ConsoleChange change;
    the_console.screen.set_mode(mode);
    return true;
}

COORD buffer_size() {
    ensure_started();
    const ConsoleRead read;
    const ScreenBuffer &s = the_console.screen;
    return COORD{static_cast<SHORT>(s.columns()), static_cast<SHORT>(s.rows())};
}

// Bells of a console that draws nothing are dropped here, as they were rung.
void flush() {
    Console &c = the_console;
    if (!c.started) return;
    if (presenter_draws()) {
        presenter_flush();
        return;
    }
    const ConsoleChange change;
    c.pending_bells = 0;
    c.presented_version = c.screen.version();
}

InputSource input_source() {
    ensure_started();
    return the_console.input;
}

int input_fd() {
    ensure_started();
    const InputSource input = the_console.input;
    return input == InputSource::Terminal || input == InputSource::Script ? STDIN_FILENO : -1;
}

void suspend() {
    presenter_suspend();
}

void exit_process(unsigned code) {
    console_shut_down();
    exit(static_cast<int>(code));
}

} // namespace posix_console
