// Real-number output: d.ddddddd, the letter E and a signed three-digit
// decimal exponent, built in the work mode and written once it is left.
#include "con_output.h"
#include "con_real.h"
#include "real_internal.h"

namespace {

const char zero_text[] = "+0.0000000E+000";
const char nan_text[] = "NaN";
// The byte of the infinity sign in the OEM code page, written unchanged.
constexpr char INFINITY_SIGN = static_cast<char>(0xEC);
constexpr uint32_t FIRST_DIGIT_PLACE = 100000000;
constexpr uint32_t THREE_DIGIT_LIMIT = 1000;

// Sign, nine-digit mantissa cut to eight, "E", signed exponent of three or
// (only for extended values beyond the double range) four digits.
char real_text[20];

char *store_exponent(int32_t exponent, char *out) {
    *out++ = 'E';
    *out++ = exponent < 0 ? '-' : '+';
    const uint32_t magnitude = static_cast<uint32_t>(exponent < 0 ? -exponent : exponent);
    // Times ten, since the digit writer drops the units digit.
    return store_leading_digits(magnitude * 10, magnitude < THREE_DIGIT_LIMIT ? 3 : 4, out);
}

// A positive finite value's digits and exponent after the sign.
char *store_magnitude(long double value, char *out) {
    const uint32_t mantissa = static_cast<uint32_t>(fpu::to_int32(scale_to_mantissa(value)));
    *out++ = static_cast<char>('0' + mantissa / FIRST_DIGIT_PLACE);
    *out++ = '.';
    out = store_leading_digits(mantissa % FIRST_DIGIT_PLACE, 7, out);
    return store_exponent(decimal_exponent, out);
}

// Runs inside the work mode; returns a fixed text or real_text.
const char *format_real(long double value) {
    const uint16_t status = fpu::test_status(value);
    if (fpu_test_unordered(status)) return nan_text;
    const fpu_comparison sign = fpu_compare_result(status);
    if (sign.equal) return zero_text;
    char *out = real_text;
    *out++ = sign.less ? '-' : '+';
    if (sign.less) value = fpu::negate(value);
    if (is_positive_infinity(value)) {
        *out++ = INFINITY_SIGN;
    } else {
        out = store_magnitude(value, out);
    }
    *out = '\0';
    return real_text;
}

} // namespace

extern "C" {

char *store_leading_digits(uint32_t value, uint32_t count, char *out) {
    for (uint32_t place = count; place >= 1; --place) {
        *out++ = static_cast<char>('0' + value / int_powers_of_ten[place]);
        value %= int_powers_of_ten[place];
    }
    return out;
}

// The text is composed in the work mode and written after it is left, so
// the console layer never runs under the truncating control word.
void con_write_real_body(long double value) {
    fpu_enter_work_mode();
    const char *text = format_real(value);
    fpu_leave_work_mode();
    con_write_text(text);
}

} // extern "C"
