// The key decoder: terminal bytes to Windows key events (see key_decoder.h).
//
// Sequences understood, besides plain bytes and UTF-8:
//   ESC x                  Alt + the key of x (ESC ESC [ A is Alt+Up)
//   CSI A B C D H F        arrows, Home, End (grey: ENHANCED_KEY); CSI 1;m A with modifiers m
//   CSI P Q R S, SS3 P-S   F1-F4; SS3 A-D H F the same grey keys
//   CSI n ~                1/7 Home, 2 Insert, 3 Delete, 4/8 End, 5 PgUp, 6 PgDn,
//                          11-15 F1-F5, 17-21 F6-F10, 23 F11, 24 F12; CSI n;m ~ with modifiers
//   CSI Z                  Shift+Tab
//   CSI [ A-E              F1-F5 of the Linux console
//   CSI 200~ ... CSI 201~  bracketed paste: the text only, no commands; Ctrl+C ends it
//   CSI Vk;Sc;Uc;Kd;Cs;Rc _  win32-input-mode: one record as it stands
// Any other CSI, SS3, OSC, DCS, SOS, PM or APC sequence is swallowed whole.
#include "key_decoder.h"

namespace posix_console {
namespace {

constexpr unsigned char ESC = 0x1B;
constexpr size_t CONTROL_SEQUENCE_MAX = 256; // longer: not a key, swallowed
constexpr size_t STRING_SEQUENCE_MAX = 4096;
constexpr int PARAMS_MAX = 8;
constexpr DWORD MODIFIER_FLAGS = SHIFT_PRESSED | LEFT_ALT_PRESSED | LEFT_CTRL_PRESSED;

// One key press before it becomes events.
struct Key {
    WORD vk = 0;
    WORD scan = 0;
    DWORD modifiers = 0; // SHIFT_PRESSED, LEFT_ALT_PRESSED, LEFT_CTRL_PRESSED
    bool enhanced = false;
    char chars[CHARACTER_BYTES_MAX] = {};
    int char_count = 0; // 0: the key has no character
};

// What one step of decoding found.
struct Step {
    DecodeStatus status = DecodeStatus::Decoded;
    size_t consumed = 0;
    bool has_key = false; // else swallowed (or records written directly)
    Key key;
};

Step need_more() {
    return Step{DecodeStatus::NeedMore, 0, false, {}};
}
Step swallowed(size_t consumed) {
    return Step{DecodeStatus::Decoded, consumed, false, {}};
}
Step key_step(size_t consumed, const Key &key) {
    return Step{DecodeStatus::Decoded, consumed, true, key};
}

Key make_key(WORD vk, WORD scan, char ch, DWORD modifiers, bool enhanced = false) {
    Key key;
    key.vk = vk;
    key.scan = scan;
    key.modifiers = modifiers;
    key.enhanced = enhanced;
    if (ch != 0) {
        key.chars[0] = ch;
        key.char_count = 1;
    }
    return key;
}

// ---- US layout ----

constexpr BYTE LETTER_SCAN[26] = {0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17,
                                  0x24, 0x25, 0x26, 0x32, 0x31, 0x18, 0x19, 0x10, 0x13,
                                  0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D, 0x15, 0x2C};
constexpr BYTE DIGIT_SCAN[10] = {0x0B, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A};
constexpr char SHIFTED_DIGITS[] = ")!@#$%^&*(";

struct PunctuationKey {
    char plain;
    char shifted;
    BYTE vk;
    BYTE scan;
};
constexpr PunctuationKey PUNCTUATION_KEYS[] = {
    {'-', '_', VK_OEM_MINUS, 0x0C},  {'=', '+', VK_OEM_PLUS, 0x0D}, {'[', '{', VK_OEM_4, 0x1A},
    {']', '}', VK_OEM_6, 0x1B},      {'\\', '|', VK_OEM_5, 0x2B},   {';', ':', VK_OEM_1, 0x27},
    {'\'', '"', VK_OEM_7, 0x28},     {'`', '~', VK_OEM_3, 0x29},    {',', '<', VK_OEM_COMMA, 0x33},
    {'.', '>', VK_OEM_PERIOD, 0x34}, {'/', '?', VK_OEM_2, 0x35},
};

// The key that types the printable ASCII character c (0x20-0x7E).
Key printable_key(unsigned char c) {
    if (c >= 'a' && c <= 'z') return make_key('A' + (c - 'a'), LETTER_SCAN[c - 'a'], c, 0);
    if (c >= 'A' && c <= 'Z') return make_key(c, LETTER_SCAN[c - 'A'], c, SHIFT_PRESSED);
    if (c >= '0' && c <= '9') return make_key(c, DIGIT_SCAN[c - '0'], c, 0);
    if (c == ' ') return make_key(VK_SPACE, 0x39, c, 0);
    for (int digit = 0; digit < 10; ++digit) {
        if (SHIFTED_DIGITS[digit] == c)
            return make_key('0' + digit, DIGIT_SCAN[digit], c, SHIFT_PRESSED);
    }
    for (const PunctuationKey &p : PUNCTUATION_KEYS) {
        if (p.plain == c) return make_key(p.vk, p.scan, c, 0);
        if (p.shifted == c) return make_key(p.vk, p.scan, c, SHIFT_PRESSED);
    }
    return make_key(0, 0, c, 0); // not reached for 0x20-0x7E
}

Key enter_key() {
    return make_key(VK_RETURN, 0x1C, '\r', 0);
}
Key escape_key() {
    return make_key(VK_ESCAPE, 0x01, ESC, 0);
}
Key tab_key(DWORD modifiers) {
    return make_key(VK_TAB, 0x0F, '\t', modifiers);
}

// ESC and one printable byte with nothing after them in time: Alt and that key.
Key alt_key(unsigned char c) {
    Key key = printable_key(c);
    key.modifiers |= LEFT_ALT_PRESSED;
    return key;
}

// The key behind a control byte (0x00-0x1F except ESC, and 0x7F).
Key control_key(unsigned char c, InputSource source) {
    switch (c) {
    case 0x00: return make_key(VK_SPACE, 0x39, 0, LEFT_CTRL_PRESSED);
    case 0x08:
        if (source != InputSource::Terminal) return make_key(VK_BACK, 0x0E, 0x08, 0);
        return make_key(VK_BACK, 0x0E, 0x7F, LEFT_CTRL_PRESSED);
    case 0x09: return tab_key(0);
    case 0x0A:
        if (source != InputSource::Terminal) return enter_key();
        return make_key(VK_RETURN, 0x1C, '\n', LEFT_CTRL_PRESSED);
    case 0x0D: return enter_key();
    case 0x1C: return make_key(VK_OEM_5, 0x2B, c, LEFT_CTRL_PRESSED);
    case 0x1D: return make_key(VK_OEM_6, 0x1B, c, LEFT_CTRL_PRESSED);
    case 0x1E: return make_key('6', 0x07, c, LEFT_CTRL_PRESSED | SHIFT_PRESSED);
    case 0x1F: return make_key(VK_OEM_MINUS, 0x0C, c, LEFT_CTRL_PRESSED | SHIFT_PRESSED);
    case 0x7F: return make_key(VK_BACK, 0x0E, 0x08, 0);
    default: return make_key('A' + (c - 1), LETTER_SCAN[c - 1], c, LEFT_CTRL_PRESSED);
    }
}

// A sequence cut short: more may come. Once nothing does, ESC and one byte
// are Alt and the key of that byte, and a longer start is swallowed.
Step unfinished(const unsigned char *bytes, size_t length, bool timed_out) {
    if (!timed_out) return need_more();
    if (length == 2) return key_step(2, alt_key(bytes[1]));
    return swallowed(length);
}

// ---- characters ----

// A character that did not come from a key of the US layout: VK_PACKET, as
// Windows reports text sent without a key (a virtual key of 0 would read as
// no key at all), no scan code, the code-page form (or '?' when it has none).
Key character_key(uint32_t code_point, const DecoderOptions &options) {
    Key key;
    key.vk = VK_PACKET;
    if (code_point < 0x80) {
        key.chars[0] = static_cast<char>(code_point);
        key.char_count = 1;
        return key;
    }
    size_t count = options.encode ? options.encode(code_point, key.chars) : 0;
    if (count == 0 || count > CHARACTER_BYTES_MAX) {
        key.chars[0] = '?';
        count = 1;
    }
    key.char_count = static_cast<int>(count);
    return key;
}

// A UTF-8 character. An invalid or cut-off one gives one '?' for the bytes
// that were part of it and leaves the byte that broke it.
Step decode_utf8(const unsigned char *bytes, size_t length, bool timed_out,
                 const DecoderOptions &options) {
    Utf8Char c = utf8_next(bytes, length);
    if (c.cut_short && !timed_out) return need_more();
    return key_step(c.length, character_key(c.valid ? c.code : '?', options));
}

// A byte that does not start an escape sequence: a control key, a printable
// ASCII key or a UTF-8 character.
Step decode_plain(const unsigned char *bytes, size_t length, bool timed_out,
                  const DecoderOptions &options) {
    unsigned char c = bytes[0];
    if (c < 0x20 || c == 0x7F) return key_step(1, control_key(c, options.source));
    if (c < 0x7F) return key_step(1, printable_key(c));
    return decode_utf8(bytes, length, timed_out, options);
}

// ---- control sequences ----

struct ControlSequence {
    size_t length = 0; // bytes, ESC included
    char marker = 0;   // private marker '<', '=', '>' or '?' (0: none)
    bool intermediate = false;
    unsigned params[PARAMS_MAX] = {};
    bool given[PARAMS_MAX] = {};
    int param_count = 0;
    unsigned char final = 0;
};

enum class Scan { Complete, Incomplete, Broken };

// Scans the parameters, intermediates and final byte from bytes[start].
// Broken: a byte that has no place in a sequence, at `length`.
Scan scan_control_sequence(const unsigned char *bytes, size_t length, size_t start,
                           ControlSequence &seq) {
    size_t i = start;
    if (i < length && bytes[i] >= '<' && bytes[i] <= '?')
        seq.marker = static_cast<char>(bytes[i++]);
    seq.param_count = 0;
    for (; i < length; ++i) {
        unsigned char b = bytes[i];
        if (i >= CONTROL_SEQUENCE_MAX) {
            seq.length = i;
            return Scan::Broken;
        }
        if (b >= '0' && b <= '9') {
            if (seq.param_count == 0) seq.param_count = 1;
            int p = seq.param_count - 1;
            if (p < PARAMS_MAX) {
                unsigned digit = b - '0';
                seq.params[p] = seq.params[p] > (0xFFFFFFFFu - digit) / 10
                                    ? 0xFFFFFFFFu
                                    : seq.params[p] * 10 + digit;
                seq.given[p] = true;
            }
        } else if (b == ';' || b == ':') {
            seq.param_count = (seq.param_count == 0 ? 1 : seq.param_count) + 1;
        } else if (b >= 0x3C && b <= 0x3F) {
            seq.intermediate = true; // a marker out of place: unknown
        } else if (b >= 0x20 && b <= 0x2F) {
            seq.intermediate = true;
        } else if (b >= 0x40 && b <= 0x7E) {
            seq.final = b;
            seq.length = i + 1;
            return Scan::Complete;
        } else {
            seq.length = i;
            return Scan::Broken;
        }
    }
    return Scan::Incomplete;
}

unsigned param(const ControlSequence &seq, int index, unsigned fallback) {
    if (index >= seq.param_count || index >= PARAMS_MAX || !seq.given[index]) return fallback;
    return seq.params[index];
}

// xterm's modifier parameter: 1 + (Shift 1 | Alt 2 | Ctrl 4 | Meta 8).
DWORD modifiers_from_param(unsigned m) {
    if (m < 1) return 0;
    unsigned bits = (m - 1) & 7;
    DWORD modifiers = 0;
    if (bits & 1) modifiers |= SHIFT_PRESSED;
    if (bits & 2) modifiers |= LEFT_ALT_PRESSED;
    if (bits & 4) modifiers |= LEFT_CTRL_PRESSED;
    return modifiers;
}

Key function_key(int number, DWORD modifiers) { // F1..F12
    if (number <= 10) return make_key(VK_F1 + number - 1, 0x3B + number - 1, 0, modifiers);
    return make_key(VK_F11 + number - 11, 0x57 + number - 11, 0, modifiers);
}

// The keys named by a final letter (CSI or SS3); false when it names none.
bool letter_key(unsigned char final, DWORD modifiers, Key &key) {
    switch (final) {
    case 'A': key = make_key(VK_UP, 0x48, 0, modifiers, true); return true;
    case 'B': key = make_key(VK_DOWN, 0x50, 0, modifiers, true); return true;
    case 'C': key = make_key(VK_RIGHT, 0x4D, 0, modifiers, true); return true;
    case 'D': key = make_key(VK_LEFT, 0x4B, 0, modifiers, true); return true;
    case 'H': key = make_key(VK_HOME, 0x47, 0, modifiers, true); return true;
    case 'F': key = make_key(VK_END, 0x4F, 0, modifiers, true); return true;
    case 'P':
    case 'Q':
    case 'R':
    case 'S': key = function_key(final - 'P' + 1, modifiers); return true;
    default: return false;
    }
}

// The keys of CSI n ~; false when n names none.
bool tilde_key(unsigned n, DWORD modifiers, Key &key) {
    switch (n) {
    case 1:
    case 7: key = make_key(VK_HOME, 0x47, 0, modifiers, true); return true;
    case 2: key = make_key(VK_INSERT, 0x52, 0, modifiers, true); return true;
    case 3: key = make_key(VK_DELETE, 0x53, 0, modifiers, true); return true;
    case 4:
    case 8: key = make_key(VK_END, 0x4F, 0, modifiers, true); return true;
    case 5: key = make_key(VK_PRIOR, 0x49, 0, modifiers, true); return true;
    case 6: key = make_key(VK_NEXT, 0x51, 0, modifiers, true); return true;
    case 11:
    case 12:
    case 13:
    case 14:
    case 15: key = function_key(n - 10, modifiers); return true;
    case 17:
    case 18:
    case 19:
    case 20:
    case 21: key = function_key(n - 11, modifiers); return true;
    case 23:
    case 24: key = function_key(n - 12, modifiers); return true;
    default: return false;
    }
}

void push_record(DecodedKey &out, BOOL down, WORD repeat, WORD vk, WORD scan, char ch,
                 DWORD state) {
    if (out.count >= DECODED_EVENTS_MAX) return;
    INPUT_RECORD &r = out.events[out.count++];
    r = INPUT_RECORD{};
    r.EventType = KEY_EVENT;
    r.Event.KeyEvent.bKeyDown = down;
    r.Event.KeyEvent.wRepeatCount = repeat;
    r.Event.KeyEvent.wVirtualKeyCode = vk;
    r.Event.KeyEvent.wVirtualScanCode = scan;
    r.Event.KeyEvent.uChar.AsciiChar = ch;
    r.Event.KeyEvent.dwControlKeyState = state;
}

// One record for each character of the key (a double-byte one gives two),
// or one without a character.
void push_key_records(DecodedKey &out, BOOL down, const Key &key, DWORD state, WORD repeat = 1) {
    if (key.char_count == 0) push_record(out, down, repeat, key.vk, key.scan, 0, state);
    for (int i = 0; i < key.char_count; ++i)
        push_record(out, down, repeat, key.vk, key.scan, key.chars[i], state);
}

// A win32-input-mode record: the event exactly as the terminal reports it,
// its UTF-16 character in the code page (a double-byte one as two records).
Step win32_input_record(const ControlSequence &seq, const DecoderOptions &options,
                        DecodedKey &out) {
    unsigned unit = param(seq, 2, 0);
    bool surrogate = unit >= 0xD800 && unit <= 0xDFFF;
    Key key = character_key(unit > 0xFFFF || surrogate ? '?' : unit, options);
    if (unit == 0) key.char_count = 0;
    key.vk = static_cast<WORD>(param(seq, 0, 0));
    key.scan = static_cast<WORD>(param(seq, 1, 0));
    BOOL down = param(seq, 3, 0) != 0 ? TRUE : FALSE;
    push_key_records(out, down, key, param(seq, 4, 0), static_cast<WORD>(param(seq, 5, 1)));
    return swallowed(seq.length);
}

Step csi_sequence(const ControlSequence &seq, const DecoderOptions &options, DecoderState &state,
                  DecodedKey &out) {
    if (seq.marker != 0 || seq.intermediate) return swallowed(seq.length);
    Key key;
    if (seq.final == '~') {
        unsigned n = param(seq, 0, 0);
        if (n == 200) {
            state.in_paste = true;
            state.paste_bytes = 0;
        }
        if (n == 200 || n == 201) return swallowed(seq.length);
        if (tilde_key(n, modifiers_from_param(param(seq, 1, 1)), key)) {
            return key_step(seq.length, key);
        }
        return swallowed(seq.length);
    }
    if (seq.final == 'Z') return key_step(seq.length, tab_key(SHIFT_PRESSED));
    if (seq.final == '_') return win32_input_record(seq, options, out);
    if (letter_key(seq.final, modifiers_from_param(param(seq, 1, 1)), key)) {
        return key_step(seq.length, key);
    }
    return swallowed(seq.length);
}

// ESC [ [ x: the Linux console's F1-F5 (x = A-E); another final is swallowed.
Step decode_linux_function_key(const unsigned char *bytes, size_t length, bool timed_out) {
    if (length < 4) return unfinished(bytes, length, timed_out);
    unsigned char x = bytes[3];
    if (x >= 'A' && x <= 'E') return key_step(4, function_key(x - 'A' + 1, 0));
    return swallowed(x >= 0x40 && x <= 0x7E ? 4 : 3);
}

// ESC [ ... : a key, swallowed, or unfinished.
Step decode_csi(const unsigned char *bytes, size_t length, bool timed_out,
                const DecoderOptions &options, DecoderState &state, DecodedKey &out) {
    if (length >= 3 && bytes[2] == '[') return decode_linux_function_key(bytes, length, timed_out);
    ControlSequence seq;
    switch (scan_control_sequence(bytes, length, 2, seq)) {
    case Scan::Complete: return csi_sequence(seq, options, state, out);
    case Scan::Broken: return swallowed(seq.length);
    case Scan::Incomplete: break;
    }
    return unfinished(bytes, length, timed_out);
}

// ESC O ... : SS3 keys take at most a modifier parameter.
Step decode_ss3(const unsigned char *bytes, size_t length, bool timed_out) {
    ControlSequence seq;
    switch (scan_control_sequence(bytes, length, 2, seq)) {
    case Scan::Complete: {
        unsigned m = seq.param_count >= 2 ? param(seq, 1, 1) : param(seq, 0, 1);
        Key key;
        if (seq.marker == 0 && !seq.intermediate &&
            letter_key(seq.final, modifiers_from_param(m), key)) {
            return key_step(seq.length, key);
        }
        return swallowed(seq.length);
    }
    case Scan::Broken: return swallowed(seq.length);
    case Scan::Incomplete: break;
    }
    return unfinished(bytes, length, timed_out);
}

// ESC ] / P / X / ^ / _ : a string ended by BEL or ST (ESC \), swallowed.
// In a script a line end ends it too, and stays: the line still answers.
Step decode_string_sequence(const unsigned char *bytes, size_t length, bool timed_out,
                            InputSource source) {
    for (size_t i = 2; i < length; ++i) {
        if (i >= STRING_SEQUENCE_MAX) return swallowed(i);
        if (bytes[i] == 0x07) return swallowed(i + 1);
        if (source != InputSource::Terminal && (bytes[i] == '\r' || bytes[i] == '\n'))
            return swallowed(i);
        if (bytes[i] != ESC) continue;
        if (i + 1 >= length) break;
        return swallowed(bytes[i + 1] == '\\' ? i + 2 : i); // another ESC ends it too
    }
    return unfinished(bytes, length, timed_out);
}

bool starts_string_sequence(unsigned char c) {
    return c == ']' || c == 'P' || c == 'X' || c == '^' || c == '_';
}

Step decode_escape(const unsigned char *bytes, size_t length, bool timed_out,
                   const DecoderOptions &options, DecoderState &state, DecodedKey &out, int depth);

// ESC followed by a key: that key with Alt.
Step decode_alt_prefixed(const unsigned char *bytes, size_t length, bool timed_out,
                         const DecoderOptions &options, DecoderState &state, DecodedKey &out,
                         int depth) {
    Step inner;
    if (bytes[1] == ESC) {
        if (depth > 0) return key_step(1, escape_key()); // the outer ESC adds the Alt
        inner = decode_escape(bytes + 1, length - 1, timed_out, options, state, out, depth + 1);
    } else {
        inner = decode_plain(bytes + 1, length - 1, timed_out, options);
    }
    if (inner.status == DecodeStatus::NeedMore) return inner;
    inner.consumed += 1;
    if (inner.has_key) inner.key.modifiers |= LEFT_ALT_PRESSED;
    return inner;
}

Step decode_escape(const unsigned char *bytes, size_t length, bool timed_out,
                   const DecoderOptions &options, DecoderState &state, DecodedKey &out, int depth) {
    if (length < 2) return timed_out ? key_step(1, escape_key()) : need_more();
    unsigned char next = bytes[1];
    if (next == '[') return decode_csi(bytes, length, timed_out, options, state, out);
    if (next == 'O') return decode_ss3(bytes, length, timed_out);
    if (starts_string_sequence(next))
        return decode_string_sequence(bytes, length, timed_out, options.source);
    return decode_alt_prefixed(bytes, length, timed_out, options, state, out, depth);
}

// ---- bracketed paste ----

constexpr unsigned char PASTE_END[] = {ESC, '[', '2', '0', '1', '~'};

// Inside a paste: characters, Enter and Tab arrive; other control bytes and
// escape sequences would be commands, and are dropped.
Step decode_paste(const unsigned char *bytes, size_t length, bool timed_out,
                  const DecoderOptions &options, DecoderState &state) {
    unsigned char c = bytes[0];
    if (c == ESC) {
        size_t n = length < sizeof PASTE_END ? length : sizeof PASTE_END;
        bool prefix = true;
        for (size_t i = 0; i < n; ++i) prefix = prefix && bytes[i] == PASTE_END[i];
        if (prefix && n == sizeof PASTE_END) {
            state.in_paste = false;
            return swallowed(n);
        }
        if (prefix && !timed_out) return need_more();
        DecodedKey ignored;
        Step step = decode_escape(bytes, length, timed_out, options, state, ignored, 0);
        if (step.status == DecodeStatus::NeedMore) return step;
        return swallowed(step.consumed);
    }
    if (c == '\r' || c == '\n') return key_step(1, enter_key());
    if (c == '\t') return key_step(1, tab_key(0));
    if (c == 0x03) { // Ctrl+C is never pasted text: it ends the paste and acts
        state.in_paste = false;
        return key_step(1, control_key(c, options.source));
    }
    if (c < 0x20 || c == 0x7F) return swallowed(1);
    return decode_plain(bytes, length, timed_out, options);
}

// ---- events ----

struct ModifierKey {
    DWORD flag;
    WORD vk;
    WORD scan;
};
constexpr ModifierKey MODIFIER_KEYS[3] = {
    {SHIFT_PRESSED, VK_SHIFT, 0x2A},
    {LEFT_ALT_PRESSED, VK_MENU, 0x38},
    {LEFT_CTRL_PRESSED, VK_CONTROL, 0x1D},
};

void emit_key(const Key &key, DecodedKey &out) {
    DWORD held = 0;
    for (const ModifierKey &m : MODIFIER_KEYS) {
        if (!(key.modifiers & m.flag)) continue;
        held |= m.flag;
        push_record(out, TRUE, 1, m.vk, m.scan, 0, held);
    }
    DWORD state = (key.modifiers & MODIFIER_FLAGS) | (key.enhanced ? ENHANCED_KEY : 0);
    push_key_records(out, TRUE, key, state);
    push_key_records(out, FALSE, key, state);
    for (int i = 2; i >= 0; --i) {
        const ModifierKey &m = MODIFIER_KEYS[i];
        if (!(key.modifiers & m.flag)) continue;
        held &= ~m.flag;
        push_record(out, FALSE, 1, m.vk, m.scan, 0, held);
    }
}

Step decode_step(const unsigned char *bytes, size_t length, bool timed_out,
                 const DecoderOptions &options, DecoderState &state, DecodedKey &out) {
    if (state.in_paste) {
        Step step = decode_paste(bytes, length, timed_out, options, state);
        // A paste whose end never comes ends after paste_max bytes.
        state.paste_bytes += step.consumed;
        if (state.paste_bytes > options.paste_max) state.in_paste = false;
        return step;
    }
    if (bytes[0] == ESC) return decode_escape(bytes, length, timed_out, options, state, out, 0);
    return decode_plain(bytes, length, timed_out, options);
}

} // namespace

DecodeResult key_decoder_decode(const unsigned char *bytes, size_t length, bool timed_out,
                                const DecoderOptions &options, DecoderState &state,
                                DecodedKey &out) {
    out.count = 0;
    if (length == 0) return DecodeResult{DecodeStatus::NeedMore, 0};
    bool crlf_rest = bytes[0] == '\n' && state.after_cr &&
                     (state.in_paste || options.source != InputSource::Terminal);
    if (crlf_rest) {
        state.after_cr = false;
        return DecodeResult{DecodeStatus::Decoded, 1};
    }
    Step step = decode_step(bytes, length, timed_out, options, state, out);
    if (step.status == DecodeStatus::NeedMore) return DecodeResult{DecodeStatus::NeedMore, 0};
    state.after_cr = bytes[0] == '\r';
    if (step.has_key) emit_key(step.key, out);
    return DecodeResult{DecodeStatus::Decoded, step.consumed};
}

} // namespace posix_console
