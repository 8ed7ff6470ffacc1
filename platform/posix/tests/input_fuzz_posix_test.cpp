// Randomized runs over the key decoder and the line reader with a fixed
// seed: no crash, no out-of-bounds access (run them under the sanitizers),
// and the decoder's contracts hold for every input. CONRT_FUZZ_SCALE
// multiplies the number of inputs (1 by default, for every test run; the
// sanitizer build runs them once more with 5).
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <random>

#include "input_test_support.h"
#include "key_decoder.h"

namespace {

using namespace posix_console;
using input_test::InputTest;

unsigned long scale() {
    static const unsigned long n = [] {
        const char *value = getenv("CONRT_FUZZ_SCALE");
        unsigned long n = value ? strtoul(value, nullptr, 10) : 1;
        n = n == 0 ? 1 : n;
        printf("randomized runs at scale %lu (CONRT_FUZZ_SCALE)\n", n);
        return n;
    }();
    return n;
}

// Bytes that make up the sequences the decoder knows, so that random
// strings reach deep into its states, and any byte at all now and then.
const std::string PIECES[] = {
    "\x1b",  "[",     "O",     "]",         "P",      "\\",   "~",    ";",
    "1",     "2",     "5",     "200~",      "201~",   "_",    "\x07", "\r",
    "\n",    "\x03",  "\x7f",  "\xc3",      "\xa9",   "\xe4", "\xb8", "\xad",
    "\xf0",  "\x9f",  "a",     "Z",         "?",      "<",    "1;5",  "17;29;0;1;8;1",
    "\x1b[", "\x1bO", "\x1b]", "\x1b[200~", "\x1b\\", "\t"};

void random_bytes(std::mt19937 &random, size_t max_pieces, std::string &bytes) {
    bytes.clear();
    size_t pieces = random() % (max_pieces + 1);
    for (size_t i = 0; i < pieces; ++i) {
        if (random() % 4 == 0) {
            bytes += static_cast<char>(random() & 0xFF);
        } else {
            bytes += PIECES[random() % (sizeof PIECES / sizeof PIECES[0])];
        }
    }
}

size_t fake_encoder(uint32_t code_point, char out[CHARACTER_BYTES_MAX]) {
    if (code_point % 3 == 0) return 0;
    out[0] = static_cast<char>(0x80 | (code_point & 0x3F));
    if (code_point % 3 == 1) return 1;
    out[1] = static_cast<char>(0x40 | (code_point & 0x3F));
    return 2;
}

struct Decoded {
    std::vector<INPUT_RECORD> events;
    bool ok = true;
};

// Decodes bytes in chunks of random sizes (chunking null: all at once),
// checking the decoder's contracts at every call. The result and the buffer
// are the caller's, kept from input to input.
void decode_in_chunks(const std::string &bytes, std::mt19937 *chunking, InputSource source,
                      Decoded &result, std::string &buffer) {
    result.events.clear();
    result.ok = true;
    buffer.clear();
    DecoderOptions options;
    options.source = source;
    options.encode = fake_encoder;
    DecoderState state;
    size_t next = 0;
    auto drain = [&](bool timed_out) {
        size_t left = buffer.size();
        auto check = [&](const DecodedKey &key, DecodeResult r) {
            if (key.count < 0 || key.count > DECODED_EVENTS_MAX) result.ok = false;
            if (r.status == DecodeStatus::NeedMore) {
                if (timed_out) result.ok = false; // must decide
                if (key.count != 0) result.ok = false;
                return;
            }
            if (r.consumed == 0 || r.consumed > left) result.ok = false;
            left -= std::min(left, r.consumed);
            for (int i = 0; i < key.count; ++i) {
                if (key.events[i].EventType != KEY_EVENT) result.ok = false;
                result.events.push_back(key.events[i]);
            }
        };
        buffer.erase(0, key_decoder_drain(reinterpret_cast<const unsigned char *>(buffer.data()),
                                          buffer.size(), timed_out, options, state, check));
    };
    while (next < bytes.size()) {
        size_t chunk = chunking ? 1 + (*chunking)() % 4 : bytes.size();
        buffer.append(bytes, next, chunk);
        next += chunk;
        drain(false);
    }
    drain(true);
}

bool same_events(const std::vector<INPUT_RECORD> &a, const std::vector<INPUT_RECORD> &b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        const KEY_EVENT_RECORD &x = a[i].Event.KeyEvent;
        const KEY_EVENT_RECORD &y = b[i].Event.KeyEvent;
        if (x.bKeyDown != y.bKeyDown || x.wVirtualKeyCode != y.wVirtualKeyCode ||
            x.wVirtualScanCode != y.wVirtualScanCode || x.uChar.AsciiChar != y.uChar.AsciiChar ||
            x.dwControlKeyState != y.dwControlKeyState || x.wRepeatCount != y.wRepeatCount)
            return false;
    }
    return true;
}

// However the bytes are cut into reads, the keys are the same.
TEST(InputFuzz, DecoderGivesTheSameKeysHoweverTheBytesAreSplit) {
    std::mt19937 random(20261208);
    const unsigned long inputs = 200000 * scale();
    unsigned long failures = 0;
    std::string bytes, buffer;
    Decoded whole, split;
    for (unsigned long n = 0; n < inputs; ++n) {
        random_bytes(random, 24, bytes);
        InputSource source = n % 2 ? InputSource::Script : InputSource::Terminal;
        decode_in_chunks(bytes, nullptr, source, whole, buffer);
        decode_in_chunks(bytes, &random, source, split, buffer);
        if (!whole.ok || !split.ok || !same_events(whole.events, split.events)) {
            if (++failures <= 5) {
                std::string hex;
                for (unsigned char c : bytes) hex += " " + std::to_string(c);
                ADD_FAILURE() << "input bytes:" << hex;
            }
        }
    }
    EXPECT_EQ(failures, 0u);
    RecordProperty("inputs", static_cast<int>(inputs));
}

