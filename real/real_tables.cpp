// The constant tables the real-number routines share: integer powers of ten
// for digit extraction and double powers of ten for the decimal scaling.
#include "real_internal.h"

extern "C" {

int16_t decimal_exponent = 0;

const uint32_t int_powers_of_ten[INT_POWER_COUNT] = {
    1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000, 1000000000,
};

// Entry i of both double tables holds the decimal power power_steps[i]; the
// literals are the doubles nearest to those powers.
const double big_powers_of_ten[POWER_TABLE_SIZE] = {1e64, 1e32, 1e16, 1e8, 1e4, 1e2, 1e1};
const double small_powers_of_ten[POWER_TABLE_SIZE] = {1e-64, 1e-32, 1e-16, 1e-8, 1e-4, 1e-2, 1e-1};
const int16_t power_steps[POWER_TABLE_SIZE] = {64, 32, 16, 8, 4, 2, 1};

const char real_error_text[] = "\r\nFloating point error\r\n";

} // extern "C"
