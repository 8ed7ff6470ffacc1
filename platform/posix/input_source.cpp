// Where the console's keys come from, and their way into the input queue.
#include "input_source.h"

#include <errno.h>
#include <iconv.h>
#include <poll.h>
#include <stdio.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>

#include "codepage.h"
#include "console_object.h"
#include "input_queue.h"
#include "key_decoder.h"
#include "posix_console.h"

namespace posix_console {
namespace {

using Clock = std::chrono::steady_clock;

enum class Supply { Terminal, Script, Feed, Nothing };

struct Intake {
    std::string raw; // bytes taken in, not yet decoded, from raw_start on
    size_t raw_start = 0;
    DecoderState decoder;
    Clock::time_point last_arrival;
    bool terminal_gone = false;
    bool mode_set_since_peek = false;
    bool peek_found_nothing = false; // the last Peek's wait ran out, nothing arrived
    unsigned long seen_version = 0;  // the screen as the last Peek found it
    Clock::time_point quiet_since;   // when the screen last changed
    std::string feed;
    size_t feed_position = 0;
    bool fed = false;
    bool polled_key_line_open = false; // a poll took the last key read from the script
};

Intake &intake() {
    static Intake state;
    return state;
}

Supply supply() {
    switch (input_source()) {
    case InputSource::Terminal: return Supply::Terminal;
    case InputSource::Script: return Supply::Script;
    case InputSource::Headless: break;
    }
    return intake().fed ? Supply::Feed : Supply::Nothing;
}

// ---- code page ----

// UTF-32 to the console code page through iconv, opened once for the code
// page the environment chooses (the one the screen shows).
size_t encode_for_console(uint32_t code_point, char out[2]) {
    static iconv_t converter = [] {
        char name[16];
        snprintf(name, sizeof name, "CP%u", codepage_from_environment());
        return iconv_open(name, "UTF-32LE");
    }();
    if (converter == reinterpret_cast<iconv_t>(-1)) return 0;
    unsigned char in[4] = {
        static_cast<unsigned char>(code_point), static_cast<unsigned char>(code_point >> 8),
        static_cast<unsigned char>(code_point >> 16), static_cast<unsigned char>(code_point >> 24)};
    char buffer[8];
    char *in_pointer = reinterpret_cast<char *>(in);
    size_t in_left = sizeof in;
    char *out_pointer = buffer;
    size_t out_left = sizeof buffer;
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
    size_t result = iconv(converter, &in_pointer, &in_left, &out_pointer, &out_left);
    size_t written = sizeof buffer - out_left;
    // A character iconv only approximates (a nonzero count) has no exact form.
    if (result != 0 || in_left != 0 || written == 0 || written > 2) return 0;
    out[0] = buffer[0];
    if (written == 2) out[1] = buffer[1];
    return written;
}

DecoderOptions decoder_options() {
    DecoderOptions options;
    options.source = supply() == Supply::Terminal ? ByteSource::Terminal : ByteSource::Script;
    options.encode = encode_for_console;
    return options;
}

// ---- keys into the queue ----

bool is_ctrl_key(const INPUT_RECORD &record, char ch) {
    if (record.EventType != KEY_EVENT) return false;
    const KEY_EVENT_RECORD &key = record.Event.KeyEvent;
    DWORD state = key.dwControlKeyState;
    return key.bKeyDown && key.uChar.AsciiChar == ch &&
           (state & (LEFT_CTRL_PRESSED | RIGHT_CTRL_PRESSED)) &&
           !(state & (LEFT_ALT_PRESSED | RIGHT_ALT_PRESSED));
}

bool contains_ctrl_key(const DecodedKey &key, char ch) {
    for (int i = 0; i < key.count; ++i) {
        if (is_ctrl_key(key.events[i], ch)) return true;
    }
    return false;
}

// Ctrl+C and (from a terminal) Ctrl+Z are acts on the program, not keys.
void deliver(const DecodedKey &key, DWORD mode) {
    if ((mode & ENABLE_PROCESSED_INPUT) && contains_ctrl_key(key, 0x03)) {
        ExitProcess(CTRL_C_EXIT_CODE);
    }
    if (supply() == Supply::Terminal && contains_ctrl_key(key, 0x1A)) {
        suspend();
        return;
    }
    for (int i = 0; i < key.count; ++i) input_queue_push(key.events[i]);
}

// Decodes what has been taken in, up to an unfinished sequence.
void decode_raw(DWORD mode, bool timed_out) {
    Intake &in = intake();
    DecoderOptions options = decoder_options();
    while (in.raw_start < in.raw.size()) {
        const unsigned char *bytes =
            reinterpret_cast<const unsigned char *>(in.raw.data()) + in.raw_start;
        DecodedKey key;
        DecodeResult result = key_decoder_decode(bytes, in.raw.size() - in.raw_start, timed_out,
                                                 options, in.decoder, key);
        if (result.status == DecodeStatus::NeedMore) break;
        in.raw_start += result.consumed; // before delivery: an exit may not return
        deliver(key, mode);
    }
    in.raw.erase(0, in.raw_start);
    in.raw_start = 0;
}

bool raw_pending() {
    return intake().raw_start < intake().raw.size();
}

[[noreturn]] void end_of_input() {
    ExitProcess(INPUT_END_EXIT_CODE);
}

// ---- terminal ----

long long microseconds_since_arrival() {
    return std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() -
                                                                 intake().last_arrival)
        .count();
}

bool escape_delay_passed() {
    return microseconds_since_arrival() >= ESCAPE_DELAY_MS * 1000LL;
}

// Waits up to timeout_ms (-1: for ever) for the terminal to become
// readable; false when the time ran out. EINTR (a resize) ends it early.
bool wait_readable(int timeout_ms) {
    pollfd p{input_fd(), POLLIN, 0};
    return poll(&p, 1, timeout_ms) != 0;
}

// Reads what the terminal has sent, never waiting.
void read_terminal() {
    Intake &in = intake();
    int fd = input_fd();
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        int ready = poll(&p, 1, 0);
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return;
        char buffer[4096];
        ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
        if (got <= 0) {
            in.terminal_gone = true;
            return;
        }
        in.raw.append(buffer, static_cast<size_t>(got));
        in.last_arrival = Clock::now();
        if (static_cast<size_t>(got) < sizeof buffer) return;
    }
}

