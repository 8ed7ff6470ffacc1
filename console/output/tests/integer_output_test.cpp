// Integer output in its four notations, read back from a fresh console.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "con_output.h"
#include "console_host.h"
#include "console_screen.h"
#include "console_state.h"

namespace {

// What one call writes, as the characters of row 0 of a fresh console.
std::string written_by(const std::function<void()> &write) {
    console_host_open(80, 25);
    write();
    EXPECT_EQ(console_screen::cursor().Y, 0) << "integers never end the line";
    return console_screen::text(0, 0, console_screen::cursor().X);
}

struct SignedCase {
    int32_t value;
    const char *text;
};

TEST(IntegerOutput, SignedDecimalAlwaysCarriesItsSign) {
    const SignedCase cases[] = {
        {0, "+0"},
        {42, "+42"},
        {-7, "-7"},
        {10, "+10"},
        {-100, "-100"},
        {2147483647, "+2147483647"},
        {INT32_MIN, "-2147483648"},
        {-2147483647, "-2147483647"},
    };
    for (const SignedCase &c : cases)
        EXPECT_EQ(written_by([&] { con_write_int(c.value); }), c.text) << c.value;
}

struct UnsignedCase {
    uint32_t value;
    const char *text;
};

TEST(IntegerOutput, UnsignedDecimalHasNoSignAndNoLeadingZeros) {
    const UnsignedCase cases[] = {
        {0, "0"},
        {9, "9"},
        {10, "10"},
        {4294967295u, "4294967295"},
        {static_cast<uint32_t>(-1), "4294967295"},
        {1000000000u, "1000000000"},
    };
    for (const UnsignedCase &c : cases)
        EXPECT_EQ(written_by([&] { con_write_dec(c.value); }), c.text) << c.value;
}

struct SizedCase {
    uint32_t value;
    uint32_t size;
    const char *text;
};

TEST(IntegerOutput, HexadecimalHasExactlyTheDigitsOfItsSize) {
    const SizedCase cases[] = {
        {0, 4, "00000000"},          {255, 4, "000000FF"},        {0xFFFFFFFF, 4, "FFFFFFFF"},
        {0x1234ABCD, 1, "CD"},       {0x1234ABCD, 2, "ABCD"},     {0x1234ABCD, 4, "1234ABCD"},
        {0x1234ABCD, 3, "1234ABCD"}, {0x1234ABCD, 0, "1234ABCD"}, {5, 1, "05"},
        {0xBEEF, 8, "0000BEEF"},
    };
    for (const SizedCase &c : cases)
        EXPECT_EQ(written_by([&] { con_write_hex_sized(c.value, c.size); }), c.text)
            << std::hex << c.value << " size " << c.size;
    EXPECT_EQ(written_by([] { con_write_hex(0xDEADBEEF); }), "DEADBEEF");
}

TEST(IntegerOutput, BaseTwoInGroupsOfFour) {
    const SizedCase cases[] = {
        {5, 1, "0000 0101"},
        {5, 2, "0000 0000 0000 0101"},
        {0x80000001, 4, "1000 0000 0000 0000 0000 0000 0000 0001"},
        {0x80000001, 7, "1000 0000 0000 0000 0000 0000 0000 0001"},
        {0xA5C3, 1, "1100 0011"},
        {0xFFFFFFFF, 2, "1111 1111 1111 1111"},
    };
    for (const SizedCase &c : cases)
        EXPECT_EQ(written_by([&] { con_write_bin_sized(c.value, c.size); }), c.text)
            << std::hex << c.value << " size " << c.size;
    EXPECT_EQ(written_by([] { con_write_bin(0x0000000F); }),
              "0000 0000 0000 0000 0000 0000 0000 1111");
}

TEST(IntegerOutput, HexByteAndDigits) {
    EXPECT_EQ(written_by([] { write_hex_byte(10); }), "0A");
    EXPECT_EQ(written_by([] { write_hex_byte(0xF0); }), "F0");
    for (uint32_t v = 0; v < 16; ++v) EXPECT_EQ(hex_digit_char(v), "0123456789ABCDEF"[v]);
}

TEST(IntegerOutput, NumbersTakeTheAttributeInForce) {
    console_host_open(80, 25);
    con_set_color(0x4E);
    con_write_int(-12);
    for (WORD attribute : console_screen::attributes(0, 0, 3)) EXPECT_EQ(attribute, 0x4E);
    EXPECT_EQ(console_screen::attribute(0, 3), 0x07);
}

} // namespace
