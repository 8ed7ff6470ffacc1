// Real-number input fed key by key as script input: values, the echo on the
// screen, where the error text lands, and which key is left unread.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "con_input.h"
#include "con_real.h"
#include "console_host.h"
#include "console_screen.h"
#include "control_word.h"
#include "fpu_stack_run.h"

namespace {

using console_screen::row_text;

const std::string ERROR_LINE = "Floating point error";

long double read_keys(const std::string &keys) {
    console_host_open(80, 25);
    console_host_feed(keys.data(), static_cast<unsigned>(keys.size()));
    return con_read_real();
}

struct Case {
    const char *keys;
    long double value;
    const char *echo; // row 0 afterwards
    int cursor_row;
    int cursor_column;
};

TEST(RealInput, NumbersAndTheirEcho) {
    const Case cases[] = {
        {"1.5\n", 1.5, "1.5", 1, 0},
        {"-2.5e3\n", -2500.0, "-2.5e3", 1, 0},
        {".5\n", 0.5, ".5", 1, 0},
        {"5.\n", 5.0, "5.", 1, 0},
        {"+7\n", 7.0, "+7", 1, 0},
        {".\n", 0.0, ".", 1, 0},
        {"2.5e\n", 2.5, "2.5e", 1, 0},
        {"2.5e+\n", 2.5, "2.5e+", 1, 0},
        {"4E2\n", 400.0, "4E2", 1, 0},
        {"1e99\n", 1e99, "1e99", 1, 0},
        {"1e-99\n", 0x1.17f7d4ed8c33ep-329L, "1e-99", 1, 0},
        {"3.5x", 3.5, "3.5x", 0, 4},
        {"1e+-2", 1.0, "1e+-", 0, 4},
    };
    for (const Case &c : cases) {
        const long double value = read_keys(c.keys);
        EXPECT_TRUE(same_bits(value, c.value)) << c.keys << " gave " << static_cast<double>(value);
        EXPECT_EQ(row_text(0), c.echo) << c.keys;
        EXPECT_EQ(row_text(1), "") << c.keys;
        EXPECT_EQ(console_screen::cursor().Y, c.cursor_row) << c.keys;
        EXPECT_EQ(console_screen::cursor().X, c.cursor_column) << c.keys;
    }
}

TEST(RealInput, MinusZeroIsNegativeZero) {
    const long double value = read_keys("-0\n");
    EXPECT_EQ(value, 0.0L);
    EXPECT_TRUE(std::signbit(value));
    EXPECT_FALSE(std::signbit(read_keys("0\n")));
}

// Each step is cut to 53 bits toward zero, not rounded to nearest.
TEST(RealInput, ArithmeticIsTruncated) {
    EXPECT_TRUE(same_bits(read_keys("0.1\n"), 0x1.9999999999999p-4L))
        << "the largest double below one tenth";
    const long double value = read_keys("12.375E-2\n");
    EXPECT_TRUE(same_bits(value, 0x1.fae147ae147abp-4L)) << static_cast<double>(value);
    console_host_open(80, 25);
    con_write_real(value);
    EXPECT_EQ(row_text(0), "+1.2375000E-001");
}

// Past the double range of the divisor: 330 places after the point still
// reach 10^-331.
TEST(RealInput, LongFractionsKeepTheirMagnitude) {
    const long double value = read_keys("0." + std::string(330, '0') + "1\n");
    EXPECT_NEAR(static_cast<double>(value / 1e-331L), 1.0, 1e-12);
}

TEST(RealInput, MalformedStartGivesZeroAndTheErrorText) {
    const struct {
        const char *keys;
        const char *echo;
        int error_row;
    } cases[] = {
        {"\n", "", 2}, // Enter echoes a line end; the text begins with another
        {"a", "a", 1},      {" 5\n", "", 1}, // no leading blanks
        {"+-5\n", "+-", 1}, {"-e5\n", "-e", 1},
    };
    for (const auto &c : cases) {
        const long double value = read_keys(c.keys);
        EXPECT_TRUE(same_bits(value, 0.0L)) << c.keys << " (a positive zero)";
        EXPECT_EQ(row_text(0), c.echo) << c.keys;
        EXPECT_EQ(row_text(c.error_row), ERROR_LINE) << c.keys;
        EXPECT_EQ(console_screen::cursor().Y, c.error_row + 1) << c.keys;
        EXPECT_EQ(console_screen::cursor().X, 0) << c.keys;
    }
}

TEST(RealInput, NoKeyIsReadAfterTheOneThatEnds) {
    EXPECT_EQ(read_keys("a5"), 0.0L);
    EXPECT_EQ(con_read_char() & 0xFF, static_cast<uint32_t>('5'));
    EXPECT_EQ(read_keys("3.5x7"), 3.5L);
    EXPECT_EQ(con_read_char() & 0xFF, static_cast<uint32_t>('7'));
}

// Past 99 the exponent is refused after the terminator's echo, and the
// mantissa keeps its sign, unscaled; so many digits never wrap around.
TEST(RealInput, ExponentAbove99IsRefused) {
    const struct {
        const char *keys;
        long double value;
        bool refused;
    } cases[] = {
        {"1e100\n", 1.0, true},
        {"-2.5e-100\n", -2.5, true},
        {"1e4294967297\n", 1.0, true}, // 2^32 + 1 would wrap to 1
        {"3e99999999999999999999999\n", 3.0, true},
        {"1e0000000000000000000000099\n", 1e99, false}, // leading zeros do not count
    };
    for (const auto &c : cases) {
        const long double value = read_keys(c.keys);
        EXPECT_TRUE(same_bits(value, c.value)) << c.keys << " gave " << static_cast<double>(value);
        EXPECT_EQ(row_text(2), c.refused ? ERROR_LINE : "") << c.keys;
        EXPECT_EQ(console_screen::cursor().Y, c.refused ? 3 : 1) << c.keys;
    }
}

TEST(RealInput, CallersControlWordComesBack) {
    const uint16_t original = control_word::current();
    for (const char *keys : {"0.1\n", "\n", "1e100\n"}) {
        console_host_open(80, 25);
        console_host_feed(keys, static_cast<unsigned>(std::strlen(keys)));
        control_word::load(0x087F);
        const long double value = con_read_real();
        const uint16_t after = control_word::current();
        control_word::load(original);
        EXPECT_EQ(after, 0x087F) << keys;
        if (std::string(keys) == "0.1\n") {
            EXPECT_TRUE(same_bits(value, 0x1.9999999999999p-4L));
        }
    }
}

// A number that takes the arithmetic through several FPU slots, read with
// the caller's stack at every depth: the caller's values stay below the result.
TEST(RealInput, KeepsTheCallersStackAtEveryDepth) {
    for (uint32_t depth = 0; depth < 8; ++depth) {
        console_host_open(80, 25);
        console_host_feed("12.375E-2\n", 10);
        StackRun run = stack_run(reinterpret_cast<const void *>(&con_read_real), depth, 1);
        run_with_stack(run);
        EXPECT_TRUE(callers_values_kept(run)) << "depth " << depth;
        EXPECT_TRUE(same_bits(run.out[0], 0x1.fae147ae147abp-4L)) << "depth " << depth;
    }
}

} // namespace