class LineReaderFuzz : public InputTest {};

// Random keys, random read sizes, random consoles: every read delivers at
// most what was asked, and the pieces of a line end in its line end.
TEST_F(LineReaderFuzz, RandomKeysAndReadSizesKeepTheContracts) {
    std::mt19937 random(7);
    const INPUT_RECORD keys[] = {
        input_test::key_event(true, VK_LEFT, 0x4B, 0, ENHANCED_KEY),
        input_test::key_event(true, VK_RIGHT, 0x4D, 0, ENHANCED_KEY),
        input_test::key_event(true, VK_HOME, 0x47, 0, ENHANCED_KEY),
        input_test::key_event(true, VK_END, 0x4F, 0, ENHANCED_KEY),
        input_test::key_event(true, VK_INSERT, 0x52, 0, ENHANCED_KEY),
        input_test::key_event(true, VK_DELETE, 0x53, 0, ENHANCED_KEY),
        input_test::key_event(true, VK_UP, 0x48, 0, ENHANCED_KEY),
        input_test::key_event(true, VK_DOWN, 0x50, 0, ENHANCED_KEY),
        input_test::key_event(true, VK_PRIOR, 0x49, 0, ENHANCED_KEY),
        input_test::key_event(true, VK_NEXT, 0x51, 0, ENHANCED_KEY),
        input_test::key_event(true, VK_LEFT, 0x4B, 0, ENHANCED_KEY | LEFT_CTRL_PRESSED),
        input_test::key_event(true, VK_RIGHT, 0x4D, 0, ENHANCED_KEY | LEFT_CTRL_PRESSED),
        input_test::key_event(true, VK_HOME, 0x47, 0, ENHANCED_KEY | LEFT_CTRL_PRESSED),
        input_test::key_event(true, VK_END, 0x4F, 0, ENHANCED_KEY | LEFT_CTRL_PRESSED),
        input_test::key_event(true, VK_BACK, 0x0E, 0x08, 0),
        input_test::key_event(true, VK_BACK, 0x0E, 0x7F, LEFT_CTRL_PRESSED),
        input_test::key_event(true, VK_ESCAPE, 0x01, 0x1B, 0),
        input_test::key_event(true, VK_TAB, 0x0F, '\t', 0),
    };
    const unsigned long lines = 5000 * scale();
    unsigned long keys_sent = 0;
    for (unsigned long n = 0; n < lines; ++n) {
        if (n % 500 == 0) {
            console_host_open(1 + random() % 30, 1 + random() % 6);
            console_host_set_exit_hook(input_test::throw_on_exit);
        }
        const DWORD modes[] = {0x1F7, ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT,
                               ENABLE_LINE_INPUT | ENABLE_PROCESSED_INPUT};
        DWORD mode = modes[random() % 3];
        set_mode(mode);
        size_t count = random() % 40;
        for (size_t k = 0; k < count; ++k, ++keys_sent) {
            INPUT_RECORD r = keys[random() % (sizeof keys / sizeof keys[0])];
            if (random() % 3 != 0) {
                char ch = static_cast<char>(1 + random() % 255);
                if (ch == '\r') ch = 'r';
                r = input_test::key_event(true, 0, 0, ch);
            }
            DWORD written = 0;
            ASSERT_TRUE(WriteConsoleInputA(in, &r, 1, &written));
        }
        press(VK_RETURN, 0x1C, '\r');
        // The pieces of one line, up to its line end.
        const char last = (mode & ENABLE_PROCESSED_INPUT) ? '\n' : '\r';
        std::string line;
        while (line.empty() || line.back() != last) {
            DWORD want = 1 + random() % 90;
            std::string got = read_console(want);
            ASSERT_LE(got.size(), want);
            ASSERT_FALSE(got.empty());
            line += got;
        }
        std::string end = (mode & ENABLE_PROCESSED_INPUT) ? "\r\n" : "\r";
        ASSERT_EQ(line.find('\r'), line.size() - end.size()) << "one line end, at the end";
        COORD at = cursor();
        ASSERT_GE(at.X, 0);
        ASSERT_GE(at.Y, 0);
        ASSERT_LT(at.Y, 6);
        ASSERT_LT(at.X, 30);
        FlushConsoleInputBuffer(in);
    }
    RecordProperty("lines", static_cast<int>(lines));
    RecordProperty("keys", static_cast<int>(keys_sent));
}

// Random bytes as a script: decoder and line reader together, until the
// script ends (status 1) or a Ctrl+C ends it (status 130).
TEST_F(LineReaderFuzz, RandomScriptsEndOnlyThroughTheirEndOrCtrlC) {
    std::mt19937 random(99);
    const unsigned long scripts = 5000 * scale();
    for (unsigned long n = 0; n < scripts; ++n) {
        console_host_open(1 + random() % 30, 1 + random() % 6);
        std::string script;
        random_bytes(random, 40, script);
        feed(script);
        DWORD modes[] = {0x1F7, 0, ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT, ENABLE_PROCESSED_INPUT};
        long status = exit_status_of([&] {
            for (;;) {
                set_mode(modes[random() % 4]);
                DWORD want = 1 + random() % 90;
                std::string got = read_console(want);
                ASSERT_LE(got.size(), want);
            }
        });
        ASSERT_TRUE(status == 1 || status == 130) << "status " << status;
        if (status == 130) {
            ASSERT_NE(script.find('\x03'), std::string::npos);
        }
    }
    RecordProperty("scripts", static_cast<int>(scripts));
}

} // namespace
