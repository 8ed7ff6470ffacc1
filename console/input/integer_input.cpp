// Integer input: a line read from the console, converted as signed decimal,
// unsigned decimal or hexadecimal. Only the signed conversion talks to the
// user; every reader returns a value and a status and never asks again.
#include "console_state.h"
#include "input_internal.h"

namespace {

constexpr uint32_t INT_MAGNITUDE_LIMIT = 2147483647u;

const char invalid_integer_text[] = " <invalid integer>";
const char integer_overflow_text[] = " <32-bit integer overflow>";

bool is_blank(char c) {
    return c == ' ' || c == '\t';
}
bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

// Index of the first character that is not a blank, at most length.
uint32_t skip_blanks(const char *text, uint32_t length) {
    uint32_t i = 0;
    while (i < length && is_blank(text[i])) ++i;
    return i;
}

template <typename T> T report(T value, bool ok, bool *valid) {
    if (valid) *valid = ok;
    return ok ? value : T{0};
}

int32_t parse_failure(const char *message, bool *valid) {
    con_write_text(message);
    con_newline();
    return report<int32_t>(0, false, valid);
}

// Hexadecimal digit value, or -1. Small letters count as capitals.
int hex_digit_value(char c) {
    if (is_digit(c)) return c - '0';
    char upper = static_cast<char>(c & ~0x20);
    if (upper >= 'A' && upper <= 'F') return upper - 'A' + 10;
    return -1;
}

} // namespace

extern "C" {

char input_line[INPUT_LINE_MAX + 1];

int32_t parse_int_body(const char *text, uint32_t length, bool *valid) {
    uint32_t i = skip_blanks(text, length);
    if (i == length) return report<int32_t>(0, true, valid);
    const bool negative = text[i] == '-';
    if (negative || text[i] == '+') ++i;
    if (!is_digit(text[i])) return parse_failure(invalid_integer_text, valid);
    // The limit is checked before each step, so the magnitude never wraps;
    // 2147483648 is let through for the one value that needs it.
    const uint32_t limit = negative ? INT_MAGNITUDE_LIMIT + 1 : INT_MAGNITUDE_LIMIT;
    uint32_t magnitude = 0;
    for (; is_digit(text[i]); ++i) {
        uint32_t digit = static_cast<uint32_t>(text[i] - '0');
        if (magnitude > (limit - digit) / 10) return parse_failure(integer_overflow_text, valid);
        magnitude = magnitude * 10 + digit;
    }
    int32_t value =
        negative ? static_cast<int32_t>(0u - magnitude) : static_cast<int32_t>(magnitude);
    return report(value, true, valid);
}

uint32_t parse_dec_body(const char *text, uint32_t length, bool *valid) {
    uint32_t i = skip_blanks(text, length);
    if (i == length) return report<uint32_t>(0, false, valid);
    uint32_t value = 0;
    for (; is_digit(text[i]); ++i) {
        uint32_t digit = static_cast<uint32_t>(text[i] - '0');
        if (value > (UINT32_MAX - digit) / 10) return report<uint32_t>(0, false, valid);
        value = value * 10 + digit;
    }
    return report(value, true, valid);
}

int32_t con_read_int_body(bool *valid) {
    uint32_t count = con_read_line(input_line, INPUT_LINE_MAX);
    return parse_int(input_line, count, valid);
}

uint32_t con_read_dec_body(bool *valid) {
    uint32_t count = con_read_line(input_line, INPUT_LINE_MAX);
    return parse_dec(input_line, count, valid);
}

// The digits end at the first character that is not a hexadecimal digit
// (blanks after them included); at least one digit makes the value valid.
// Of a longer run only the last eight digits count.
uint32_t con_read_hex_body(bool *valid) {
    uint32_t count = con_read_line(input_line, INPUT_LINE_MAX);
    uint32_t i = skip_blanks(input_line, count);
    if (i == count) return report<uint32_t>(0, false, valid);
    uint32_t value = 0;
    bool any_digit = false;
    for (; i < count; ++i) {
        int digit = hex_digit_value(input_line[i]);
        if (digit < 0) break;
        value = value * 16 + static_cast<uint32_t>(digit);
        any_digit = true;
    }
    return report(value, any_digit, valid);
}

} // extern "C"
