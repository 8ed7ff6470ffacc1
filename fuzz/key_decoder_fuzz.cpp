// The key decoder: a byte string decoded whole and decoded in chunks (sizes
// taken from the input) gives the same key events, and every call keeps the
// decoder's contracts.
#include <fuzzer/FuzzedDataProvider.h>

#include <string>
#include <vector>

#include "fuzz_check.h"
#include "key_decoder.h"

namespace {

using namespace posix_console;

// Some code points have no code-page form, some one byte, some two.
size_t three_way_encoder(uint32_t code_point, char out[CHARACTER_BYTES_MAX]) {
    if (code_point % 3 == 0) return 0;
    out[0] = static_cast<char>(0x80 | (code_point & 0x3F));
    if (code_point % 3 == 1) return 1;
    out[1] = static_cast<char>(0x40 | (code_point & 0x3F));
    return 2;
}

struct Run {
    std::vector<INPUT_RECORD> events;
    std::string buffer;
    DecoderState state;
};

// A key's downs come first and its ups release them in reverse order. A
// win32-input-mode record is one event as the terminal sent it, down or up.
void check_downs_then_ups(const DecodedKey &key) {
    int downs = 0;
    while (downs < key.count && key.events[downs].Event.KeyEvent.bKeyDown) ++downs;
    int ups = key.count - downs;
    for (int i = 0; i < key.count; ++i) FUZZ_CHECK(key.events[i].EventType == KEY_EVENT);
    if (downs == 0 || ups == 0) {
        FUZZ_CHECK(key.count <= 1);
        return;
    }
    FUZZ_CHECK(downs == ups);
    for (int i = 0; i < ups; ++i) {
        const KEY_EVENT_RECORD &up = key.events[downs + i].Event.KeyEvent;
        FUZZ_CHECK(!up.bKeyDown);
        FUZZ_CHECK(up.wVirtualKeyCode == key.events[downs - 1 - i].Event.KeyEvent.wVirtualKeyCode);
    }
}

void drain(Run &run, bool timed_out, const DecoderOptions &options) {
    size_t left = run.buffer.size();
    auto check = [&](const DecodedKey &key, DecodeResult r) {
        FUZZ_CHECK(key.count >= 0 && key.count <= DECODED_EVENTS_MAX);
        if (r.status == DecodeStatus::NeedMore) {
            FUZZ_CHECK(!timed_out); // a timeout decides
            FUZZ_CHECK(key.count == 0);
            return;
        }
        FUZZ_CHECK(r.consumed > 0 && r.consumed <= left);
        left -= r.consumed;
        check_downs_then_ups(key);
        run.events.insert(run.events.end(), key.events, key.events + key.count);
    };
    run.buffer.erase(0,
                     key_decoder_drain(reinterpret_cast<const unsigned char *>(run.buffer.data()),
                                       run.buffer.size(), timed_out, options, run.state, check));
}

bool same(const INPUT_RECORD &a, const INPUT_RECORD &b) {
    const KEY_EVENT_RECORD &x = a.Event.KeyEvent;
    const KEY_EVENT_RECORD &y = b.Event.KeyEvent;
    return x.bKeyDown == y.bKeyDown && x.wVirtualKeyCode == y.wVirtualKeyCode &&
           x.wVirtualScanCode == y.wVirtualScanCode && x.uChar.AsciiChar == y.uChar.AsciiChar &&
           x.dwControlKeyState == y.dwControlKeyState && x.wRepeatCount == y.wRepeatCount;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzedDataProvider input(data, size);
    DecoderOptions options;
    options.source = input.ConsumeBool() ? InputSource::Script : InputSource::Terminal;
    options.encode = input.ConsumeBool() ? three_way_encoder : nullptr;
    std::vector<uint8_t> chunks = input.ConsumeBytes<uint8_t>(input.ConsumeIntegral<uint8_t>());
    std::string bytes = input.ConsumeRemainingBytesAsString();

    Run whole;
    whole.buffer = bytes;
    drain(whole, false, options);
    drain(whole, true, options);

    Run split;
    size_t next = 0;
    for (size_t k = 0; next < bytes.size(); ++k) {
        size_t chunk = chunks.empty() ? 1 : 1 + chunks[k % chunks.size()] % 8;
        split.buffer.append(bytes, next, chunk);
        next += chunk;
        drain(split, false, options);
    }
    drain(split, true, options);

    FUZZ_CHECK(whole.events.size() == split.events.size());
    for (size_t i = 0; i < whole.events.size(); ++i)
        FUZZ_CHECK(same(whole.events[i], split.events[i]));
    return 0;
}
