// Option 3: S(n) printed in the runtime's scientific notation, from the
// first values through the last finite one to the overflow, and the option's
// question loop over typed lines.
#include <gtest/gtest.h>

#include <string>

#include "console_host.h"
#include "console_screen.h"
#include "menu.h"

namespace {

using console_screen::row_text;
using console_screen::type_text;

std::string computed(int32_t n) {
    console_host_open(80, 25);
    compute_recurrence(n);
    return row_text(0);
}

const std::string INFINITY_TEXT = "+\xEC";

TEST(Recurrence, FirstTenValues) {
    const char *expected[] = {
        "+1.5000000E+000", "+3.5000000E+000", "+6.0000000E+000", "+1.0500000E+001",
        "+1.7500000E+001", "+2.9000000E+001", "+4.7500000E+001", "+7.7500000E+001",
        "+1.2600000E+002", "+2.0450000E+002",
    };
    for (int32_t n = 1; n <= 10; ++n) {
        EXPECT_EQ(computed(n), expected[n - 1]) << "S(" << n << ")";
        EXPECT_EQ(console_screen::cursor().Y, 1) << "a line end follows";
        EXPECT_EQ(console_screen::cursor().X, 0);
    }
}

// S(1473) is the last value below the double limit; one step more overflows,
// and from there every n, the largest included, prints the infinity form.
TEST(Recurrence, OverflowToInfinity) {
    EXPECT_EQ(computed(1473), "+1.1527200E+308");
    EXPECT_EQ(computed(1474), INFINITY_TEXT);
    EXPECT_EQ(computed(1475), INFINITY_TEXT);
    EXPECT_EQ(computed(1000000), INFINITY_TEXT);
    EXPECT_EQ(computed(2147483647), INFINITY_TEXT);
    EXPECT_EQ(console_screen::cursor().Y, 1);
}

// Each step rounds twice, to double after each addition; the result does
// not depend on the precision or rounding the caller had set.
TEST(Recurrence, StartsFromAResetFpu) {
    const uint16_t single_precision_upward = 0x087F;
    asm volatile("fldcw %0" ::"m"(single_precision_upward));
    EXPECT_EQ(computed(1473), "+1.1527200E+308");
    uint16_t after = 0;
    asm volatile("fnstcw %0" : "=m"(after));
    EXPECT_EQ(after, 0x037F) << "the reset leaves the default control word";
}

TEST(Recurrence, OptionAsksUntilZeroAndRefusesNegativeN) {
    console_host_open(80, 25);
    type_text("10");
    type_text("-5");
    type_text("1474");
    type_text("0");
    option_recurrence();
    EXPECT_EQ(row_text(0), "3.Compute S(n).");
    EXPECT_EQ(row_text(2), "Please input n:10");
    EXPECT_EQ(row_text(3), "+2.0450000E+002");
    EXPECT_EQ(row_text(4), "3.Compute S(n).");
    EXPECT_EQ(row_text(6), "Please input n:-5");
    EXPECT_EQ(row_text(7), "out of range.");
    EXPECT_EQ(row_text(10), "Please input n:1474");
    EXPECT_EQ(row_text(11), INFINITY_TEXT);
    EXPECT_EQ(row_text(14), "Please input n:0");
    EXPECT_EQ(row_text(15), "");
    EXPECT_EQ(console_screen::cursor().Y, 15);
}

} // namespace
