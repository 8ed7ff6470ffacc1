// The console object and the output side of the seam between the pieces:
// start on first use, processed output, cursor, flush, suspend and exit.
//
// On a terminal, what the program writes is shown within FLUSH_PERIOD however
// long the program then computes or blocks: a flusher thread waits for the
// first change after a flush, lets the rest of a burst of writes join it
// for GATHER_TIME, and flushes; while output keeps coming it flushes once
// per FLUSH_PERIOD, so a program writing without pause spends little on
// drawing. Changes take the state lock; a flush holds it only to copy the
// screen, and renders and writes outside it, in flush order, so neither
// drawing nor a slow terminal holds up the program's writes.
#include "console_object.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>
#include <thread>

#include "script_input.h"
#include "system_errors.h"
#include "terminal.h"
#include "thread_pointer.h"
#include "write_all.h"

namespace posix_console {

namespace {

Console the_console;

constexpr auto GATHER_TIME = std::chrono::milliseconds(2);
constexpr auto FLUSH_PERIOD = std::chrono::milliseconds(15);

// Guards the console object. The program's thread takes it for every
// change, many thousands a second; nearly always nobody else holds it, and
// then this costs a fraction of a mutex. A flush holds it only to copy the
// screen. Not recursive: a change never flushes, and a flush changes nothing.
class StateLock {
  public:
    void lock() {
        while (held_.exchange(true, std::memory_order_acquire)) std::this_thread::yield();
    }
    void unlock() { held_.store(false, std::memory_order_release); }

