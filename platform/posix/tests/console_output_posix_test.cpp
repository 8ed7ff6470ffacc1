// The console output API on a headless console, beyond what the cross-target
// suite (tests/console_api_test.cpp) checks on both: control bytes stored
// raw, unwrapped and double-byte output, scroll, region operations outside
// the buffer, foreign handles, and the last-error value.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "console_host.h"
#include "win32.h"

namespace {

constexpr int COLUMNS = 20;
constexpr int ROWS = 5;

class ConsoleOutput : public ::testing::Test {
  protected:
    void SetUp() override {
        console_host_open(COLUMNS, ROWS);
        out = GetStdHandle(STD_OUTPUT_HANDLE);
    }

    void write(const std::string &text) {
        DWORD written = 0;
        ASSERT_TRUE(
            WriteConsoleA(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr));
        EXPECT_EQ(written, text.size());
    }

    std::string row_text(int row, int column = 0, int count = COLUMNS) {
        std::string text(static_cast<size_t>(count), '?');
        DWORD read = 0;
        COORD at{static_cast<SHORT>(column), static_cast<SHORT>(row)};
        EXPECT_TRUE(
            ReadConsoleOutputCharacterA(out, text.data(), static_cast<DWORD>(count), at, &read));
        text.resize(read);
        return text;
    }

    std::vector<WORD> row_attributes(int row, int column = 0, int count = COLUMNS) {
        std::vector<WORD> attributes(static_cast<size_t>(count), 0xFFFF);
        DWORD read = 0;
        COORD at{static_cast<SHORT>(column), static_cast<SHORT>(row)};
        EXPECT_TRUE(ReadConsoleOutputAttribute(out, attributes.data(), static_cast<DWORD>(count),
                                               at, &read));
        attributes.resize(read);
        return attributes;
    }

    COORD cursor() {
        CONSOLE_SCREEN_BUFFER_INFO info{};
        EXPECT_TRUE(GetConsoleScreenBufferInfo(out, &info));
        return info.dwCursorPosition;
    }

    static std::string padded(const std::string &text) {
        return text + std::string(COLUMNS - text.size(), ' ');
    }

