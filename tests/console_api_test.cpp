// The Windows console API as the runtime uses it, checked the same way on our
// Linux console and on the Windows console (under Wine): processed output,
// region writes, cursor limits, modes, the input queue, line and raw reads,
// the console's handles through the file routines.
// Where Wine departs from Windows, the check is skipped with the reason.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "console_host.h"
#include "console_screen.h"
#include "win32.h"

namespace {

using console_screen::attributes;
using console_screen::cursor;
using console_screen::input;
using console_screen::output;
using console_screen::press_key;
using console_screen::row_text;
using console_screen::text;
using console_screen::type_text;

constexpr SHORT COLUMNS = 40;
constexpr SHORT ROWS = 10;

COORD at(int row, int column) {
    return COORD{static_cast<SHORT>(column), static_cast<SHORT>(row)};
}

void write(const std::string &bytes) {
    DWORD written = 0;
    ASSERT_TRUE(
        WriteConsoleA(output(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
    EXPECT_EQ(written, bytes.size());
}

void go_to(int row, int column) {
    ASSERT_TRUE(SetConsoleCursorPosition(output(), at(row, column)));
}

void expect_cursor(int row, int column) {
    EXPECT_EQ(cursor().Y, row);
    EXPECT_EQ(cursor().X, column);
}

void set_input_mode(DWORD mode) {
    ASSERT_TRUE(SetConsoleMode(input(), mode));
}

std::string read_console(DWORD count) {
    std::string buffer(count, '\0');
    DWORD read = 0;
    EXPECT_TRUE(ReadConsoleA(input(), buffer.data(), count, &read, nullptr));
    buffer.resize(read);
    return buffer;
}

DWORD queued_events() {
    INPUT_RECORD records[16];
    DWORD count = 0;
    EXPECT_TRUE(PeekConsoleInputA(input(), records, 16, &count));
    return count;
}

class ConsoleApi : public ::testing::Test {
  protected:
    void SetUp() override { console_host_open(COLUMNS, ROWS); }
};

// ---- a fresh console ----

TEST_F(ConsoleApi, FreshConsoleIsBlankWithDefaultModes) {
    write("dirt");
    SetConsoleTextAttribute(output(), 0x4E);
    set_input_mode(0);
    console_host_open(COLUMNS, ROWS);

    CONSOLE_SCREEN_BUFFER_INFO info{};
    ASSERT_TRUE(GetConsoleScreenBufferInfo(output(), &info));
    EXPECT_EQ(info.dwSize.X, COLUMNS);
    EXPECT_EQ(info.dwSize.Y, ROWS);
    expect_cursor(0, 0);
    EXPECT_EQ(info.wAttributes, 0x07);
    for (int row = 0; row < ROWS; ++row) {
        EXPECT_EQ(text(row, 0, COLUMNS), std::string(COLUMNS, ' '));
        EXPECT_EQ(attributes(row, 0, COLUMNS), std::vector<WORD>(COLUMNS, 0x07));
    }
    DWORD mode = 0;
    ASSERT_TRUE(GetConsoleMode(input(), &mode));
    EXPECT_EQ(mode, DEFAULT_INPUT_MODE);
    EXPECT_EQ(queued_events(), 0u);
}

// ---- processed output ----

struct ControlCase {
    const char *what;
    std::string bytes;
    const char *row0;
    const char *row1;
    int cursor_row;
    int cursor_column;
    std::optional<console_divergence> divergence = std::nullopt;
};

class ProcessedOutput : public ConsoleApi, public ::testing::WithParamInterface<ControlCase> {};

TEST_P(ProcessedOutput, MovesAndWritesAsTheConsoleDoes) {
    const ControlCase &c = GetParam();
    write(c.bytes);
    expect_cursor(c.cursor_row, c.cursor_column);
    if (c.divergence)
        if (const char *reason = console_host_known_divergence(*c.divergence))
            GTEST_SKIP() << reason << " (row 0 reads \"" << row_text(0) << "\")";
    EXPECT_EQ(row_text(0), c.row0);
    EXPECT_EQ(row_text(1), c.row1);
}

INSTANTIATE_TEST_SUITE_P(
    ControlBytes, ProcessedOutput,
    ::testing::Values(ControlCase{"carriage return", "abc\rX", "Xbc", "", 0, 1},
                      ControlCase{"line feed returns to column 0", "ab\nc", "ab", "c", 1, 1},
                      ControlCase{"backspace keeps the cell", "XY\b", "XY", "", 0, 1},
                      ControlCase{"backspace stops at column 0", "a\b\bb", "b", "", 0, 1},
                      ControlCase{"tab to the next multiple of 8", "f\tg", "f       g", "", 0, 9},
                      ControlCase{"bell writes nothing", "a\ab", "ab", "", 0, 2},
                      ControlCase{"NUL is a blank", std::string("a\0b", 3), "a b", "", 0, 3,
                                  DIVERGENCE_WRITTEN_NUL}),
    [](const ::testing::TestParamInfo<ControlCase> &info) {
        std::string name = info.param.what;
        for (char &ch : name)
            if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
        return name;
    });

TEST_F(ConsoleApi, TabBlanksTakeTheAttributeInForce) {
    SetConsoleTextAttribute(output(), 0x1E);
    write("f\tg");
    EXPECT_EQ(attributes(0, 0, 9), std::vector<WORD>(9, 0x1E));
    EXPECT_EQ(attributes(0, 9, 1), std::vector<WORD>(1, 0x07));
}

TEST_F(ConsoleApi, TabReachingTheLastColumnWraps) {
    go_to(0, COLUMNS - 4);
    write("\t");
    expect_cursor(1, 0);
}

TEST_F(ConsoleApi, WritingTheLastColumnWrapsAtOnce) {
    go_to(2, COLUMNS - 1);
    write("z");
    expect_cursor(3, 0);
    EXPECT_EQ(text(2, COLUMNS - 1, 1), "z");
}

TEST_F(ConsoleApi, LineFeedOnTheLastRowScrollsUp) {
    go_to(1, 0);
    write("second");
    go_to(ROWS - 1, 0);
    write("bottom\n");
    EXPECT_EQ(row_text(0), "second");
    EXPECT_EQ(row_text(ROWS - 2), "bottom");
    EXPECT_EQ(row_text(ROWS - 1), "");
    expect_cursor(ROWS - 1, 0);
}

TEST_F(ConsoleApi, RowBroughtInByAScrollTakesTheAttributeInForce) {
    SetConsoleTextAttribute(output(), 0x2A);
    go_to(ROWS - 1, COLUMNS - 1);
    write("w");
    expect_cursor(ROWS - 1, 0);
    EXPECT_EQ(text(ROWS - 2, COLUMNS - 1, 1), "w");
    std::vector<WORD> brought_in = attributes(ROWS - 1, 0, COLUMNS);
    if (const char *reason = console_host_known_divergence(DIVERGENCE_SCROLLED_ROW_ATTRIBUTE))
        GTEST_SKIP() << reason << " (first cell " << std::hex << brought_in.at(0) << ")";
    EXPECT_EQ(brought_in, std::vector<WORD>(COLUMNS, 0x2A));
}

// ---- region writes ----

TEST_F(ConsoleApi, RegionWritesGoOnOnTheNextRowAndLeaveTheCursor) {
    go_to(5, 5);
    DWORD count = 0;
    ASSERT_TRUE(WriteConsoleOutputCharacterA(output(), "abcd", 4, at(0, COLUMNS - 2), &count));
    EXPECT_EQ(count, 4u);
    const WORD colours[4] = {0x11, 0x22, 0x33, 0x44};
    ASSERT_TRUE(WriteConsoleOutputAttribute(output(), colours, 4, at(0, COLUMNS - 2), &count));
    EXPECT_EQ(count, 4u);
    EXPECT_EQ(text(0, COLUMNS - 2, 2), "ab");
    EXPECT_EQ(text(1, 0, 2), "cd");
    EXPECT_EQ(attributes(0, COLUMNS - 2, 2), (std::vector<WORD>{0x11, 0x22}));
    EXPECT_EQ(attributes(1, 0, 3), (std::vector<WORD>{0x33, 0x44, 0x07}));
    expect_cursor(5, 5);
}

TEST_F(ConsoleApi, RegionWritesStopAtTheBufferEnd) {
    DWORD count = 0;
    ASSERT_TRUE(
        WriteConsoleOutputCharacterA(output(), "wxyz", 4, at(ROWS - 1, COLUMNS - 2), &count));
    EXPECT_EQ(count, 2u);
    const WORD colours[4] = {0x5A, 0x5A, 0x5A, 0x5A};
    ASSERT_TRUE(
        WriteConsoleOutputAttribute(output(), colours, 4, at(ROWS - 1, COLUMNS - 2), &count));
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(text(ROWS - 1, COLUMNS - 2, 2), "wx");
    EXPECT_EQ(text(0, 0, 2), "  ");
    EXPECT_EQ(attributes(0, 0, 1), std::vector<WORD>(1, 0x07));
}

TEST_F(ConsoleApi, RegionWritesStoreControlBytesAsTheyAre) {
    const std::string bytes("\x01\t\n\r\b", 5);
    DWORD count = 0;
    ASSERT_TRUE(WriteConsoleOutputCharacterA(output(), bytes.data(), 5, at(3, 1), &count));
    EXPECT_EQ(text(3, 1, 5), bytes);
    expect_cursor(0, 0);
}

// ---- the cursor ----

TEST_F(ConsoleApi, CursorPositionsOutsideTheBufferAreRefused) {
    go_to(4, 4);
    for (COORD refused : {at(ROWS - 1, COLUMNS), at(ROWS, COLUMNS - 1), at(0, -1), at(-1, 0)}) {
        SetLastError(0);
        EXPECT_FALSE(SetConsoleCursorPosition(output(), refused)) << refused.X << "," << refused.Y;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
        expect_cursor(4, 4);
    }
    EXPECT_TRUE(SetConsoleCursorPosition(output(), at(ROWS - 1, COLUMNS - 1)));
    expect_cursor(ROWS - 1, COLUMNS - 1);
}

// ---- modes and the input queue ----

TEST_F(ConsoleApi, InputModeIsKeptAsSet) {
    for (DWORD mode : {DWORD{0}, DWORD{0x1}, DWORD{0x7}, DEFAULT_INPUT_MODE}) {
        set_input_mode(mode);
        DWORD got = 0xFFFF;
        ASSERT_TRUE(GetConsoleMode(input(), &got));
        EXPECT_EQ(got, mode);
    }
}

TEST_F(ConsoleApi, QueuedKeysArePeekedThenReadInOrderAndFlushed) {
    press_key('A', 0x1E, 'a');
    press_key('B', 0x30, 'b');
    EXPECT_EQ(queued_events(), 4u) << "a press and a release for each key";

    INPUT_RECORD record{};
    DWORD count = 0;
    ASSERT_TRUE(ReadConsoleInputA(input(), &record, 1, &count));
    ASSERT_EQ(count, 1u);
    ASSERT_EQ(record.EventType, KEY_EVENT);
    EXPECT_TRUE(record.Event.KeyEvent.bKeyDown);
    EXPECT_EQ(record.Event.KeyEvent.uChar.AsciiChar, 'a');
    EXPECT_EQ(record.Event.KeyEvent.wVirtualKeyCode, 'A');
    EXPECT_EQ(record.Event.KeyEvent.wVirtualScanCode, 0x1E);
    EXPECT_EQ(queued_events(), 3u);

    ASSERT_TRUE(FlushConsoleInputBuffer(input()));
    EXPECT_EQ(queued_events(), 0u);
}

// ---- line reads ----

TEST_F(ConsoleApi, LineReadReturnsTheLineWithCrLfAndEchoesIt) {
    go_to(2, 0);
    type_text("ab");
    EXPECT_EQ(read_console(100), "ab\r\n");
    EXPECT_EQ(row_text(2), "ab");
    expect_cursor(3, 0);
}

TEST_F(ConsoleApi, LineLongerThanTheReadComesInPieces) {
    type_text("hello world");
    EXPECT_EQ(read_console(5), "hello");
    EXPECT_EQ(read_console(5), " worl");
    EXPECT_EQ(read_console(5), "d\r\n");
}

TEST_F(ConsoleApi, BackspaceErasesTheCharacterBeforeIt) {
    type_text("abX", false);
    press_key(VK_BACK, 0x0E, '\b');
    type_text("c");
    EXPECT_EQ(read_console(100), "abc\r\n");
    EXPECT_EQ(row_text(0), "abc");
}

TEST_F(ConsoleApi, EscapeClearsTheLine) {
    type_text("xyz", false);
    press_key(VK_ESCAPE, 0x01, 0x1B);
    type_text("ok");
    std::string got = read_console(100);
    if (const char *reason = console_host_known_divergence(DIVERGENCE_LINE_ESCAPE))
        GTEST_SKIP() << reason << " (read " << ::testing::PrintToString(got) << ")";
    EXPECT_EQ(got, "ok\r\n");
}

// ---- raw reads (input mode 0) ----

TEST_F(ConsoleApi, RawReadTakesWhatIsQueuedWithoutEcho) {
    set_input_mode(0);
    type_text("abc", false);
    EXPECT_EQ(read_console(100), "abc");
    press_key(VK_RETURN, 0x1C, '\r');
    EXPECT_EQ(read_console(100), "\r") << "Enter alone, no line feed";
    EXPECT_EQ(row_text(0), "") << "nothing echoed";
}

TEST_F(ConsoleApi, RawReadSkipsKeysWithoutACharacter) {
    set_input_mode(0);
    press_key(VK_LEFT, 0x4B, 0, ENHANCED_KEY);
    press_key(VK_F1, 0x3B, 0);
    type_text("q", false);
    EXPECT_EQ(read_console(100), "q");
}

TEST_F(ConsoleApi, RawReadDropsTheEscapeKey) {
    set_input_mode(0);
    press_key(VK_ESCAPE, 0x01, 0x1B);
    type_text("q", false);
    std::string got = read_console(100);
    if (const char *reason = console_host_known_divergence(DIVERGENCE_RAW_READ_ESCAPE))
        GTEST_SKIP() << reason << " (read " << ::testing::PrintToString(got) << ")";
    EXPECT_EQ(got, "q");
}

// ---- the console's handles through the file routines ----

TEST_F(ConsoleApi, WriteFileOnTheOutputWritesAsWriteConsoleDoes) {
    go_to(1, 0);
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(output(), "ab\tc\r\nd", 7, &written, nullptr));
    EXPECT_EQ(written, 7u);
    EXPECT_EQ(row_text(1), "ab      c");
    EXPECT_EQ(row_text(2), "d");
    expect_cursor(2, 1);
}

// A file read of the console reads a line; one that starts with Ctrl+Z is
// the end of the input.
TEST_F(ConsoleApi, ReadFileOnTheInputReadsALine) {
    type_text("ab");
    press_key('Z', 0x2C, 0x1A, LEFT_CTRL_PRESSED);
    press_key(VK_RETURN, 0x1C, '\r');
    char buffer[16];
    DWORD read = 0;
    ASSERT_TRUE(ReadFile(input(), buffer, sizeof buffer, &read, nullptr));
    EXPECT_EQ(std::string(buffer, read), "ab\r\n");
    EXPECT_EQ(row_text(0), "ab");
    ASSERT_TRUE(ReadFile(input(), buffer, sizeof buffer, &read, nullptr));
    EXPECT_EQ(read, 0u);
}

TEST_F(ConsoleApi, AReadTooLongToBufferFailsWithoutReportingACount) {
    type_text("ab");
    char buffer[16];
    DWORD read = 1234;
    EXPECT_FALSE(ReadConsoleA(input(), buffer, static_cast<DWORD>(-128), &read, nullptr));
    DWORD error = GetLastError();
    EXPECT_TRUE(error == ERROR_NOT_ENOUGH_MEMORY || error == ERROR_NOACCESS) << error;
    EXPECT_EQ(read, 1234u);
}

TEST_F(ConsoleApi, InputRecordsFromNowhereAreAnAccessFault) {
    DWORD written = 0;
    EXPECT_FALSE(WriteConsoleInputA(input(), nullptr, 1, &written));
    DWORD error = GetLastError();
    EXPECT_TRUE(error == ERROR_NOACCESS || error == ERROR_INVALID_ACCESS) << error;
}

} // namespace
