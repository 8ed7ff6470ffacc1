// Where the console's keys come from, and their way into the input queue.
#include "input_source.h"

#include <errno.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>

#include "console_object.h"
#include "input_queue.h"
#include "key_decoder.h"
#include "posix_console.h"
#include "script_input.h"

namespace posix_console {
namespace {

using Clock = Intake::Clock;

Intake &intake() {
    return console().intake;
}

// ---- code page ----

size_t encode_for_console(uint32_t code_point, char out[CHARACTER_BYTES_MAX]) {
    return console().input_codepage->encode(code_point, out);
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
    if (input_source() == InputSource::Terminal && contains_ctrl_key(key, 0x1A)) {
        suspend();
        return;
    }
    for (int i = 0; i < key.count; ++i) input_queue_push(key.events[i]);
}

// Decodes what has been taken in, up to an unfinished sequence.
void decode_raw(DWORD mode, bool timed_out) {
    Intake &in = intake();
    const DecoderOptions options{input_source(), encode_for_console};
    while (in.raw_start < in.raw.size()) {
        const unsigned char *bytes =
            reinterpret_cast<const unsigned char *>(in.raw.data()) + in.raw_start;
        DecodedKey key;
        DecodeResult result = key_decoder_decode(bytes, in.raw.size() - in.raw_start, timed_out,
                                                 options, in.decoder, key);
        if (result.status == DecodeStatus::NeedMore) break;
        in.raw_start += result.consumed; // before delivery: an exit may not return
        char last = in.raw[in.raw_start - 1];
        in.script_line_open = last != '\r' && last != '\n';
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
        if (ready <= 0) {
            if (!in.empty_found) in.found_empty = Clock::now();
            in.empty_found = true;
            return;
        }
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
        in.empty_found = false;
        if (static_cast<size_t>(got) < sizeof buffer) return;
    }
}

// A Peek's wait: an eighth of the time nothing has come in or gone out,
// between the shortest and the longest (see input_source.h).
int peek_wait_ms() {
    Intake &in = intake();
    Clock::time_point now = Clock::now();
    unsigned long version = console_version();
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
    if (input_source() == InputSource::Feed) {
        if (in.feed_position >= in.feed.size()) return -1;
        return static_cast<unsigned char>(in.feed[in.feed_position++]);
    }
    return script_next_byte(input_fd(), flush); // the prompt is seen before a wait
}

bool is_line_end(int byte) {
    return byte == '\r' || byte == '\n';
}

// Drops the rest of the open script line, its line end included (the LF
// of a CR LF goes as the decoder drops it after a CR).
void skip_rest_of_line() {
    Intake &in = intake();
    in.skip = LineSkip::None;
    if (!in.script_line_open) return;
    in.script_line_open = false;
    size_t end = in.raw.find_first_of("\r\n", in.raw_start);
    int line_end = end == std::string::npos ? -1 : in.raw[end];
    in.raw.erase(0, end == std::string::npos ? std::string::npos : end + 1);
    in.raw_start = 0;
    while (line_end < 0) {
        line_end = next_script_byte();
        if (line_end < 0) return;
        if (!is_line_end(line_end)) line_end = -1;
    }
    in.decoder.after_cr = line_end == '\r';
}

void skip_answered_line(DWORD mode) {
    LineSkip skip = intake().skip;
    if (skip == LineSkip::BeforeAnyRead ||
        (skip == LineSkip::BeforeLineRead && (mode & ENABLE_LINE_INPUT)))
        skip_rest_of_line();
}

// Reads one key's worth: nothing is read that the program did not ask for.
// What is left undecoded (a byte looked at after a polled key) comes first.
// The end of the script ends its last line, if that has no line end.
void wait_script(DWORD mode) {
    Intake &in = intake();
    skip_answered_line(mode);
    decode_raw(mode, false);
    while (input_queue_empty()) {
        int byte = next_script_byte();
        if (byte < 0) {
            decode_raw(mode, true);
            if (!input_queue_empty()) return;
            if (!in.script_line_open) end_of_input();
            byte = '\r';
        }
        in.skip = LineSkip::None; // a key read after the answer belongs to the next question
        in.raw.push_back(static_cast<char>(byte));
        decode_raw(mode, false);
    }
}

// In a script, a key poll is answered by a line of its own ("1\n" at a
// menu): a line read that follows begins on the next script line. Another
// poll takes the next key of the same line, its line end as Enter, so that
// a number typed key by key reads as one.
void note_polled_key(DWORD mode) {
    Intake &in = intake();
    if (!(mode & ENABLE_LINE_INPUT) && in.script_line_open) in.skip = LineSkip::BeforeLineRead;
}

// Before what arrives after a long silence is taken in: a paste still
// open then has lost its end.
void end_lost_paste(DWORD mode) {
    Intake &in = intake();
    if (!in.decoder.in_paste || !in.empty_found) return;
    if (Clock::now() - in.found_empty < std::chrono::milliseconds(PASTE_IDLE_MS)) return;
    decode_raw(mode, true);
    in.decoder.in_paste = false;
}

} // namespace

void input_source_take_available(DWORD mode) {
    if (input_source() != InputSource::Terminal) return;
    end_lost_paste(mode);
    read_terminal();
    if (raw_pending()) decode_raw(mode, escape_delay_passed() || intake().terminal_gone);
}

void input_source_wait_for_event(DWORD mode) {
    if (!input_queue_empty()) return;
    switch (input_source()) {
    case InputSource::Terminal: wait_terminal(mode); return;
    case InputSource::Script:
    case InputSource::Feed: wait_script(mode); return;
    case InputSource::None: end_of_input();
    }
}

// A key poll sets mode 0 around its Peek and restores the mode after it.
// Bytes are taken in while processed input is on, so that Ctrl+C stays a
// signal: with processed input off, Peek reads only when the program has
// kept that mode since its last Peek (it means raw input, not a poll).
void input_source_peek_wait(DWORD mode) {
    Intake &in = intake();
    switch (input_source()) {
    case InputSource::Terminal: {
        bool may_read = (mode & ENABLE_PROCESSED_INPUT) || !in.mode_set_since_peek;
        in.mode_set_since_peek = false;
        if (may_read) input_source_take_available(mode);
        if (!input_queue_empty()) return;
        if (in.terminal_gone) end_of_input();
        flush();
        in.peek_found_nothing = !wait_readable(peek_wait_ms());
        return;
    }
    case InputSource::Script:
    case InputSource::Feed:
        wait_script(mode);
        note_polled_key(mode);
        return;
    case InputSource::None: return;
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

void script_question_begins() {
    Intake &in = intake();
    if (in.skip == LineSkip::BeforeLineRead) in.skip = LineSkip::BeforeAnyRead;
}

void script_line_answered() {
    Intake &in = intake();
    bool script = input_source() == InputSource::Script || input_source() == InputSource::Feed;
    if (script && in.script_line_open) in.skip = LineSkip::BeforeAnyRead;
}

void input_source_feed(const char *bytes, size_t length) {
    Intake &in = intake();
    in.feed.append(bytes, length);
    if (input_source() == InputSource::None) console().input = InputSource::Feed;
}

void input_give_back() {
    if (input_source() == InputSource::Script) script_give_back(input_fd());
}

} // namespace posix_console