    HANDLE out = nullptr;
};

struct ControlCase {
    const char *name;
    std::string text;
    std::string row0;
    std::string row1;
    SHORT cursor_x;
    SHORT cursor_y;
    DWORD mode = ENABLE_PROCESSED_OUTPUT | ENABLE_WRAP_AT_EOL_OUTPUT;
};

class ControlBytes : public ConsoleOutput, public ::testing::WithParamInterface<ControlCase> {};

TEST_P(ControlBytes, MoveAndWriteAsTheConsoleDoes) {
    const ControlCase &c = GetParam();
    ASSERT_TRUE(SetConsoleMode(out, c.mode));
    write(c.text);
    EXPECT_EQ(row_text(0), padded(c.row0));
    EXPECT_EQ(row_text(1), padded(c.row1));
    EXPECT_EQ(cursor().X, c.cursor_x);
    EXPECT_EQ(cursor().Y, c.cursor_y);
}

INSTANTIATE_TEST_SUITE_P(
    EachByte, ControlBytes,
    ::testing::Values(
        ControlCase{"TabAtStopGoesAWholeStop", "12345678\tg", "12345678        g", "", 17, 0},
        ControlCase{"EscapeIsStoredRaw", "\x1b[2J", "\x1b[2J", "", 4, 0},
        ControlCase{"OtherControlBytesAreStoredRaw", "\x01\x0b\x0c\x1f\x7f", "\x01\x0b\x0c\x1f\x7f",
                    "", 5, 0},
        ControlCase{"UnprocessedControlBytesAreStoredRaw", std::string("a\r\n\t\b\a\0", 7),
                    std::string("a\r\n\t\b\a\0", 7), "", 7, 0, ENABLE_WRAP_AT_EOL_OUTPUT},
        ControlCase{"WithoutWrapTextGoesOnWhereItsRunBegan", "ab\r" + std::string(20, 'c') + "def",
                    "defccccccccccccccccc", "", 3, 0, ENABLE_PROCESSED_OUTPUT},
        // Code page 950: a double-byte character is never split.
        ControlCase{"PairThatDoesNotFitStartsTheNextRow", std::string(19, 'x') + "\xA1\x4B",
                    std::string(19, 'x'), "\xA1\x4B", 2, 1},
        ControlCase{"WritingOverATrailBlanksItsLead", "\xA4\x40\xA4\x40\b\b\bx", " x\xA4\x40", "",
                    2, 0},
        ControlCase{"WritingOverALeadBlanksItsTrail", "\xA4\x40\xA4\x40\b\bx", "\xA4\x40x", "", 3,
                    0}),
    [](const ::testing::TestParamInfo<ControlCase> &info) { return info.param.name; });

TEST_F(ConsoleOutput, OutputModesBeyondProcessingAndWrapAreRefused) {
    for (DWORD refused : {0x4ul, 0x8ul, 0x10ul, 0x7ul}) {
        SetLastError(0);
        EXPECT_FALSE(SetConsoleMode(out, refused)) << refused;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    }
    DWORD mode = 0;
    ASSERT_TRUE(GetConsoleMode(out, &mode));
    EXPECT_EQ(mode, 3u) << "a refused mode changes nothing";
    ASSERT_TRUE(SetConsoleMode(out, 0));
    ASSERT_TRUE(GetConsoleMode(out, &mode));
    EXPECT_EQ(mode, 0u);
}

TEST_F(ConsoleOutput, RegionWriteOverHalfAPairBlanksTheOtherHalf) {
    write("\xA4\x40\xA4\x40");
    DWORD count = 0;
    ASSERT_TRUE(WriteConsoleOutputCharacterA(out, "yz", 2, COORD{1, 0}, &count));
    EXPECT_EQ(row_text(0), padded(" yz "));
}

TEST_F(ConsoleOutput, TabNearTheEdgeStopsAtTheLastColumnAndWraps) {
    write(std::string(17, 'x') + "\tY");
    EXPECT_EQ(row_text(0), std::string(17, 'x') + "   ");
    EXPECT_EQ(row_text(1), padded("Y"));
}

TEST_F(ConsoleOutput, TextLongerThanARowGoesOnOnTheNext) {
    write("0123456789012345678901234");
    EXPECT_EQ(row_text(0), "01234567890123456789");
    EXPECT_EQ(row_text(1), padded("01234"));
}

TEST_F(ConsoleOutput, LineFeedOnLastRowScrollsAndNewRowTakesTheAttributeInForce) {
    write("top\n1\n2\n3\nlast");
    SetConsoleTextAttribute(out, 0x2E);
    write("\n");
    EXPECT_EQ(row_text(0), padded("1"));
    EXPECT_EQ(row_text(3), padded("last"));
    EXPECT_EQ(row_text(4), padded(""));
    EXPECT_EQ(row_attributes(4), std::vector<WORD>(COLUMNS, 0x2E));
    EXPECT_EQ(row_attributes(3), std::vector<WORD>(COLUMNS, 0x07));
    EXPECT_EQ(cursor().Y, ROWS - 1);
    EXPECT_EQ(cursor().X, 0);
}

TEST_F(ConsoleOutput, WrapFromTheBottomRightCellScrolls) {
    SetConsoleCursorPosition(out, COORD{COLUMNS - 1, ROWS - 1});
    write("Z");
    EXPECT_EQ(row_text(ROWS - 2), padded("").substr(0, COLUMNS - 1) + "Z");
    EXPECT_EQ(cursor().X, 0);
    EXPECT_EQ(cursor().Y, ROWS - 1);
}

TEST_F(ConsoleOutput, TextTakesTheAttributeInForce) {
    SetConsoleTextAttribute(out, 0x1F);
    write("ab");
    SetConsoleTextAttribute(out, 0x22);
    write("c");
    std::vector<WORD> expected(COLUMNS, 0x07);
    expected[0] = expected[1] = 0x1F;
    expected[2] = 0x22;
    EXPECT_EQ(row_attributes(0), expected);
    CONSOLE_SCREEN_BUFFER_INFO info{};
    GetConsoleScreenBufferInfo(out, &info);
    EXPECT_EQ(info.wAttributes, 0x22);
}

TEST_F(ConsoleOutput, RegionOpsKeepTheOtherHalfOfTheCell) {
    write("abc");
    WORD attribute = 0x5A;
    DWORD written = 0;
    WriteConsoleOutputAttribute(out, &attribute, 1, COORD{1, 0}, &written);
    WriteConsoleOutputCharacterA(out, "Z", 1, COORD{2, 0}, &written);
    EXPECT_EQ(row_text(0, 0, 3), "abZ");
    EXPECT_EQ(row_attributes(0, 0, 3), (std::vector<WORD>{0x07, 0x5A, 0x07}));
}

TEST_F(ConsoleOutput, RegionWritesStoreControlBytesRaw) {
    std::string raw = std::string("\0\a\b\t\n\r\x1b", 7);
    DWORD written = 0;
    ASSERT_TRUE(WriteConsoleOutputCharacterA(out, raw.data(), 7, COORD{0, 2}, &written));
    EXPECT_EQ(row_text(2, 0, 7), raw);
}

TEST_F(ConsoleOutput, RegionOpsStartingOutsideTheBufferTransferNothing) {
    const COORD outside[] = {{COLUMNS, 0}, {0, ROWS}, {-1, 0}, {0, -1}};
    for (COORD at : outside) {
        DWORD count = 99;
        WORD attribute = 0x11;
        char byte = 'x';
        EXPECT_TRUE(WriteConsoleOutputCharacterA(out, &byte, 1, at, &count));
        EXPECT_EQ(count, 0u);
        count = 99;
        EXPECT_TRUE(WriteConsoleOutputAttribute(out, &attribute, 1, at, &count));
        EXPECT_EQ(count, 0u);
        count = 99;
        EXPECT_TRUE(ReadConsoleOutputCharacterA(out, &byte, 1, at, &count));
        EXPECT_EQ(count, 0u);
        count = 99;
        EXPECT_TRUE(ReadConsoleOutputAttribute(out, &attribute, 1, at, &count));
        EXPECT_EQ(count, 0u);
    }
}

TEST_F(ConsoleOutput, ForeignHandlesAreRefusedAndChangeNothing) {
    HANDLE strangers[] = {nullptr, INVALID_HANDLE_VALUE, GetStdHandle(STD_INPUT_HANDLE),
                          reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(1234))};
    for (HANDLE h : strangers) {
        DWORD count = 99;
        CONSOLE_SCREEN_BUFFER_INFO info{};
        WORD attribute = 0x11;
        char byte = 'x';
        SetLastError(ERROR_SUCCESS);
        EXPECT_FALSE(WriteConsoleA(h, "x", 1, &count, nullptr));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
        EXPECT_EQ(count, 0u);
        EXPECT_FALSE(GetConsoleScreenBufferInfo(h, &info));
        EXPECT_FALSE(WriteConsoleOutputCharacterA(h, &byte, 1, COORD{0, 0}, &count));
        EXPECT_FALSE(WriteConsoleOutputAttribute(h, &attribute, 1, COORD{0, 0}, &count));
        EXPECT_FALSE(ReadConsoleOutputCharacterA(h, &byte, 1, COORD{0, 0}, &count));
        EXPECT_FALSE(ReadConsoleOutputAttribute(h, &attribute, 1, COORD{0, 0}, &count));
        EXPECT_FALSE(SetConsoleCursorPosition(h, COORD{1, 1}));
        EXPECT_FALSE(SetConsoleTextAttribute(h, 0x11));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    }
    EXPECT_EQ(row_text(0), padded(""));
    EXPECT_EQ(cursor().X, 0);
    CONSOLE_SCREEN_BUFFER_INFO info{};
    GetConsoleScreenBufferInfo(out, &info);
    EXPECT_EQ(info.wAttributes, 0x07);
}

