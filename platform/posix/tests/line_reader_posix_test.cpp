// ReadConsoleA in line mode on a headless console: editing keys, the echo
// into the screen buffer, history, and lines longer than the read.
#include <stdlib.h>

#include "input_test_support.h"

namespace {

using input_test::InputTest;

// One key press for the editing tables.
struct Key {
    WORD vk;
    WORD scan;
    char ch;
    DWORD state;
};

constexpr DWORD ENH = ENHANCED_KEY;
constexpr DWORD CTRL = LEFT_CTRL_PRESSED;
const Key LEFT{VK_LEFT, 0x4B, 0, ENH};
const Key RIGHT{VK_RIGHT, 0x4D, 0, ENH};
const Key HOME{VK_HOME, 0x47, 0, ENH};
const Key END{VK_END, 0x4F, 0, ENH};
const Key INSERT{VK_INSERT, 0x52, 0, ENH};
const Key DEL{VK_DELETE, 0x53, 0, ENH};
const Key UP{VK_UP, 0x48, 0, ENH};
const Key DOWN{VK_DOWN, 0x50, 0, ENH};
const Key PAGE_UP{VK_PRIOR, 0x49, 0, ENH};
const Key CTRL_LEFT{VK_LEFT, 0x4B, 0, ENH | CTRL};
const Key CTRL_RIGHT{VK_RIGHT, 0x4D, 0, ENH | CTRL};
const Key CTRL_HOME{VK_HOME, 0x47, 0, ENH | CTRL};
const Key CTRL_END{VK_END, 0x4F, 0, ENH | CTRL};
const Key BACKSPACE{VK_BACK, 0x0E, 0x08, 0};
const Key CTRL_BACKSPACE{VK_BACK, 0x0E, 0x7F, CTRL};
const Key ESCAPE{VK_ESCAPE, 0x01, 0x1B, 0};
const Key ENTER{VK_RETURN, 0x1C, '\r', 0};
const Key CTRL_ENTER{VK_RETURN, 0x1C, '\n', CTRL};
const Key F1{VK_F1, 0x3B, 0, 0};
const Key CTRL_B{'B', 0x30, 0x02, CTRL};
const Key TAB{VK_TAB, 0x0F, '\t', 0};

// A step of typing: text (each byte a key) or one key.
struct Step {
    std::string text;
    Key key{};
    Step(const char *t) : text(t) {}
    Step(const Key &k) : key(k) {}
};

class LineReader : public InputTest {
  protected:
    void enter(const std::vector<Step> &steps) {
        for (const Step &s : steps) {
            if (!s.text.empty()) {
                type(s.text);
            } else {
                press(s.key.vk, s.key.scan, s.key.ch, s.key.state);
            }
        }
    }
    std::string read_line(const std::vector<Step> &steps, DWORD count = 80) {
        enter(steps);
        press(ENTER.vk, ENTER.scan, ENTER.ch);
        return read_console(count);
    }
};

struct EditCase {
    const char *name;
    std::vector<Step> steps;
    std::string line;
};

class Editing : public LineReader, public ::testing::WithParamInterface<EditCase> {};

// The line delivered and the line shown agree, with the rest of a longer
// earlier rendering blanked.
TEST_P(Editing, DeliversAndShowsTheEditedLine) {
    const EditCase &c = GetParam();
    EXPECT_EQ(read_line(c.steps), c.line + "\r\n");
    std::string shown = c.line;
    while (!shown.empty() && (shown.back() == ' ' || shown.back() == '\t')) shown.pop_back();
    EXPECT_EQ(row_text(0), shown);
    EXPECT_EQ(cursor().X, 0);
    EXPECT_EQ(cursor().Y, 1);
}

INSTANTIATE_TEST_SUITE_P(
    LineReader, Editing,
    ::testing::Values(
        EditCase{"plain", {"hello world"}, "hello world"}, EditCase{"empty", {}, ""},
        EditCase{"blanks_kept", {"  7 \t"}, "  7 \t"},
        EditCase{"insert_in_the_middle", {"abc", LEFT, LEFT, "X"}, "aXbc"},
        EditCase{"left_stops_at_start", {"ab", LEFT, LEFT, LEFT, "X"}, "Xab"},
        EditCase{"right_stops_at_end", {"ab", HOME, RIGHT, RIGHT, RIGHT, "X"}, "abX"},
        EditCase{"overwrite_after_insert", {"abc", HOME, INSERT, "XY"}, "XYc"},
        EditCase{"overwrite_past_the_end_appends", {"ab", INSERT, LEFT, "xyz"}, "axyz"},
        EditCase{"insert_twice_inserts_again", {"abc", HOME, INSERT, INSERT, "X"}, "Xabc"},
        EditCase{"backspace", {"abcd", BACKSPACE, BACKSPACE}, "ab"},
        EditCase{"backspace_in_the_middle", {"abcd", LEFT, BACKSPACE}, "abd"},
        EditCase{"backspace_at_start", {"ab", HOME, BACKSPACE}, "ab"},
        EditCase{"delete", {"abcd", HOME, DEL}, "bcd"},
        EditCase{"delete_at_end", {"ab", DEL}, "ab"},
        EditCase{"home_and_end", {"bc", HOME, "a", END, "d"}, "abcd"},
        EditCase{"escape_clears", {"abcdef", ESCAPE, "x"}, "x"},
        EditCase{"escape_from_the_middle", {"abcdef", LEFT, LEFT, ESCAPE}, ""},
        EditCase{
            "ctrl_left_by_word", {"one two  three", CTRL_LEFT, CTRL_LEFT, "X"}, "one Xtwo  three"},
        EditCase{"ctrl_right_by_word", {"one two three", HOME, CTRL_RIGHT, "X"}, "one Xtwo three"},
        EditCase{"ctrl_right_to_end",
                 {"one two", HOME, CTRL_RIGHT, CTRL_RIGHT, CTRL_RIGHT, "!"},
                 "one two!"},
        EditCase{"ctrl_home_deletes_to_start", {"abcdef", LEFT, LEFT, CTRL_HOME}, "ef"},
        EditCase{"ctrl_end_deletes_to_end", {"abcdef", LEFT, LEFT, CTRL_END}, "abcd"},
        EditCase{"ctrl_backspace_deletes_a_word", {"one two", CTRL_BACKSPACE}, "one "},
        EditCase{"keys_without_character_ignored", {"a", F1, CTRL_ENTER, "b"}, "ab"}));

TEST_F(LineReader, ControlCharactersAreKeptAndShownAsCaret) {
    EXPECT_EQ(read_line({"a", CTRL_B, "b"}), "a\x02"
                                             "b\r\n");
    EXPECT_EQ(row_text(0), "a^Bb");
}

TEST_F(LineReader, EditingAroundACaretCharacterMovesByCharacter) {
    EXPECT_EQ(read_line({"a", CTRL_B, "b", LEFT, LEFT, BACKSPACE}), "\x02"
                                                                    "b\r\n");
    EXPECT_EQ(row_text(0), "^Bb");
}

TEST_F(LineReader, TabShowsAsBlanksToTheNextStop) {
    DWORD written = 0;
    ASSERT_TRUE(WriteConsoleA(out, "ab", 2, &written, nullptr));
    enter({TAB, "x"});
    press(ENTER.vk, ENTER.scan, ENTER.ch);
    EXPECT_EQ(read_console(80), "\tx\r\n");
    EXPECT_EQ(row_text(0), "ab      x");
}

TEST_F(LineReader, EchoStartsAtTheCursorAfterAPrompt) {
    DWORD written = 0;
    ASSERT_TRUE(WriteConsoleA(out, "n = ", 4, &written, nullptr));
    EXPECT_EQ(read_line({"12", HOME, "-"}), "-12\r\n");
    EXPECT_EQ(row_text(0), "n = -12");
}

TEST_F(LineReader, WithoutEchoNothingIsShown) {
    set_mode(ENABLE_LINE_INPUT | ENABLE_PROCESSED_INPUT);
    EXPECT_EQ(read_line({"secret"}), "secret\r\n");
    EXPECT_EQ(row_text(0), "");
    EXPECT_EQ(cursor().Y, 0);
}

TEST_F(LineReader, WithoutProcessedInputTheLineEndsInCrAndBackspaceIsKept) {
    set_mode(ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT);
    EXPECT_EQ(read_line({"ab", BACKSPACE}), "ab\x08\r");
}

TEST_F(LineReader, ALineLongerThanTheRowWrapsAndScrolls) {
    ASSERT_TRUE(SetConsoleCursorPosition(out, COORD{30, ROWS - 1}));
    // 15 cells from column 30 of the last row scroll the buffer once; the
    // edit at Home must then redraw from the row the line moved to.
    EXPECT_EQ(read_line({"0123456789abcde", HOME, "X", END, BACKSPACE}), "X0123456789abcd\r\n");
    EXPECT_EQ(row_text(ROWS - 3), std::string(30, ' ') + "X012345678");
    EXPECT_EQ(row_text(ROWS - 2), "9abcd");
    EXPECT_EQ(row_text(ROWS - 1), "");
    EXPECT_EQ(cursor().X, 0);
    EXPECT_EQ(cursor().Y, ROWS - 1);
}

// Longer than the whole buffer, the line's start scrolls off the top; once
// it fits again it comes back to the top row, drawn where the cursor says.
TEST_F(LineReader, ALineShortAgainAfterScrollingOffComesBackInSight) {
    console_host_open(4, 3);
    EXPECT_EQ(read_line({"abcdefghijklmn", ESCAPE, "xyz12"}), "xyz12\r\n");
    EXPECT_EQ(console_screen::text(0, 0, 8), "xyz12   ");
    EXPECT_EQ(cursor().X, 0);
    EXPECT_EQ(cursor().Y, 2);
}

TEST_F(LineReader, UpAndDownRecallEarlierLines) {
    EXPECT_EQ(read_line({"one"}), "one\r\n");
    EXPECT_EQ(read_line({"two"}), "two\r\n");
    EXPECT_EQ(read_line({"three"}), "three\r\n");
    EXPECT_EQ(read_line({UP}), "three\r\n");
    EXPECT_EQ(read_line({UP, UP, DOWN}), "three\r\n");
    EXPECT_EQ(read_line({UP, UP, UP, UP, UP}), "one\r\n"); // stays at the oldest
    EXPECT_EQ(read_line({PAGE_UP, "!"}), "one!\r\n");
    EXPECT_EQ(read_line({"x", UP}), "one!\r\n");
    EXPECT_EQ(read_line({DOWN}), "\r\n"); // nothing after the newest
    EXPECT_EQ(row_text(7), "one!");
}

TEST_F(LineReader, AFullHistoryForgetsTheOldestLine) {
    for (int n = 1; n <= 51; ++n) {
        std::string line = "line " + std::to_string(n);
        ASSERT_EQ(read_line({line.c_str()}), line + "\r\n");
    }
    EXPECT_EQ(read_line({PAGE_UP}), "line 2\r\n");
    EXPECT_EQ(read_line({UP, UP}), "line 51\r\n");
}

TEST_F(LineReader, HistoryBelongsToTheConsole) {
    EXPECT_EQ(read_line({"one"}), "one\r\n");
    console_host_open(COLUMNS, ROWS);
    EXPECT_EQ(read_line({UP, DOWN}), "\r\n");
}

TEST_F(LineReader, RightAtTheEndCopiesFromTheLastLine) {
    EXPECT_EQ(read_line({"hello"}), "hello\r\n");
    EXPECT_EQ(read_line({"HE", RIGHT, RIGHT, RIGHT, RIGHT, RIGHT, RIGHT}), "HEllo\r\n");
}

struct OverflowCase {
    size_t typed;
    std::string first;   // the read of 80
    std::string pending; // what the next reads get without waiting
};

class Overflow : public LineReader, public ::testing::WithParamInterface<OverflowCase> {};

// Windows delivers exactly the count asked for and keeps the rest, line
// end included, for the next reads, whatever their mode.
TEST_P(Overflow, TheRestWaitsForTheNextReadsInAnyMode) {
    const OverflowCase &c = GetParam();
    std::string line;
    for (size_t i = 0; i < c.typed; ++i) line += static_cast<char>('a' + i % 26);
    EXPECT_EQ(read_line({line.c_str()}), line.substr(0, 80) + c.first);
    set_mode(0);
    std::string rest;
    if (c.pending.empty()) {
        EXPECT_EQ(exit_status_of([&] { read_console(1); }), 1); // nothing was kept
        return;
    }
    // Reads one byte at a time, as a reader dropping the rest does; the
    // queue is empty, so any wait would end the program.
    while (rest.empty() || rest.back() != '\n') {
        std::string got;
        ASSERT_EQ(exit_status_of([&] { got = read_console(1); }), -1);
        ASSERT_EQ(got.size(), 1u);
        rest += got;
    }
    EXPECT_EQ(rest, c.pending);
}

INSTANTIATE_TEST_SUITE_P(LineReader, Overflow,
                         ::testing::Values(OverflowCase{78, "\r\n", ""},
                                           OverflowCase{79, "\r", "\n"},
                                           OverflowCase{80, "", "\r\n"},
                                           OverflowCase{81, "", "c\r\n"}),
                         [](const ::testing::TestParamInfo<OverflowCase> &info) {
                             return "typed_" + std::to_string(info.param.typed);
                         });

TEST_F(LineReader, ALongLineComesInPiecesOfTheCountAskedFor) {
    EXPECT_EQ(read_line({"hello world"}, 5), "hello");
    EXPECT_EQ(read_console(5), " worl");
    EXPECT_EQ(read_console(5), "d\r\n");
    EXPECT_EQ(read_line({"hello"}, 5), "hello");
    EXPECT_EQ(read_console(5), "\r\n");
}

TEST_F(LineReader, PendingRestComesBeforeKeysAlreadyTyped) {
    EXPECT_EQ(read_line({"abcdef"}, 4), "abcd");
    type("z");
    set_mode(0);
    EXPECT_EQ(read_console(10), "ef\r\n");
    EXPECT_EQ(read_console(10), "z");
}

TEST_F(LineReader, ScriptLinesAreReadAndEchoed) {
    feed("42\n-7\r\n");
    EXPECT_EQ(read_console(80), "42\r\n");
    EXPECT_EQ(read_console(80), "-7\r\n");
    EXPECT_EQ(row_text(0), "42");
    EXPECT_EQ(row_text(1), "-7");
    EXPECT_EQ(cursor().Y, 2);
}

TEST_F(LineReader, ScriptEditingSequencesEditTheLine) {
    feed("abc\x1b[D\x1b[DX\x1b[F!\x7f?\n");
    EXPECT_EQ(read_console(80), "aXbc?\r\n");
    EXPECT_EQ(row_text(0), "aXbc?");
}

// The end of the script ends its last line; only a read after that ends
// the program.
TEST_F(LineReader, TheEndOfTheScriptEndsItsLastLine) {
    feed("3\n10");
    EXPECT_EQ(read_console(80), "3\r\n");
    EXPECT_EQ(read_console(80), "10\r\n");
    EXPECT_EQ(exit_status_of([&] { read_console(80); }), 1);
}

TEST_F(LineReader, CtrlCWhileEditingEndsTheProgram) {
    enter({"12"});
    press('C', 0x2E, 0x03, CTRL); // written records are keys, not signals
    press(ENTER.vk, ENTER.scan, ENTER.ch);
    EXPECT_EQ(read_console(80), "12\x03\r\n");
    feed("34\x03");
    EXPECT_EQ(exit_status_of([&] { read_console(80); }), 130);
}

TEST_F(LineReader, DoubleByteCharactersEditAsOneCharacter) {
    const char *codepage = getenv("CONRT_CODEPAGE");
    if (codepage != nullptr && std::string(codepage) != "950")
        GTEST_SKIP() << "needs code page 950";
    feed("\xe4\xb8\xad\xe6\x96\x87\x1b[D\x1b[Da\x1b[C\x7f\n"); // 中文, Left, Left, a, Right, BS
    EXPECT_EQ(read_console(80), "a\xa4\xe5\r\n");              // a 文
    EXPECT_EQ(row_text(0), "a\xa4\xe5");
    // At the end of a row the character moves whole to the next one, and
    // the echo goes on after it.
    ASSERT_TRUE(SetConsoleCursorPosition(out, COORD{COLUMNS - 3, 1}));
    feed("zx\xe4\xb8\xady\n"); // z x 中 y
    EXPECT_EQ(read_console(80), "zx\xa4\xa4y\r\n");
    EXPECT_EQ(row_text(1), std::string(COLUMNS - 3, ' ') + "zx");
    EXPECT_EQ(row_text(2), "\xa4\xa4y");
    // Right copies one byte of the last line: the second half of its 中,
    // a lead byte too, stands alone. It starts no pair in the last column
    // either, and Backspace takes it off the screen.
    feed("x\xe4\xb8\xad\n");
    EXPECT_EQ(read_console(80), "x\xa4\xa4\r\n");
    ASSERT_TRUE(SetConsoleCursorPosition(out, COORD{COLUMNS - 3, 3}));
    feed("ab\x1b[C\x7f\n");
    EXPECT_EQ(read_console(80), "ab\r\n");
    EXPECT_EQ(row_text(4), "");
    // A character that went to the next row whole, taken back: what follows
    // it is laid out again from the character before, on the first row.
    ASSERT_TRUE(SetConsoleCursorPosition(out, COORD{COLUMNS - 3, 5}));
    feed("ab\xe4\xb8\xad\x7f"
         "c\n");
    EXPECT_EQ(read_console(80), "abc\r\n");
    EXPECT_EQ(row_text(5), std::string(COLUMNS - 3, ' ') + "abc");
    EXPECT_EQ(row_text(6), "");
}

// In UTF-8 a character of one to four bytes edits as one, and a wide one
// moves whole to the next row; a start that breaks off never enters.
TEST_F(LineReader, Utf8CharactersEditAsOneCharacter) {
    reopen_in_codepage("65001");
    feed("a\xc3\xa9\xe4\xb8\xad\xf0\x9f\x98\x80\x1b[D\x1b[D\x7fx\x1b[C|\n"); // a é 中 😀
    EXPECT_EQ(read_console(80), "ax\xe4\xb8\xad|\xf0\x9f\x98\x80\r\n");
    EXPECT_EQ(row_text(0), "ax\xe4\xb8\xad|\xf0\x9f\x98\x80");
    ASSERT_TRUE(SetConsoleCursorPosition(out, COORD{COLUMNS - 3, 1}));
    feed("zx\xe4\xb8\xady\n");
    EXPECT_EQ(read_console(80), "zx\xe4\xb8\xady\r\n");
    EXPECT_EQ(row_text(1), std::string(COLUMNS - 3, ' ') + "zx");
    EXPECT_EQ(row_text(2), "\xe4\xb8\xady");
    for (char byte : {'\xe4', '\xb8', 'q'}) press(VK_PACKET, 0, byte);
    press(ENTER.vk, ENTER.scan, ENTER.ch);
    EXPECT_EQ(read_console(80), "q\r\n");
}

} // namespace