// A Peek's wait: an eighth of the time nothing has come in or gone out,
// between the shortest and the longest (see input_source.h).
int peek_wait_ms() {
    Intake &in = intake();
    Clock::time_point now = Clock::now();
    unsigned long version = console().screen.version();
    if (version != in.seen_version) {
        in.seen_version = version;
        in.quiet_since = now;
    }
    Clock::time_point since = std::max(in.quiet_since, in.last_arrival);
    long long quiet = std::chrono::duration_cast<std::chrono::milliseconds>(now - since).count();
    return static_cast<int>(
        std::clamp<long long>(quiet / IDLE_WAIT_FRACTION, PEEK_WAIT_MS, IDLE_PEEK_WAIT_MAX_MS));
}

void wait_terminal(DWORD mode) {
    for (;;) {
        input_source_take_available(mode);
        if (!input_queue_empty()) return;
        if (intake().terminal_gone) end_of_input();
        flush();
        int timeout = -1;
        if (raw_pending()) {
            long long left = ESCAPE_DELAY_MS * 1000LL - microseconds_since_arrival();
            timeout = left <= 0 ? 0 : static_cast<int>((left + 999) / 1000);
        }
        wait_readable(timeout);
    }
}

// ---- script and feed ----

// The next byte of the script or the feed; -1 at its end.
int next_script_byte() {
    Intake &in = intake();
    in.polled_key_line_open = false;
    if (supply() == Supply::Feed) {
        if (in.feed_position >= in.feed.size()) return -1;
        return static_cast<unsigned char>(in.feed[in.feed_position++]);
    }
    flush(); // the prompt is seen before the program waits
    for (;;) {
        unsigned char byte;
        ssize_t got = read(input_fd(), &byte, 1);
        if (got == 1) return byte;
        if (got < 0 && errno == EINTR) continue;
        return -1;
    }
}

