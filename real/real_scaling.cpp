// Decimal scaling: a positive value becomes a nine-digit integer mantissa and
// a decimal exponent. Called inside the work mode, so every product and
// quotient is cut to 53 bits exactly as the printed digits expect.
#include "real_internal.h"

namespace {

constexpr long double TEN = 10.0;
constexpr long double ONE = 1.0;
constexpr long double HALF = 0.5;
constexpr long double MANTISSA_LOW = 100000000.0;    // 10^8, the smallest mantissa
constexpr long double MANTISSA_LIMIT = 1000000000.0; // 10^9, just past the largest

// One pass over the big powers brings a value below 10^128 into [1, 10).
long double divide_by_big_powers(long double value) {
    for (int i = 0; i < POWER_TABLE_SIZE; ++i) {
        if (!fpu::is_below(value, big_powers_of_ten[i])) {
            value = fpu::divide(value, big_powers_of_ten[i]);
            decimal_exponent = static_cast<int16_t>(decimal_exponent + power_steps[i]);
        }
    }
    return value;
}

// One pass over the small powers brings a value of at least 10^-128 into [0.1, 1).
long double divide_by_small_powers(long double value) {
    for (int i = 0; i < POWER_TABLE_SIZE; ++i) {
        if (fpu::is_below(value, small_powers_of_ten[i])) {
            value = fpu::divide(value, small_powers_of_ten[i]);
            decimal_exponent = static_cast<int16_t>(decimal_exponent - power_steps[i]);
        }
    }
    return value;
}

} // namespace

extern "C" {

long double normalize_mantissa(long double value) {
    while (!fpu::is_below(value, MANTISSA_LIMIT)) {
        value = fpu::divide(value, TEN);
        ++decimal_exponent;
    }
    while (fpu::is_below(value, MANTISSA_LOW)) {
        value = fpu::multiply(value, TEN);
        --decimal_exponent;
    }
    return value;
}

long double scale_to_mantissa(long double value) {
    decimal_exponent = 0;
    if (fpu_compare_result(fpu::test_status(value)).equal) return value;
    if (!fpu::is_below(value, TEN)) {
        value = divide_by_big_powers(value);
    } else if (fpu::is_below(value, ONE)) {
        value = divide_by_small_powers(value);
    }
    value = normalize_mantissa(fpu::multiply(value, MANTISSA_LOW));
    // Half up at the ninth digit; a carry to 10^9 is brought back to 10^8.
    value = fpu::round_to_integer(fpu::add(value, HALF));
    return normalize_mantissa(value);
}

} // extern "C"
