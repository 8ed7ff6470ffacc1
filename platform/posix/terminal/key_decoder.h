// The key decoder: bytes from a terminal (or a script) to the key events the
// Windows console builds for them. A pure function of the bytes it is given:
// it never reads, never blocks and never looks at a clock. When the bytes so
// far could be the start of a longer sequence it answers "need more"; the
// caller decides when the short delay after a lone ESC has passed and says so.
//
// Each key comes out as the Windows console reports it: modifier key-downs
// (Shift, Alt, Ctrl), the key-down, the key-up, the modifier key-ups in
// reverse order; US-layout virtual-key and scan codes, the character in the
// console code page, the control-key state (ENHANCED_KEY for the grey keys).
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "posix_console.h"
#include "unicode.h"
#include "win32_api.h"

namespace posix_console {

// Writes the code-page form of a Unicode code point into out (one byte, two
// for a double-byte character, up to four in UTF-8); returns the count, 0
// when it has none.
using CharEncoder = size_t (*)(uint32_t code_point, char out[CHARACTER_BYTES_MAX]);

// The longest a bracketed paste can be: beyond it the bytes are keys again,
// so that a paste whose end was lost cannot swallow all that follows.
constexpr size_t PASTE_MAX = 16u << 20;

struct DecoderOptions {
    // From a terminal CR is Enter, LF is Ctrl+Enter and 0x08 Ctrl+Backspace;
    // from a script or feed LF and CR LF are Enter as well.
    InputSource source = InputSource::Terminal;
    CharEncoder encode = nullptr; // null: ASCII only
    size_t paste_max = PASTE_MAX;
};

// What the decoder remembers between keys: inside a bracketed paste, and
// whether the last key was a CR (so that the LF of a script's CR LF is not a
// second Enter).
struct DecoderState {
    bool in_paste = false;
    size_t paste_bytes = 0; // taken in since the paste began
    bool after_cr = false;
};

// The most events one key can give: three modifier downs, a down and an up
// for each byte of its character, three modifier ups.
constexpr int DECODED_EVENTS_MAX = 6 + 2 * CHARACTER_BYTES_MAX;

struct DecodedKey {
    INPUT_RECORD events[DECODED_EVENTS_MAX];
    int count = 0;
};

enum class DecodeStatus {
    Decoded,  // `consumed` bytes gave `out` (possibly no events: swallowed)
    NeedMore, // the bytes are the start of a sequence: give more, or time out
};

struct DecodeResult {
    DecodeStatus status;
    size_t consumed;
};

// Decodes the first key of bytes[0, length). With timed_out, nothing more is
// coming soon: an unfinished sequence is decided now (a lone ESC is Escape).
DecodeResult key_decoder_decode(const unsigned char *bytes, size_t length, bool timed_out,
                                const DecoderOptions &options, DecoderState &state,
                                DecodedKey &out);

// Decodes the keys at the front of bytes[0, length) one after another, up to
// an unfinished sequence (with timed_out, to the end), calling
// visit(key, result) for every call of the decoder, the last NeedMore
// included. Returns the bytes taken; stops too at a result that takes
// nothing or more than is left, which would break the decoder's contract.
template <typename Visit>
size_t key_decoder_drain(const unsigned char *bytes, size_t length, bool timed_out,
                         const DecoderOptions &options, DecoderState &state, Visit visit) {
    size_t at = 0;
    while (at < length) {
        DecodedKey key;
        DecodeResult result =
            key_decoder_decode(bytes + at, length - at, timed_out, options, state, key);
        visit(key, result);
        if (result.status == DecodeStatus::NeedMore || result.consumed == 0 ||
            result.consumed > length - at)
            break;
        at += result.consumed;
    }
    return at;
}

} // namespace posix_console
