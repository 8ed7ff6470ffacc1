// The FPU work mode and the pieces of the decimal scaling, without a console.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "control_word.h"
#include "real_internal.h"

namespace {

TEST(FpuWorkMode, EnterKeepsReservedBitsAndLeaveRestoresCallerSettings) {
    const uint16_t original = control_word::current();
    const struct {
        uint16_t caller;
        uint16_t work;
    } cases[] = {
        {0x037F, 0x0E7F}, // the default: 64-bit precision, nearest
        {0x027F, 0x0E7F}, // 53-bit precision
        {0x0C72, 0x0E7F}, // some exceptions unmasked, toward zero, 24-bit
        {0x107F, 0x1E7F}, // bit 12 is kept
        {0x0840, 0x0E7F}, // all exceptions unmasked, round up
    };
    for (const auto &c : cases) {
        control_word::load(c.caller);
        fpu_enter_work_mode();
        const uint16_t work = control_word::current();
        fpu_leave_work_mode();
        const uint16_t back = control_word::current();
        control_word::load(original);
        EXPECT_EQ(work, c.work) << std::hex << c.caller;
        EXPECT_EQ(saved_control_word, c.caller);
        EXPECT_EQ(back, c.caller) << std::hex << c.caller;
    }
}

uint64_t bits_of(double value) {
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// Nearest rounding gives the double above one tenth; the work mode cuts to
// 53 bits toward zero and gives the one below it.
TEST(FpuWorkMode, ArithmeticIsCutToDoublePrecisionTowardZero) {
    const double nearest = 0.1;
    fpu_enter_work_mode();
    const long double quotient = fpu::divide(1.0L, 10.0L);
    const long double sum = fpu::add(1.0L, 0x1p-60L);
    const long double product = fpu::multiply(1.0L + 0x1p-52L, 1.0L - 0x1p-53L);
    fpu_leave_work_mode();
    EXPECT_EQ(bits_of(static_cast<double>(quotient)), bits_of(nearest) - 1);
    EXPECT_EQ(sum, 1.0L) << "2^-60 is below the 53-bit precision";
    EXPECT_EQ(product, 1.0L) << "1 + 2^-53 - 2^-105 cut to 53 bits";
    EXPECT_EQ(fpu::divide(2.0L, 3.0L), 2.0L / 3.0L) << "outside the work mode: full precision";
}

TEST(FpuWorkMode, StatusHelpersReadTestsAndComparisons) {
    EXPECT_TRUE(fpu_test_unordered(fpu::test_status(std::nanl(""))));
    EXPECT_FALSE(fpu_test_unordered(fpu::test_status(0.0L)));
    EXPECT_FALSE(fpu_test_unordered(fpu::test_status(-HUGE_VALL)));

    const fpu_comparison zero = fpu_compare_result(fpu::test_status(-0.0L));
    EXPECT_TRUE(zero.equal);
    EXPECT_FALSE(zero.less);
    const fpu_comparison negative = fpu_compare_result(fpu::test_status(-1e-4000L));
    EXPECT_TRUE(negative.less);
    EXPECT_FALSE(negative.equal);
    const fpu_comparison above = fpu_compare_result(fpu::compare_status(3.0L, 2.0L));
    EXPECT_FALSE(above.less);
    EXPECT_FALSE(above.equal);
    const fpu_comparison below = fpu_compare_result(fpu::compare_status(2.0L, 3.0L));
    EXPECT_TRUE(below.less);
    const fpu_comparison unordered = fpu_compare_result(fpu::compare_status(std::nanl(""), 1.0L));
    EXPECT_TRUE(unordered.less && unordered.equal) << "unordered reads as both";
}

TEST(FpuWorkMode, PositiveInfinityIsTheExactEncoding) {
    EXPECT_TRUE(is_positive_infinity(HUGE_VALL));
    EXPECT_FALSE(is_positive_infinity(-HUGE_VALL));
    EXPECT_FALSE(is_positive_infinity(std::nanl("")));
    EXPECT_FALSE(is_positive_infinity(1e4000L));
    // A pseudo-infinity: exponent all ones, integer bit clear.
    long double pseudo = 0.0L;
    const unsigned char image[10] = {0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0x7F};
    std::memcpy(&pseudo, image, sizeof image);
    EXPECT_FALSE(is_positive_infinity(pseudo));
}

struct Scaled {
    long double value;
    uint32_t mantissa;
    int16_t exponent;
};

long double scaled(long double value) {
    fpu_enter_work_mode();
    const long double mantissa = scale_to_mantissa(value);
    fpu_leave_work_mode();
    return mantissa;
}

// The mantissa has nine digits, rounded half up at the ninth: value is
// mantissa * 10^(exponent - 8).
TEST(DecimalScaling, ValuesBecomeNineDigitMantissas) {
    const Scaled cases[] = {
        {1.5, 150000000, 0},
        {0.3, 300000000, -1},
        {2.0 / 3.0, 666666667, -1},
        {123456789.0, 123456789, 8},
        {9.9999999996, 100000000, 1}, // 999999999.96 carries into a new decade
        {9.999999995, 999999999, 0},  // the double lies just below ...9.5
        {1e64, 100000000, 64},
        {1e-64, 100000000, -64},
        {1.7976931348623157e308, 179769313, 308},
        {4.9406564584124654e-324, 494065646, -324},
        {1e-4000L, 100000000, -4000},
    };
    for (const Scaled &c : cases) {
        const long double mantissa = scaled(c.value);
        EXPECT_EQ(mantissa, static_cast<long double>(c.mantissa)) << static_cast<double>(c.value);
        EXPECT_EQ(decimal_exponent, c.exponent) << static_cast<double>(c.value);
    }
}

TEST(DecimalScaling, ZeroStaysZero) {
    decimal_exponent = 77;
    EXPECT_EQ(scaled(0.0L), 0.0L);
    EXPECT_EQ(decimal_exponent, 0);
}

TEST(DecimalScaling, NormalizeStepsByTen) {
    decimal_exponent = 0;
    fpu_enter_work_mode();
    const long double down = normalize_mantissa(1e12L);
    const int16_t after_down = decimal_exponent;
    const long double up = normalize_mantissa(12345.0L);
    fpu_leave_work_mode();
    EXPECT_EQ(down, 100000000.0L);
    EXPECT_EQ(after_down, 4);
    EXPECT_EQ(up, 123450000.0L);
    EXPECT_EQ(decimal_exponent, 4 - 4);
}

} // namespace
