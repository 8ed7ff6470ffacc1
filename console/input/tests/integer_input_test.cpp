// Integer input: the three readers over typed lines, and the two decimal
// conversions over texts, with the signed parser's two messages.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "con_input.h"
#include "console_host.h"
#include "console_screen.h"

namespace {

using console_screen::type_text;

class IntegerInput : public ::testing::Test {
  protected:
    void SetUp() override { console_host_open(120, 40); }
};

struct SignedCase {
    const char *typed;
    int32_t value;
    bool valid;
    const char *message; // the line after the echo, "" when none
};

const SignedCase signed_cases[] = {
    {"2147483647", 2147483647, true, ""},
    {"2147483648", 0, false, " <32-bit integer overflow>"},
    {"-2147483648", INT32_MIN, true, ""},
    {"-2147483649", 0, false, " <32-bit integer overflow>"},
    {"-21474836480", 0, false, " <32-bit integer overflow>"},
    {"99999999999", 0, false, " <32-bit integer overflow>"},
    {" \t +42 abc", 42, true, ""},
    {"-", 0, false, " <invalid integer>"},
    {"+", 0, false, " <invalid integer>"},
    {"- 5", 0, false, " <invalid integer>"},
    {"+-5", 0, false, " <invalid integer>"},
    {"abc", 0, false, " <invalid integer>"},
    {"12.7", 12, true, ""},
    {"0012", 12, true, ""},
    {"-0", 0, true, ""},
    {"", 0, true, ""},
    {"    ", 0, true, ""},
    {"-17", -17, true, ""},
    {"000000000000000000000000000000000000000000000000000000000000000000000000000123", 123, true,
     ""},
};

TEST_F(IntegerInput, SignedReaderValuesAndMessages) {
    for (const SignedCase &c : signed_cases) {
        console_host_open(120, 40);
        type_text(c.typed);
        bool valid = !c.valid;
        EXPECT_EQ(con_read_int(&valid), c.value) << '"' << c.typed << '"';
        EXPECT_EQ(valid, c.valid) << '"' << c.typed << '"';
        // The echo ends the first row; the message stands alone on the next.
        EXPECT_EQ(console_screen::row_text(1), c.message) << '"' << c.typed << '"';
        int message_rows = *c.message ? 1 : 0;
        EXPECT_EQ(console_screen::cursor().Y, 1 + message_rows);
        EXPECT_EQ(console_screen::cursor().X, 0);
    }
}

TEST_F(IntegerInput, LongLineCountsOnlyItsFirst79Characters) {
    std::string line = std::string(78, ' ') + "45";
    type_text(line);
    bool valid = false;
    EXPECT_EQ(con_read_int(&valid), 4) << "the 80th character is cut off";
    EXPECT_TRUE(valid);
}

TEST_F(IntegerInput, ParseIntBoundsOnlyTheBlankSkip) {
    bool valid = false;
    EXPECT_EQ(parse_int("   7", 2, &valid), 0) << "all counted characters blank";
    EXPECT_TRUE(valid);
    EXPECT_EQ(parse_int("  75x", 3, &valid), 75) << "the digit run ends at a non-digit";
    EXPECT_EQ(parse_int("9", 0, &valid), 0);
    EXPECT_TRUE(valid);
    EXPECT_EQ(parse_int("-2147483648", 11, nullptr), INT32_MIN);
}

struct UnsignedCase {
    const char *text;
    uint32_t value;
    bool valid;
};

TEST_F(IntegerInput, UnsignedConversion) {
    const UnsignedCase cases[] = {
        {"4294967295", 4294967295u, true},
        {"4294967296", 0, false},
        {"42949672950", 0, false},
        {"+5", 0, true},
        {"-5", 0, true},
        {"", 0, false},
        {" \t ", 0, false},
        {"  007 8", 7, true},
        {"x", 0, true},
    };
    for (const UnsignedCase &c : cases) {
        bool valid = !c.valid;
        EXPECT_EQ(parse_dec(c.text, static_cast<uint32_t>(std::strlen(c.text)), &valid), c.value)
            << '"' << c.text << '"';
        EXPECT_EQ(valid, c.valid) << '"' << c.text << '"';
    }
    EXPECT_EQ(console_screen::cursor().X, 0) << "the unsigned parser writes nothing";
    EXPECT_EQ(console_screen::row_text(0), "");
}

TEST_F(IntegerInput, UnsignedReader) {
    type_text("4294967295");
    bool valid = false;
    EXPECT_EQ(con_read_dec(&valid), 4294967295u);
    EXPECT_TRUE(valid);
    type_text("");
    EXPECT_EQ(con_read_dec(&valid), 0u);
    EXPECT_FALSE(valid);
}

TEST_F(IntegerInput, HexadecimalReader) {
    const UnsignedCase cases[] = {
        {"ff", 255, true},
        {"FF", 255, true},
        {"1A2B", 6699, true},
        {"123456789", 0x23456789, true},
        {"", 0, false},
        {"   ", 0, false},
        {"  7f  ", 0x7F, true},
        {"12 34", 0x12, true},
        {"1G", 1, true},
        {"xyz", 0, false},
        {":", 0, false},
        {"@1", 0, false},
        {"deadBEEF", 0xDEADBEEF, true},
    };
    for (const UnsignedCase &c : cases) {
        type_text(c.text);
        bool valid = !c.valid;
        EXPECT_EQ(con_read_hex(&valid), c.value) << '"' << c.text << '"';
        EXPECT_EQ(valid, c.valid) << '"' << c.text << '"';
    }
}

} // namespace
