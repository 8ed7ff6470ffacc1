// Real-number output read back from a fresh console: the fixed notation for
// ordinary values and at the edges of the power tables, the forms of zeros,
// infinities and NaNs, and the caller's control word given back.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <string>

#include "con_real.h"
#include "console_host.h"
#include "console_screen.h"
#include "control_word.h"
#include "real_internal.h"

namespace {

using console_screen::row_text;

const std::string INFINITY_SIGN = "\xEC";

std::string written(long double value) {
    console_host_open(80, 25);
    con_write_real(value);
    return row_text(0);
}

struct Case {
    long double value;
    const char *text;
};

TEST(RealOutput, ValuesOfTheTable) {
    const Case cases[] = {
        {1.5, "+1.5000000E+000"},
        {3.5, "+3.5000000E+000"},
        {-2.25, "-2.2500000E+000"},
        {10.0, "+1.0000000E+001"},
        {0.1, "+1.0000000E-001"},
        {0.3, "+3.0000000E-001"},
        {2.0 / 3.0, "+6.6666666E-001"},
        {123456789.0, "+1.2345678E+008"},
        {-0.001, "-1.0000000E-003"},
        {9.999999995, "+9.9999999E+000"},
        {1.7976931348623157e308, "+1.7976931E+308"},
        {4.9406564584124654e-324, "+4.9406564E-324"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(written(c.value), c.text) << static_cast<double>(c.value);
        EXPECT_EQ(console_screen::cursor().X, 15) << "fifteen characters, no line end";
        EXPECT_EQ(console_screen::cursor().Y, 0);
    }
}

TEST(RealOutput, ZerosInfinitiesAndNaNs) {
    EXPECT_EQ(written(0.0L), "+0.0000000E+000");
    EXPECT_EQ(written(-0.0L), "+0.0000000E+000");
    EXPECT_EQ(written(HUGE_VALL), "+" + INFINITY_SIGN);
    EXPECT_EQ(written(-HUGE_VALL), "-" + INFINITY_SIGN);
    EXPECT_EQ(written(std::nanl("")), "NaN");
    EXPECT_EQ(written(-std::nanl("")), "NaN");
    EXPECT_EQ(written(std::nanl("0x1234")), "NaN");
}

long double from_image(uint64_t significand, uint16_t sign_and_exponent) {
    unsigned char image[10];
    std::memcpy(image, &significand, 8);
    std::memcpy(image + 8, &sign_and_exponent, 2);
    long double value = 0.0L;
    std::memcpy(&value, image, sizeof image);
    return value;
}

// Encodings the FPU refuses as operands read as NaN; a signalling NaN too.
TEST(RealOutput, UnsupportedEncodingsAndSignallingNaNs) {
    EXPECT_EQ(written(from_image(0, 0x7FFF)), "NaN") << "pseudo-infinity";
    EXPECT_EQ(written(from_image(0x4000000000000000ull, 0x3FFF)), "NaN") << "unnormal";
    EXPECT_EQ(written(from_image(0xA000000000000000ull, 0xFFFF)), "NaN") << "signalling";
    EXPECT_EQ(written(from_image(0x8000000000000000ull, 0x3FFF)), "+1.0000000E+000");
}

// The scaling's passes change behaviour at 10, 1, 10^+-64 and 10^+-128: one
// pass handles up to 10^128, beyond that single steps of ten finish.
TEST(RealOutput, EdgesOfThePowerTables) {
    const Case cases[] = {
        {9.9999999, "+9.9999999E+000"},   {10.0, "+1.0000000E+001"},
        {1.0, "+1.0000000E+000"},         {0.99999999, "+9.9999999E-001"},
        {1e64, "+1.0000000E+064"},        {1e-64, "+1.0000000E-064"},
        {1e127, "+1.0000000E+127"},       {1e128, "+1.0000000E+128"},
        {1e129, "+1.0000000E+129"},       {1e-128, "+1.0000000E-128"},
        {1e-129, "+1.0000000E-129"},      {999999999.0, "+9.9999999E+008"},
        {999999999.7, "+1.0000000E+009"}, // the ninth digit carries
        {999999994.0, "+9.9999999E+008"}, {100000000.0, "+1.0000000E+008"},
    };
    for (const Case &c : cases) EXPECT_EQ(written(c.value), c.text) << static_cast<double>(c.value);
}

// Beyond the double range the exponent needs four digits; the field widens.
TEST(RealOutput, ExtendedValuesBeyondTheDoubleRange) {
    const Case cases[] = {
        {1e999L, "+1.0000000E+999"},     {1e1000L, "+1.0000000E+1000"},
        {-1e-1000L, "-1.0000000E-1000"}, {LDBL_MAX, "+1.1897315E+4932"},
        {LDBL_MIN, "+3.3621031E-4932"},  {LDBL_TRUE_MIN, "+3.6451995E-4951"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(written(c.value), c.text);
        EXPECT_EQ(console_screen::cursor().X, static_cast<SHORT>(std::string(c.text).size()));
    }
}

TEST(RealOutput, WritesAtTheCursor) {
    console_host_open(80, 25);
    con_write_real(1.5);
    con_write_real(-2.25);
    EXPECT_EQ(row_text(0), "+1.5000000E+000-2.2500000E+000");
}

// Single precision and rounding upward as the caller's settings: the digits
// do not change, and the caller gets its exact word back on every path.
TEST(RealOutput, CallersControlWordComesBack) {
    const uint16_t original = control_word::current();
    const uint16_t unusual = 0x187F; // 24-bit precision, round up, bit 12 set
    const Case cases[] = {
        {2.0 / 3.0, "+6.6666666E-001"},
        {0.0, "+0.0000000E+000"},
        {HUGE_VALL, "+"
                    "\xEC"},
        {std::nanl(""), "NaN"},
        {1e-300, "+1.0000000E-300"},
    };
    for (const Case &c : cases) {
        console_host_open(80, 25);
        control_word::load(unusual);
        con_write_real(c.value);
        const uint16_t after = control_word::current();
        control_word::load(original);
        EXPECT_EQ(after, unusual) << c.text;
        EXPECT_EQ(row_text(0), c.text);
    }
}

uint16_t status_word() {
    uint16_t word;
    asm volatile("fnstsw %0" : "=m"(word));
    return word;
}

// Truncation raises inexact and testing a NaN raises invalid, as masked
// events inside the work. A caller that masks them can read the flags; one
// that unmasks them must not be left a pending fault.
TEST(RealOutput, FlagsOfExceptionsTheCallerUnmaskedAreDropped) {
    const uint16_t original = control_word::current();
    const uint16_t inexact_flag = 0x0020;
    const uint16_t all_unmasked = 0x0340;
    const Case cases[] = {
        {2.0 / 3.0, "+6.6666666E-001"},
        {std::nanl(""), "NaN"},
        {1e-300, "+1.0000000E-300"},
    };
    for (const Case &c : cases) {
        console_host_open(80, 25);
        control_word::load(all_unmasked);
        con_write_real(c.value);
        const uint16_t status = status_word();
        asm volatile("fwait"); // a pending exception would fault here
        control_word::load(original);
        EXPECT_EQ(status & 0x00BF, 0) << c.text;
        EXPECT_EQ(row_text(0), c.text);
    }
    control_word::load(0x037F);
    con_write_real(2.0 / 3.0);
    const uint16_t status = status_word();
    control_word::load(original);
    EXPECT_EQ(status & inexact_flag, inexact_flag) << "a masked flag stays for the caller";
}

} // namespace
