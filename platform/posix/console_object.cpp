// The console object and the output side of the seam between the pieces:
// start on first use, processed output, cursor, flush, suspend and exit.
#include "console_object.h"

#include <errno.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>

#include "terminal.h"

namespace posix_console {

namespace {

Console the_console;

void write_plain(const std::string &text) {
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::write(STDOUT_FILENO, text.data() + done, text.size() - done);
        if (n > 0)
            done += static_cast<size_t>(n);
        else if (n < 0 && errno != EINTR)
            return; // a closed pipe: the console write itself still succeeds
    }
}

// What every console has, headless or not.
void start_console_common() {
    Console &c = the_console;
    c.started = true;
    c.plain.reset();
    c.codepage = std::make_unique<CodePage>(codepage_from_environment());
    c.plain = std::make_unique<PlainTextConverter>(*c.codepage);
}

// Stdin a terminal: raw mode, keys decoded by the input side; otherwise a
// script. Stdout a terminal: rendered, the screen buffer its size and the
// screen cleared at the first flush; otherwise plain text, 80 x 25.
void start_console_streams() {
    Console &c = the_console;
    bool input_is_terminal = isatty(STDIN_FILENO) == 1;
    bool output_is_terminal = isatty(STDOUT_FILENO) == 1;
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
    }
}

void render_to_terminal() {
    Console &c = the_console;
    // A resize or a resume: the terminal's content is no longer known.
    bool repaint = terminal_take_repaint();
    bool unchanged = c.screen.version() == c.rendered_version && c.renderer.cleared();
    if (!repaint && unchanged && c.pending_output.empty() && c.pending_bells == 0) return;
    std::string out;
    out.swap(c.pending_output);
    if (repaint) {
        TerminalSize size = terminal_size();
        c.renderer.clear(size.columns, size.rows, out);
    }
    c.renderer.render(c.screen, *c.codepage, out);
    c.rendered_version = c.screen.version();
    if (c.pending_bells > 0) out += '\a';
    if (!out.empty()) terminal_write(out);
    terminal_set_restore_text(c.renderer.restore_text());
}

void at_exit() {
    console_shut_down();
}

} // namespace

Console &console() {
    return the_console;
}

void ensure_started() {
    if (the_console.started) return;
    start_console_common();
    start_console_streams();
    atexit(at_exit);
    input_reset();
}

void console_shut_down() {
    Console &c = the_console;
    if (!c.started) return;
    flush();
    if (c.sink == OutputSink::Plain) {
        std::string rest;
        c.plain->finish(rest);
        write_plain(rest);
    }
    c.sink = OutputSink::None;
    input_give_back();
    terminal_stop();
}

// A headless console never touches the terminal, even as the first thing a
// test does; one that had a terminal gives it back first. The code page is
// read again, so that a test can choose it before it opens the console.
void console_open_headless(int columns, int rows) {
    Console &c = the_console;
    console_shut_down();
    start_console_common();
    c.input = InputSource::Headless;
    c.pending_bells = 0;
    c.pending_output.clear();
    // COORD holds 16-bit signed sizes.
    c.screen.reset(std::clamp(columns, 1, 0x7FFF), std::clamp(rows, 1, 0x7FFF));
}

void console_write(const unsigned char *bytes, size_t count) {
    Console &c = the_console;
    c.pending_bells += c.screen.write_processed(bytes, count);
    if (c.sink == OutputSink::Plain) {
        std::string text;
        c.plain->append(bytes, count, text);
        write_plain(text);
    }
}

void echo(const char *bytes, size_t count) {
    ensure_started();
    Console &c = the_console;
    c.pending_bells +=
        c.screen.write_processed(reinterpret_cast<const unsigned char *>(bytes), count);
}

void echo_transcript(const std::string &line) {
    ensure_started();
    Console &c = the_console;
    if (c.sink != OutputSink::Plain) return;
    std::string text;
    c.plain->append(reinterpret_cast<const unsigned char *>(line.data()), line.size(), text);
    write_plain(text);
}

COORD cursor() {
    ensure_started();
    return the_console.screen.cursor();
}

void set_cursor(COORD position) {
    ensure_started();
    the_console.screen.set_cursor(position);
}

COORD buffer_size() {
    ensure_started();
    const ScreenBuffer &s = the_console.screen;
    return COORD{static_cast<SHORT>(s.columns()), static_cast<SHORT>(s.rows())};
}

void flush() {
    if (!the_console.started) return;
    if (the_console.sink == OutputSink::Terminal) render_to_terminal();
    the_console.pending_bells = 0;
}

InputSource input_source() {
    ensure_started();
    return the_console.input;
}

int input_fd() {
    ensure_started();
    return the_console.input == InputSource::Headless ? -1 : STDIN_FILENO;
}

void suspend() {
    flush();
    terminal_suspend();
    flush();
}

void exit_process(unsigned code) {
    console_shut_down();
    exit(static_cast<int>(code));
}

} // namespace posix_console
