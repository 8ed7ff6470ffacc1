// Real-number input, key by key with echo: an optional sign, digits with an
// optional point, an optional exponent; the first key that does not fit ends
// the number. All arithmetic runs in the work mode, so every step is cut to
// 53 bits: the keys 0.1 give the largest double below one tenth.
#include "con_input.h"
#include "con_output.h"
#include "con_real.h"
#include "real_internal.h"

namespace {

constexpr long double TEN = 10.0;
constexpr long double ONE = 1.0;
constexpr uint32_t LARGEST_EXPONENT = 99;
constexpr uint8_t ENTER_CHAR = 13;

// Scratch of the routine, static as all runtime work areas.
uint32_t exponent_accumulator = 0;
long double fraction_divisor = 0.0;

char char_of(uint32_t key) {
    return static_cast<char>(key & 0xFF);
}
bool is_digit(uint32_t key) {
    return char_of(key) >= '0' && char_of(key) <= '9';
}
long double digit_value(uint32_t key) {
    return static_cast<long double>(char_of(key) - '0');
}

// An optional sign: true for '-', and the key after a sign read in its place.
bool read_sign(uint32_t &key) {
    const bool negative = char_of(key) == '-';
    if (negative || char_of(key) == '+') key = read_echo_char();
    return negative;
}

// Leading digits: value = value * 10 + digit, each step cut to 53 bits.
long double read_integer_digits(uint32_t &key, long double value) {
    while (is_digit(key)) {
        value = fpu::add(fpu::multiply(value, TEN), digit_value(key));
        key = read_echo_char();
    }
    return value;
}

// Digits after the point, each divided by its own power of ten and summed.
// The divisor stays extended: as a double it would stop at the largest double
// (overflow toward zero) after 308 places, and a digit further right would
// read as some 10^-308 however far out it stands.
long double read_fraction_digits(uint32_t &key, long double sum) {
    fraction_divisor = TEN;
    while (is_digit(key)) {
        sum = fpu::add(sum, fpu::divide(digit_value(key), fraction_divisor));
        fraction_divisor = fpu::multiply(fraction_divisor, TEN);
        key = read_echo_char();
    }
    return sum;
}

// The accumulator stops just past the largest exponent allowed, so any run of
// digits, however long, reads as too large instead of wrapping.
int32_t read_exponent(uint32_t &key) {
    key = read_echo_char();
    const bool negative = read_sign(key);
    exponent_accumulator = 0;
    while (is_digit(key)) {
        exponent_accumulator =
            exponent_accumulator * 10 + static_cast<uint32_t>(char_of(key) - '0');
        if (exponent_accumulator > LARGEST_EXPONENT) exponent_accumulator = LARGEST_EXPONENT + 1;
        key = read_echo_char();
    }
    const int32_t magnitude = static_cast<int32_t>(exponent_accumulator);
    return negative ? -magnitude : magnitude;
}

// Inside the work mode. A start that is neither digit nor point is an error.
long double read_real_in_work_mode(void) {
    uint32_t key = read_echo_char();
    const bool negative = read_sign(key);
    long double value;
    if (is_digit(key)) {
        value = read_integer_digits(key, 0.0);
        if (char_of(key) == '.') {
            key = read_echo_char();
            value = fpu::add(value, read_fraction_digits(key, 0.0));
        }
    } else if (char_of(key) == '.') {
        key = read_echo_char();
        value = read_fraction_digits(key, 0.0);
    } else {
        con_write_text(real_error_text);
        return 0.0;
    }
    if (char_of(key) == 'E' || char_of(key) == 'e') {
        value = fpu::multiply(value, ten_power(read_exponent(key)));
    }
    return negative ? fpu::negate(value) : value;
}

} // namespace

extern "C" {

uint32_t read_echo_char(void) {
    const uint32_t key = con_read_char();
    if (static_cast<uint8_t>(key) == ENTER_CHAR) {
        con_newline();
    } else {
        con_write_char(char_of(key));
    }
    return key;
}

// 10^power from the squares of ten in the big-power table, bit by bit of the
// magnitude; a magnitude above 99 is refused and leaves the number unscaled.
long double ten_power(int32_t power) {
    if (power == 0) return ONE;
    const bool negative = power < 0;
    const uint32_t magnitude =
        negative ? 0u - static_cast<uint32_t>(power) : static_cast<uint32_t>(power);
    if (magnitude > LARGEST_EXPONENT) {
        con_write_text(real_error_text);
        return ONE;
    }
    long double product = ONE;
    for (uint32_t bit = 0; (magnitude >> bit) != 0; ++bit) {
        if ((magnitude >> bit) & 1u) {
            product = fpu::multiply(product, big_powers_of_ten[POWER_TABLE_SIZE - 1 - bit]);
        }
    }
    return negative ? fpu::divide(ONE, product) : product;
}

long double con_read_real_body(void) {
    fpu_enter_work_mode();
    const long double value = read_real_in_work_mode();
    fpu_leave_work_mode();
    return value;
}

} // extern "C"
