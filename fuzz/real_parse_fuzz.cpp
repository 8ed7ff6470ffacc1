// Real-number input, typed key by key: the keys the number takes are echoed
// in order, the first key that does not fit ends it and the key after that
// is still waiting, and the value is the decimal number typed to within the
// 53-bit rounding of each step (the work mode truncates every operation).
#include <fuzzer/FuzzedDataProvider.h>
#include <math.h>
#include <stdlib.h>

#include <string>

#include "con_input.h"
#include "con_real.h"
#include "console_host.h"
#include "console_screen.h"
#include "fuzz_check.h"

namespace {

// Keys of numbers, and a few that end one. '#' never appears in a number:
// two of them close every input.
const char KEYS[] = "0123456789012345.+-eE.x \r";
constexpr int COLUMNS = 100;

struct Expected {
    size_t taken;   // keys of the number, the ending key not counted
    bool malformed; // neither digit nor point after the sign
    bool exponent_too_large;
    long double value;
    size_t digits;
};

bool digit(char c) {
    return c >= '0' && c <= '9';
}

Expected read_reference(const std::string &keys) {
    Expected e{};
    size_t i = 0;
    std::string number;
    if (keys[i] == '+' || keys[i] == '-') number += keys[i++];
    size_t start = i;
    while (digit(keys[i])) number += keys[i++];
    if (keys[i] == '.') {
        number += keys[i++];
        while (digit(keys[i])) number += keys[i++];
    }
    e.digits = number.size();
    if (i == start) { // no digit and no point
        e.taken = i;
        e.malformed = true;
        return e;
    }
    long exponent = 0;
    if (keys[i] == 'e' || keys[i] == 'E') {
        ++i;
        bool negative = keys[i] == '-';
        if (keys[i] == '+' || keys[i] == '-') ++i;
        for (; digit(keys[i]); ++i) exponent = std::min(exponent * 10 + (keys[i] - '0'), 1000L);
        if (exponent > 99) {
            e.exponent_too_large = true;
            exponent = 0;
        }
        if (negative) exponent = -exponent;
    }
    e.taken = i;
    if (number == "." || number == "+." || number == "-.") number.insert(number.size() - 1, "0");
    e.value = strtold((number + "e" + std::to_string(exponent)).c_str(), nullptr);
    return e;
}

} // namespace

// Linked in place of Sleep (see CMakeLists.txt).
extern "C" void __wrap_Sleep(DWORD) {}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::string keys;
    for (size_t i = 0; i < size && i < 1000; ++i) keys += KEYS[data[i] % (sizeof KEYS - 1)];
    keys += "##";
    Expected e = read_reference(keys);

    console_host_open(COLUMNS, 40);
    console_host_feed(keys.data(), static_cast<unsigned>(keys.size()));
    long double value = con_read_real();

    // The echo of the keys taken, and the key after the ending one still waiting.
    FUZZ_CHECK(console_screen::text(0, 0, static_cast<int>(e.taken)) == keys.substr(0, e.taken));
    key_record next;
    FUZZ_CHECK(con_poll_key(&next));
    FUZZ_CHECK(static_cast<char>(next.char_code) == keys[e.taken + 1]);

    if (e.malformed) {
        FUZZ_CHECK(value == 0.0L);
        return 0;
    }
    FUZZ_CHECK(isfinite(value));
    long double tolerance = fabsl(e.value) * (2 * e.digits + 20) * 0x1p-52L;
    FUZZ_CHECK(fabsl(value - e.value) <= tolerance);
    FUZZ_CHECK(!signbit(value) == !signbit(e.value) || value == 0.0L);
    return 0;
}