  private:
    std::atomic<bool> held_{false};
};
StateLock state_lock;
std::recursive_mutex flush_order; // one flush's render and write at a time
std::atomic<bool> output_waiting{false};

struct Flusher {
    std::thread thread;
    std::mutex lock;
    std::condition_variable wake;
    bool stopping = false;
};
Flusher flusher;

void flusher_run() {
    using clock = std::chrono::steady_clock;
    std::unique_lock<std::mutex> lock(flusher.lock);
    clock::time_point last_flush{};
    while (!flusher.stopping) {
        flusher.wake.wait(lock, [] { return flusher.stopping || output_waiting.load(); });
        const clock::time_point due =
            std::max(clock::now() + GATHER_TIME, last_flush + FLUSH_PERIOD);
        flusher.wake.wait_until(lock, due, [] { return flusher.stopping; });
        if (flusher.stopping) break;
        last_flush = clock::now();
        lock.unlock();
        flush();
        lock.lock();
    }
}

// A child of fork has no flusher thread: it forgets it and flushes only
// where the program waits. Both objects are made anew, not destroyed: the
// thread is the parent's, and the lock, taken around the fork so that no
// flush is halfway, is owned by a thread id the child does not have.
void fork_prepare() {
    flush_order.lock();
}
void fork_parent() {
    flush_order.unlock();
}
void fork_child() {
    new (&flush_order) std::recursive_mutex();
    new (&flusher.thread) std::thread();
}

// Signals stay with the program's thread, whose waits they interrupt; the
// first of them may come only once that thread has its thread pointer back.
void flusher_start() {
    static const bool fork_handled = pthread_atfork(fork_prepare, fork_parent, fork_child) == 0;
    (void)fork_handled;
    sigset_t all, old;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &old);
    flusher.stopping = false;
    flusher.thread = std::thread(flusher_run);
    reclaim_thread_pointer();
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
}

void flusher_stop() {
    if (!flusher.thread.joinable()) return;
    {
        const std::lock_guard<std::mutex> lock(flusher.lock);
        flusher.stopping = true;
    }
    flusher.wake.notify_one();
    flusher.thread.join();
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
    c.codepage = std::make_unique<CodePage>(codepage_from_environment());
    c.plain = std::make_unique<PlainTranscript>(*c.codepage);
    c.screen.set_lead_bytes(c.codepage->lead_bytes());
    c.screen.set_utf8(c.codepage->is_utf8());
}

// Stdin a terminal: raw mode, keys decoded by the input side; otherwise a
// script. Stdout a terminal: rendered, the screen buffer its size and the
// screen cleared at the first flush; otherwise plain text, 80 x 25.
void start_console_streams() {
    Console &c = the_console;
    c.output_closed = hold_closed_output();
    bool input_is_terminal = isatty(STDIN_FILENO) == 1;
    // A terminal that cannot draw (TERM=dumb) gets plain text, as a pipe does.
    bool output_is_terminal = isatty(STDOUT_FILENO) == 1 && terminal_can_draw();
    c.input = input_is_terminal ? InputSource::Terminal : InputSource::Script;
    c.sink = output_is_terminal ? OutputSink::Terminal : OutputSink::Plain;
    c.screen.reset(80, 25);
    if (!input_is_terminal && !output_is_terminal) return;
    terminal_set_restore_text(c.renderer.restore_text());
    terminal_start(input_is_terminal ? STDIN_FILENO : -1, output_is_terminal ? STDOUT_FILENO : -1);
    if (output_is_terminal) {
        TerminalSize size = terminal_size();
        c.screen.reset(size.columns, size.rows);
        c.renderer.clear(size.columns, size.rows, c.pending_output);
        flusher_start();
    }
}

// The screen as the next render shows it, copied under the state lock so
// that the render itself leaves the program's writes free to go on.
ScreenBuffer shown_screen;

// Under the state lock: whether the terminal has to be sent anything, and
// if so the copy to draw, the bytes waiting and the bells rung.
bool take_terminal_work(bool &repaint, std::string &out, size_t &bells) {
    Console &c = the_console;
    // A resize or a resume: the terminal's content is no longer known.
    repaint = terminal_take_repaint();
    bool unchanged = c.screen.version() == c.rendered_version && c.renderer.cleared();
    if (!repaint && unchanged && c.pending_output.empty() && bells == 0) return false;
    out.swap(c.pending_output);
    shown_screen = c.screen;
    c.rendered_version = c.screen.version();
    return true;
}

// Outside the state lock, in flush order.
void render_to_terminal(bool repaint, std::string &out, size_t bells) {
    Console &c = the_console;
    if (repaint) {
        TerminalSize size = terminal_size();
        c.renderer.clear(size.columns, size.rows, out);
    }
    c.renderer.render(shown_screen.cell_rows(), *c.codepage, out);
    if (bells > 0) out += '\a';
    if (!out.empty()) terminal_write(out);
    terminal_set_restore_text(c.renderer.restore_text());
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
    state_lock.lock();
}

ConsoleChange::~ConsoleChange() {
    state_lock.unlock();
    // Only the first change after a flush wakes the flusher.
    if (output_waiting.load(std::memory_order_relaxed) || output_waiting.exchange(true)) return;
    if (!flusher.thread.joinable()) return;
    const std::lock_guard<std::mutex> lock(flusher.lock);
    flusher.wake.notify_one();
}

void ensure_started() {
    if (the_console.started) return;
    start_console_common();
    start_console_streams();
    on_exit(at_exit, nullptr);
}

void console_shut_down() {
    Console &c = the_console;
    if (!c.started) return;
    flusher_stop();
    flush();
    if (c.sink == OutputSink::Plain) {
        std::string rest;
        c.plain->finish(rest);
        write_plain_text(rest);
    }
    c.sink = OutputSink::None;
    input_give_back();
    terminal_stop();
}

// A headless console never touches the terminal, even as the first thing a
// test does; one that had a terminal gives it back first. The code page is
// read again, so that a test can choose it before it opens the console.
void console_open_headless(int columns, int rows) {
    console_shut_down();
    the_console = Console{};
    script_reset();
    start_console_common();
    the_console.input = InputSource::None;
    the_console.screen.reset(columns, rows);
}

DWORD console_write(const unsigned char *bytes, size_t count) {
    Console &c = the_console;
    const ConsoleChange change;
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
    c.plain->write(reinterpret_cast<const unsigned char *>(line.data()), line.size(),
                   c.screen.columns(), text);
    write_plain_text(text);
}

COORD cursor() {
    ensure_started();
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
    return the_console.screen.mode();
}

bool set_output_mode(DWORD mode) {
    ensure_started();
    if (mode & ~OUTPUT_MODES) return false;
    the_console.screen.set_mode(mode);
    return true;
}

COORD buffer_size() {
    ensure_started();
    const ScreenBuffer &s = the_console.screen;
    return COORD{static_cast<SHORT>(s.columns()), static_cast<SHORT>(s.rows())};
}

void flush() {
    if (!the_console.started) return;
    const std::lock_guard<std::recursive_mutex> order(flush_order);
    bool repaint = false;
    std::string out;
    size_t bells = 0;
    {
        const std::lock_guard<StateLock> state(state_lock);
        output_waiting = false;
        std::swap(bells, the_console.pending_bells);
        if (the_console.sink != OutputSink::Terminal) return;
        if (!take_terminal_work(repaint, out, bells)) return;
    }
    render_to_terminal(repaint, out, bells);
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
    const std::lock_guard<std::recursive_mutex> order(flush_order);
    flush();
    terminal_suspend();
    flush();
}

void exit_process(unsigned code) {
    console_shut_down();
    exit(static_cast<int>(code));
}

} // namespace posix_console