TEST_F(ConsoleOutput, UnknownStandardHandleIsRefused) {
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(GetStdHandle(static_cast<DWORD>(-13)), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_NE(GetStdHandle(STD_INPUT_HANDLE), GetStdHandle(STD_OUTPUT_HANDLE));
}

TEST_F(ConsoleOutput, StandardErrorIsTheSameScreenBuffer) {
    DWORD written = 0;
    ASSERT_TRUE(WriteConsoleA(GetStdHandle(STD_ERROR_HANDLE), "err", 3, &written, nullptr));
    EXPECT_EQ(row_text(0), padded("err"));
}

TEST_F(ConsoleOutput, OpeningAgainGivesAFreshConsole) {
    SetConsoleTextAttribute(out, 0x1F);
    write("dirty");
    console_host_open(7, 3);
    CONSOLE_SCREEN_BUFFER_INFO info{};
    ASSERT_TRUE(GetConsoleScreenBufferInfo(out, &info));
    EXPECT_EQ(info.dwSize.X, 7);
    EXPECT_EQ(info.dwSize.Y, 3);
    EXPECT_EQ(info.wAttributes, 0x07);
    EXPECT_EQ(info.dwCursorPosition.X, 0);
    EXPECT_EQ(row_text(0, 0, 7), "       ");
}

TEST_F(ConsoleOutput, TallBufferScrollsAtItsLastRowOnly) {
    console_host_open(120, 9001);
    SetConsoleCursorPosition(out, COORD{0, 8999});
    write("a\nb\nc");
    EXPECT_EQ(row_text(8998, 0, 1), "a");
    EXPECT_EQ(row_text(8999, 0, 1), "b");
    EXPECT_EQ(row_text(9000, 0, 1), "c");
    EXPECT_EQ(cursor().Y, 9000);
}

// ---- UTF-8 (code page 65001) ----

class Utf8Output : public ConsoleOutput {
  protected:
    void SetUp() override {
        ConsoleOutput::SetUp();
        open_utf8();
    }
    static void open_utf8() {
        const char *before = getenv("CONRT_CODEPAGE");
        std::string saved = before ? before : "";
        setenv("CONRT_CODEPAGE", "65001", 1);
        console_host_open(COLUMNS, ROWS);
        before ? setenv("CONRT_CODEPAGE", saved.c_str(), 1) : unsetenv("CONRT_CODEPAGE");
    }
    // A row's text without the blanks after it: a read of a row's cells
    // gives as many bytes as it has cells, so wider characters leave out
    // blanks at its end.
    std::string trimmed_row(int row) {
        std::string text = row_text(row);
        return text.erase(text.find_last_not_of(' ') + 1);
    }
};

struct Utf8Case {
    const char *name;
    std::string text;
    std::string row0; // as a region read gives it back
    SHORT cursor_x;
};

const std::string FFFD = "\xEF\xBF\xBD";

const Utf8Case UTF8_CASES[] = {
    {"mixed widths", "na\xC3\xAFve \xE4\xB8\xAD\xE6\x96\x87\xF0\x9F\x98\x80x",
     "na\xC3\xAFve \xE4\xB8\xAD\xE6\x96\x87\xF0\x9F\x98\x80x", 13},
    {"each longest broken start is one U+FFFD", "a\xE0\x80\xC3|b", "a" + FFFD + FFFD + FFFD + "|b",
     6},
    {"surrogates and values past U+10FFFF are broken",
     "\xED\xA0\x80\xF4\x90"
     "b",
     FFFD + FFFD + FFFD + FFFD + FFFD + "b", 6},
    {"a mark takes a cell of its own", "e\xCC\x81\xE2\x80\x8Dx", "e\xCC\x81\xE2\x80\x8Dx", 4},
    {"a broken start does not swallow a line end", "ab\xE4\xB8\r|", "|b" + FFFD, 1},
};

// Whole or cut at any byte into two writes, the text shows the same.
TEST_F(Utf8Output, TextShowsTheSameWhereverTheWritesCutIt) {
    for (const Utf8Case &c : UTF8_CASES) {
        for (size_t cut = 0; cut <= c.text.size(); ++cut) {
            open_utf8();
            write(c.text.substr(0, cut));
            write(c.text.substr(cut));
            ASSERT_EQ(trimmed_row(0), c.row0) << c.name << ", cut at " << cut;
            ASSERT_EQ(cursor().X, c.cursor_x) << c.name << ", cut at " << cut;
        }
    }
}

TEST_F(Utf8Output, AWideCharacterIsNeverSplitAndLosesBothHalvesOrNeither) {
    write(std::string(19, 'a') + "\xE4\xB8\xAD");
    EXPECT_EQ(row_text(0), std::string(19, 'a') + " ");
    EXPECT_EQ(trimmed_row(1), "\xE4\xB8\xAD");
    write("\r\xE6\x96\x87\xE6\x96\x87\b\b\bx");
    EXPECT_EQ(trimmed_row(1), " x\xE6\x96\x87") << "over a second half";
    DWORD count = 0;
    ASSERT_TRUE(WriteConsoleOutputCharacterA(out, "y", 1, COORD{2, 1}, &count));
    EXPECT_EQ(row_text(1, 0, 4), " xy ") << "over a first half";
}

// A region write decodes its own bytes: a start cut off at its end is
// U+FFFD, not kept for the next; the count is of the bytes taken.
TEST_F(Utf8Output, RegionWritesDecodeEachCallAlone) {
    DWORD count = 0;
    ASSERT_TRUE(WriteConsoleOutputCharacterA(out, "\xE4\xB8", 2, COORD{0, 0}, &count));
    EXPECT_EQ(count, 2u);
    ASSERT_TRUE(WriteConsoleOutputCharacterA(out, "\xAD\xE4\xB8\xAD", 4, COORD{1, 0}, &count));
    EXPECT_EQ(count, 4u);
    EXPECT_EQ(trimmed_row(0), FFFD + FFFD + "\xE4\xB8\xAD");
    char bytes[5] = {};
    DWORD read = 0;
    ASSERT_TRUE(ReadConsoleOutputCharacterA(out, bytes, 5, COORD{1, 0}, &read));
    EXPECT_EQ(std::string(bytes, read), FFFD) << "stops before a character that does not fit";
}

// The output code page is set on its own and refuses one the console cannot
// show; the text written after it is read through it.
TEST_F(ConsoleOutput, OutputCodePageIsSetOnItsOwn) {
    UINT input = GetConsoleCP();
    SetLastError(0);
    EXPECT_FALSE(SetConsoleOutputCP(1200));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(SetConsoleCP(0));
    ASSERT_TRUE(SetConsoleOutputCP(CP_UTF8));
    EXPECT_EQ(GetConsoleOutputCP(), static_cast<UINT>(CP_UTF8));
    EXPECT_EQ(GetConsoleCP(), input);
    write("\xe4\xb8\xad|");
    EXPECT_EQ(cursor().X, 3);
    EXPECT_EQ(row_text(0, 0, 4), "\xe4\xb8\xad|");
}

TEST(LastError, IsProcessWideAndKeepsWhatWasSet) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
}

} // namespace
