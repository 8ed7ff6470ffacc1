// The helpers that the real routines build on and that reach the console:
// the leading digits and the power of ten used for exponents.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <string>

#include "console_host.h"
#include "console_screen.h"
#include "real_internal.h"

namespace {

using console_screen::row_text;

TEST(DigitStore, StoresCountDigitsWithoutTheUnits) {
    const struct {
        uint32_t value;
        uint32_t count;
        const char *text;
    } cases[] = {
        {12345678, 7, "1234567"},   {70, 3, "007"},     {5, 1, "0"},
        {999999999, 8, "99999999"}, {49320, 4, "4932"},
    };
    for (const auto &c : cases) {
        char digits[16];
        const char *end = store_leading_digits(c.value, c.count, digits);
        EXPECT_EQ(std::string(digits, static_cast<size_t>(end - digits)), c.text) << c.value;
    }
}

bool same_bits(long double a, long double b) {
    return std::memcmp(&a, &b, 10) == 0;
}

long double power_in_work_mode(int32_t power) {
    fpu_enter_work_mode();
    const long double result = ten_power(power);
    fpu_leave_work_mode();
    return result;
}

// Exact powers up to 10^22 fit in 53 bits; beyond, the cut products stay
// within a few units of the last place.
TEST(TenPower, BuildsPowersFromTheTable) {
    console_host_open(80, 25);
    EXPECT_EQ(power_in_work_mode(0), 1.0L);
    EXPECT_EQ(power_in_work_mode(1), 10.0L);
    EXPECT_EQ(power_in_work_mode(7), 1e7L);
    EXPECT_EQ(power_in_work_mode(22), 1e22L);
    EXPECT_TRUE(same_bits(power_in_work_mode(99), static_cast<long double>(1e99)));
    EXPECT_NEAR(static_cast<double>(power_in_work_mode(-3) / 1e-3L), 1.0, 1e-15);
    EXPECT_NEAR(static_cast<double>(power_in_work_mode(-99) / 1e-99L), 1.0, 1e-15);
    EXPECT_EQ(row_text(0), "") << "no message for allowed exponents";
}

TEST(TenPower, RefusesMagnitudesAbove99) {
    for (int32_t power : {100, -100, INT_MAX, INT_MIN}) {
        console_host_open(80, 25);
        EXPECT_EQ(power_in_work_mode(power), 1.0L) << power;
        EXPECT_EQ(row_text(1), "Floating point error") << power;
        EXPECT_EQ(console_screen::cursor().Y, 2) << power;
    }
}

} // namespace