// Reads one key's worth: nothing is read that the program did not ask for.
// What is left undecoded (a byte looked at after a polled key) comes first.
void wait_script(DWORD mode) {
    decode_raw(mode, false);
    while (input_queue_empty()) {
        int byte = next_script_byte();
        if (byte < 0) {
            decode_raw(mode, true);
            if (!input_queue_empty()) return;
            end_of_input();
        }
        intake().raw.push_back(static_cast<char>(byte));
        decode_raw(mode, false);
    }
}

// The character the last key queued types (0: none).
char last_typed_character() {
    INPUT_RECORD events[DECODED_EVENTS_MAX];
    size_t count = input_queue_peek(events, DECODED_EVENTS_MAX);
    char typed = 0;
    for (size_t i = 0; i < count; ++i) {
        const KEY_EVENT_RECORD &key = events[i].Event.KeyEvent;
        if (events[i].EventType == KEY_EVENT && key.bKeyDown && key.uChar.AsciiChar != 0) {
            typed = key.uChar.AsciiChar;
        }
    }
    return typed;
}

// In a script, an answer to a key poll sits on a line of its own ("1\n"
// at a menu). When the program then asks for a line, that line begins
// after the line end that closed the key's script line; when it polls
// again, the line end is the Enter key it is waiting for.
void note_polled_key(DWORD mode) {
    char typed = last_typed_character();
    intake().polled_key_line_open = !(mode & ENABLE_LINE_INPUT) && typed != 0 && typed != '\r' &&
                                    typed != '\n' && intake().raw_start == intake().raw.size();
}

void skip_line_end_of_polled_key() {
    Intake &in = intake();
    if (!in.polled_key_line_open) return;
    in.polled_key_line_open = false;
    int next = next_script_byte();
    if (next == '\r') in.decoder.after_cr = true; // and the LF of a CR LF
    if (next == '\r' || next == '\n' || next < 0) return;
    in.raw.push_back(static_cast<char>(next));
}

} // namespace

void input_source_take_available(DWORD mode) {
    if (supply() != Supply::Terminal) return;
    read_terminal();
    if (raw_pending()) decode_raw(mode, escape_delay_passed() || intake().terminal_gone);
}

void input_source_wait_for_event(DWORD mode) {
    if (!input_queue_empty()) return;
    switch (supply()) {
    case Supply::Terminal: wait_terminal(mode); return;
    case Supply::Script:
    case Supply::Feed:
        if (mode & ENABLE_LINE_INPUT) skip_line_end_of_polled_key();
        wait_script(mode);
        return;
    case Supply::Nothing: end_of_input();
    }
}

// A key poll sets mode 0 around its Peek and restores the mode after it.
// Bytes are taken in while processed input is on, so that Ctrl+C stays a
// signal: with processed input off, Peek reads only when the program has
// kept that mode since its last Peek (it means raw input, not a poll).
void input_source_peek_wait(DWORD mode) {
    Intake &in = intake();
    switch (supply()) {
    case Supply::Terminal: {
        bool may_read = (mode & ENABLE_PROCESSED_INPUT) || !in.mode_set_since_peek;
        in.mode_set_since_peek = false;
        if (may_read) input_source_take_available(mode);
        if (!input_queue_empty()) return;
        if (in.terminal_gone) end_of_input();
        flush();
        in.peek_found_nothing = !wait_readable(peek_wait_ms());
        return;
    }
    case Supply::Script:
    case Supply::Feed:
        wait_script(mode);
        note_polled_key(mode);
        return;
    case Supply::Nothing: return;
    }
}

// A poll loop changes the mode right after a Peek whose wait found the
// terminal silent: there is nothing to take in, and no read is spent on it
// (what arrives meanwhile makes the next Peek return at once, unread).
void input_source_mode_changing(DWORD old_mode) {
    Intake &in = intake();
    in.mode_set_since_peek = true;
    bool silent = in.peek_found_nothing;
    in.peek_found_nothing = false;
    if ((old_mode & ENABLE_PROCESSED_INPUT) && !silent) input_source_take_available(old_mode);
}

void input_source_feed(const char *bytes, size_t length) {
    Intake &in = intake();
    in.feed.append(bytes, length);
    in.fed = true;
}

void input_source_reset() {
    intake() = Intake{};
}

} // namespace posix_console
