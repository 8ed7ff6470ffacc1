// Stream output and the runtime's lazy start, read back from a fresh console.
#include <gtest/gtest.h>

#include "con_output.h"
#include "console_host.h"
#include "console_screen.h"
#include "console_state.h"

namespace {

class TextOutput : public ::testing::Test {
  protected:
    void SetUp() override { console_host_open(80, 25); }
};

TEST_F(TextOutput, FirstRoutineStartsTheRuntimeOnce) {
    // Whatever ran before, the flag stays set and the handles stay put.
    con_write_text("");
    EXPECT_EQ(console_ready, 1);
    HANDLE in = input_handle;
    HANDLE out = output_handle;
    EXPECT_EQ(out, GetStdHandle(STD_OUTPUT_HANDLE));
    EXPECT_EQ(in, GetStdHandle(STD_INPUT_HANDLE));
    con_write_bin(1);
    con_newline();
    EXPECT_EQ(console_ready, 1);
    EXPECT_EQ(input_handle, in);
    EXPECT_EQ(output_handle, out);
}

TEST_F(TextOutput, TextLandsAtTheCursorAndAdvancesIt) {
    con_goto(3, 10);
    con_write_text("Remainder: ");
    EXPECT_EQ(console_screen::text(3, 10, 11), "Remainder: ");
    EXPECT_EQ(console_screen::cursor().X, 21);
    EXPECT_EQ(console_screen::cursor().Y, 3);
}

TEST_F(TextOutput, EmptyTextChangesNothing) {
    con_goto(2, 5);
    con_write_text("");
    EXPECT_EQ(console_screen::cursor().X, 5);
    EXPECT_EQ(console_screen::cursor().Y, 2);
    EXPECT_EQ(console_screen::row_text(2), "");
}

TEST_F(TextOutput, CharacterZeroIsOneCell) {
    con_write_char('a');
    con_write_char('\0');
    con_write_char('b');
    EXPECT_EQ(console_screen::cursor().X, 3);
    EXPECT_EQ(console_screen::character(0, 0), 'a');
    EXPECT_EQ(console_screen::character(0, 2), 'b');
}

TEST_F(TextOutput, NewlineGoesToColumnZeroOfTheNextRow) {
    con_goto(4, 40);
    con_newline();
    EXPECT_EQ(console_screen::cursor().X, 0);
    EXPECT_EQ(console_screen::cursor().Y, 5);
}

TEST_F(TextOutput, NewlineOnTheLastRowScrolls) {
    con_goto(0, 0);
    con_write_text("top");
    con_goto(24, 0);
    con_write_text("bottom");
    con_newline();
    EXPECT_EQ(console_screen::cursor().Y, 24);
    EXPECT_EQ(console_screen::row_text(23), "bottom");
    EXPECT_NE(console_screen::row_text(0), "top");
}

TEST_F(TextOutput, LongTextContinuesOnTheNextRow) {
    std::string text(85, 'x');
    con_write_text(text.c_str());
    EXPECT_EQ(console_screen::row_text(0), std::string(80, 'x'));
    EXPECT_EQ(console_screen::row_text(1), "xxxxx");
    EXPECT_EQ(console_screen::cursor().X, 5);
}

TEST_F(TextOutput, LengthCountsBytesBeforeTheTerminator) {
    EXPECT_EQ(text_length(""), 0u);
    EXPECT_EQ(text_length("Remainder: "), 11u);
    EXPECT_EQ(con_text_length("Remainder: "), 11u);
    const char big5[] = "\xA1\x4B\xA1\x4B";
    EXPECT_EQ(text_length(big5), 4u);
}

} // namespace
