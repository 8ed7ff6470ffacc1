// The integer parsers against a reference that reads the text with 64-bit
// arithmetic: blanks, an optional sign (parse_int only), decimal digits. The
// length bounds only the blank skip; the digit run ends at the first other
// character, so a caller's text ends in one (here the terminating zero, and
// no byte after it may be read).
#include <stdint.h>
#include <string.h>

#include <memory>

#include "con_input.h"
#include "console_host.h"
#include "fuzz_check.h"

namespace {

struct Reference {
    bool valid;
    int64_t value;
};

// The magnitude saturates just past `limit`, so any run of digits fits.
Reference read_decimal(const char *text, size_t length, bool with_sign, int64_t limit,
                       bool blank_is_valid) {
    size_t i = 0;
    while (i < length && (text[i] == ' ' || text[i] == '\t')) ++i;
    if (i == length) return {blank_is_valid, 0};
    bool negative = false;
    if (with_sign && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    if (with_sign && (text[i] < '0' || text[i] > '9')) return {false, 0};
    int64_t magnitude = 0;
    for (; text[i] >= '0' && text[i] <= '9'; ++i)
        magnitude = std::min<int64_t>(magnitude * 10 + (text[i] - '0'), limit + 2);
    int64_t bound = negative ? limit + 1 : limit;
    if (magnitude > bound) return {false, 0};
    return {true, negative ? -magnitude : magnitude};
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    console_host_open(80, 25); // the parsers write their error texts there
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size == 0) return 0;
    // The first byte picks the length the caller gives; the rest is the text,
    // copied with just its terminator so that reading past it is caught.
    size_t text_size = size - 1;
    uint32_t length = static_cast<uint32_t>(data[0] <= text_size ? data[0] : text_size);
    std::unique_ptr<char[]> text(new char[text_size + 1]);
    memcpy(text.get(), data + 1, text_size);
    text[text_size] = '\0';

    bool valid = false;
    int32_t value = parse_int(text.get(), length, &valid);
    Reference r = read_decimal(text.get(), length, true, INT32_MAX, true);
    FUZZ_CHECK(valid == r.valid);
    FUZZ_CHECK(value == (r.valid ? r.value : 0));

    uint32_t unsigned_value = parse_dec(text.get(), length, &valid);
    r = read_decimal(text.get(), length, false, UINT32_MAX, false);
    FUZZ_CHECK(valid == r.valid);
    FUZZ_CHECK(unsigned_value == (r.valid ? static_cast<uint32_t>(r.value) : 0u));
    return 0;
}
