// The console input API on a headless console: input modes, the event
// queue, script input fed as bytes, Ctrl+C, the end of the input, and
// ReadConsoleA without line input.
#include <stdlib.h>

#include "con_input.h"
#include "input_test_support.h"

namespace {

using input_test::InputTest;
using input_test::key_event;

const HANDLE FOREIGN = reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(0x1234));

class ConsoleInput : public InputTest {
  protected:
    // The characters of the key-downs read from the queue until it is empty.
    std::string read_key_downs(size_t events) {
        std::string chars;
        for (size_t i = 0; i < events; ++i) {
            INPUT_RECORD r{};
            DWORD read = 0;
            EXPECT_TRUE(ReadConsoleInputA(in, &r, 1, &read));
            EXPECT_EQ(read, 1u);
            if (r.EventType == KEY_EVENT && r.Event.KeyEvent.bKeyDown) {
                chars += r.Event.KeyEvent.uChar.AsciiChar;
            }
        }
        return chars;
    }
    // As a key poll asks: mode 0 for the peek and read, releases skipped,
    // the rest flushed after a key; wVirtualKeyCode 0xFFFF when none came.
    KEY_EVENT_RECORD poll_key() {
        DWORD saved = 0;
        EXPECT_TRUE(GetConsoleMode(in, &saved));
        set_mode(0);
        KEY_EVENT_RECORD key{};
        key.wVirtualKeyCode = 0xFFFF;
        for (;;) {
            INPUT_RECORD r{};
            DWORD n = 0;
            EXPECT_TRUE(PeekConsoleInputA(in, &r, 1, &n));
            if (n == 0) break;
            EXPECT_TRUE(ReadConsoleInputA(in, &r, 1, &n));
            if (r.EventType == KEY_EVENT && r.Event.KeyEvent.bKeyDown) {
                key = r.Event.KeyEvent;
                break;
            }
        }
        set_mode(saved);
        if (key.wVirtualKeyCode != 0xFFFF) {
            EXPECT_TRUE(FlushConsoleInputBuffer(in));
        }
        return key;
    }
    INPUT_RECORD peek_one() {
        INPUT_RECORD r{};
        DWORD read = 0;
        EXPECT_TRUE(PeekConsoleInputA(in, &r, 1, &read));
        EXPECT_EQ(read, 1u);
        return r;
    }
};

TEST_F(ConsoleInput, ModeStartsAsTheConsoleReportsIt) {
    DWORD mode = 0;
    ASSERT_TRUE(GetConsoleMode(in, &mode));
    EXPECT_EQ(mode, 0x1F7u);
    ASSERT_TRUE(GetConsoleMode(out, &mode));
    EXPECT_EQ(mode, static_cast<DWORD>(ENABLE_PROCESSED_OUTPUT | ENABLE_WRAP_AT_EOL_OUTPUT));
}

TEST_F(ConsoleInput, ModeIsKeptAsSetAndUnknownBitsAreRefused) {
    for (DWORD wanted : {0x0ul, 0x7ul, 0x1F7ul, 0x3FFul}) {
        set_mode(wanted);
        DWORD mode = 0xDEAD;
        ASSERT_TRUE(GetConsoleMode(in, &mode));
        EXPECT_EQ(mode, wanted);
    }
    SetLastError(0);
    EXPECT_FALSE(SetConsoleMode(in, 0x400 | ENABLE_LINE_INPUT));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    DWORD mode = 0;
    ASSERT_TRUE(GetConsoleMode(in, &mode));
    EXPECT_EQ(mode, 0x3FFu);
}

TEST_F(ConsoleInput, ForeignHandlesAndMissingPointersAreRefused) {
    DWORD value = 0;
    INPUT_RECORD record = key_event(true, 'A', 0x1E, 'a');
    char buffer[4];
    SetLastError(0);
    EXPECT_FALSE(GetConsoleMode(FOREIGN, &value));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(SetConsoleMode(FOREIGN, 0));
    EXPECT_FALSE(PeekConsoleInputA(FOREIGN, &record, 1, &value));
    EXPECT_FALSE(ReadConsoleInputA(out, &record, 1, &value));
    EXPECT_FALSE(WriteConsoleInputA(out, &record, 1, &value));
    EXPECT_FALSE(GetNumberOfConsoleInputEvents(FOREIGN, &value));
    EXPECT_FALSE(FlushConsoleInputBuffer(out));
    EXPECT_FALSE(ReadConsoleA(out, buffer, 4, &value, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    SetLastError(0);
    EXPECT_FALSE(GetConsoleMode(in, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(ReadConsoleA(in, nullptr, 4, &value, nullptr));
    EXPECT_FALSE(WriteConsoleInputA(in, nullptr, 1, &value));
    EXPECT_EQ(pending_events(), 0u);
}

TEST_F(ConsoleInput, WrittenRecordsArePeekedThenReadInOrder) {
    INPUT_RECORD records[3] = {key_event(true, 'A', 0x1E, 'a'), key_event(false, 'A', 0x1E, 'a'),
                               key_event(true, 'B', 0x30, 'b')};
    DWORD count = 0;
    ASSERT_TRUE(WriteConsoleInputA(in, records, 3, &count));
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(pending_events(), 3u);
    INPUT_RECORD got[5] = {};
    ASSERT_TRUE(PeekConsoleInputA(in, got, 2, &count));
    ASSERT_EQ(count, 2u);
    EXPECT_TRUE(got[0].Event.KeyEvent.bKeyDown);
    EXPECT_FALSE(got[1].Event.KeyEvent.bKeyDown);
    EXPECT_EQ(pending_events(), 3u); // a peek takes nothing away
    ASSERT_TRUE(ReadConsoleInputA(in, got, 2, &count));
    ASSERT_EQ(count, 2u);
    EXPECT_EQ(got[0].Event.KeyEvent.uChar.AsciiChar, 'a');
    EXPECT_EQ(pending_events(), 1u);
    ASSERT_TRUE(ReadConsoleInputA(in, got, 5, &count));
    ASSERT_EQ(count, 1u);
    EXPECT_EQ(got[0].Event.KeyEvent.uChar.AsciiChar, 'b');
    EXPECT_EQ(got[0].Event.KeyEvent.wVirtualScanCode, 0x30);
    EXPECT_EQ(pending_events(), 0u);
}

TEST_F(ConsoleInput, FlushDiscardsWhatIsQueued) {
    type("abc");
    EXPECT_EQ(pending_events(), 6u);
    ASSERT_TRUE(FlushConsoleInputBuffer(in));
    EXPECT_EQ(pending_events(), 0u);
    INPUT_RECORD r{};
    DWORD count = 0xDEAD;
    ASSERT_TRUE(PeekConsoleInputA(in, &r, 1, &count));
    EXPECT_EQ(count, 0u);
}

TEST_F(ConsoleInput, PeekOnAnEmptyConsoleWithoutScriptReturnsNothing) {
    INPUT_RECORD r{};
    DWORD count = 0xDEAD;
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(PeekConsoleInputA(in, &r, 1, &count));
        EXPECT_EQ(count, 0u);
    }
    ASSERT_TRUE(ReadConsoleInputA(in, &r, 0, &count));
    EXPECT_EQ(count, 0u);
}

TEST_F(ConsoleInput, AReadThatMustWaitForNothingEndsTheProgram) {
    INPUT_RECORD r{};
    DWORD count = 0;
    EXPECT_EQ(exit_status_of([&] { ReadConsoleInputA(in, &r, 1, &count); }), 1);
    EXPECT_EQ(exit_status_of([&] { read_console(10); }), 1);
}

TEST_F(ConsoleInput, ScriptBytesAreReadOnlyAsTheProgramAsks) {
    feed("ab\n");
    EXPECT_EQ(pending_events(), 0u);
    INPUT_RECORD first = peek_one();
    EXPECT_EQ(first.Event.KeyEvent.uChar.AsciiChar, 'a');
    EXPECT_EQ(first.Event.KeyEvent.wVirtualKeyCode, 'A');
    EXPECT_EQ(pending_events(), 2u); // one key's worth: its press and release
    EXPECT_EQ(read_key_downs(6), "ab\r");
}

TEST_F(ConsoleInput, ScriptLineEndsAreEnterOnce) {
    feed("1\r\n2\n\n3");
    EXPECT_EQ(read_key_downs(10), "1\r2\r\r");
}

TEST_F(ConsoleInput, FlushNeverLosesScriptInput) {
    feed("1\n2\n");
    EXPECT_EQ(peek_one().Event.KeyEvent.uChar.AsciiChar, '1');
    ASSERT_TRUE(FlushConsoleInputBuffer(in));
    EXPECT_EQ(peek_one().Event.KeyEvent.uChar.AsciiChar, '\r');
    ASSERT_TRUE(FlushConsoleInputBuffer(in));
    EXPECT_EQ(peek_one().Event.KeyEvent.uChar.AsciiChar, '2');
}

// A script answers a key poll with a line of its own: a line read that
// follows begins on the next script line (whatever the polled line held),
// another poll gets the next key of the line, its line end as Enter.
TEST_F(ConsoleInput, ALineReadAfterAPolledKeyStartsOnTheNextScriptLine) {
    feed("1\n23\n4\r\n56\n7\n");
    EXPECT_EQ(poll_key().uChar.AsciiChar, '1');
    EXPECT_EQ(read_console(80), "23\r\n");
    EXPECT_EQ(poll_key().uChar.AsciiChar, '4');
    EXPECT_EQ(read_console(80), "56\r\n"); // the CR LF went with the 4
    EXPECT_EQ(poll_key().uChar.AsciiChar, '7');
    EXPECT_EQ(poll_key().uChar.AsciiChar, '\r');
}

TEST_F(ConsoleInput, ALineReadAfterAPolledKeySkipsTheRestOfItsLine) {
    feed("12\n5\n\x1b[A\n6\n\x1bOP\r\n7\n");
    EXPECT_EQ(poll_key().uChar.AsciiChar, '1');
    EXPECT_EQ(read_console(80), "5\r\n");
    EXPECT_EQ(poll_key().wVirtualKeyCode, VK_UP); // a key without a character
    EXPECT_EQ(read_console(80), "6\r\n");
    EXPECT_EQ(poll_key().wVirtualKeyCode, VK_F1);
    EXPECT_EQ(read_console(80), "7\r\n");
}

TEST_F(ConsoleInput, PollsGetTheLineEndsAsEnter) {
    feed("5\n\n");
    EXPECT_EQ(poll_key().uChar.AsciiChar, '5');
    EXPECT_EQ(poll_key().uChar.AsciiChar, '\r');
    EXPECT_EQ(read_console(80), "\r\n"); // the Enter came from a poll: nothing skipped
}

TEST_F(ConsoleInput, BytesAfterAPolledKeyOutliveTheFlush) {
    feed("12\x1b[A\n");
    EXPECT_EQ(poll_key().uChar.AsciiChar, '1');
    EXPECT_EQ(poll_key().uChar.AsciiChar, '2');
    EXPECT_EQ(poll_key().wVirtualKeyCode, VK_UP);
    // A key without a character keeps its line end: that is Enter.
    EXPECT_EQ(poll_key().uChar.AsciiChar, '\r');
}

TEST_F(ConsoleInput, ALinePolledForInLineModeIsNotCut) {
    feed("1\n");
    EXPECT_EQ(peek_one().Event.KeyEvent.uChar.AsciiChar, '1');
    EXPECT_EQ(read_key_downs(3), "1\r");
}

TEST_F(ConsoleInput, TheEndOfTheScriptEndsTheProgramWhenAKeyIsNeeded) {
    feed("x");
    EXPECT_EQ(read_key_downs(4), "x\r"); // the end of the script ends the line
    INPUT_RECORD r{};
    DWORD count = 0;
    EXPECT_EQ(exit_status_of([&] { PeekConsoleInputA(in, &r, 1, &count); }), 1);
}

TEST_F(ConsoleInput, ScriptEscapeAtTheEndIsTheEscapeKey) {
    feed("\x1b");
    INPUT_RECORD r = peek_one();
    EXPECT_EQ(r.Event.KeyEvent.wVirtualKeyCode, VK_ESCAPE);
    EXPECT_EQ(r.Event.KeyEvent.dwControlKeyState, 0u);
}

TEST_F(ConsoleInput, FeedGivesKeysAcrossSeveralFeeds) {
    feed("\x1b[");
    feed("D");
    INPUT_RECORD r = peek_one();
    EXPECT_EQ(r.Event.KeyEvent.wVirtualKeyCode, VK_LEFT);
    EXPECT_EQ(r.Event.KeyEvent.dwControlKeyState, static_cast<DWORD>(ENHANCED_KEY));
}

TEST_F(ConsoleInput, CtrlCWithProcessedInputEndsTheProgram) {
    feed("12\x03"
         "34\n");
    EXPECT_EQ(exit_status_of([&] { read_console(80); }), 130);
    console_host_open(COLUMNS, ROWS);
    set_mode(ENABLE_PROCESSED_INPUT);
    feed("\x03");
    EXPECT_EQ(exit_status_of([&] { read_console(80); }), 130);
    console_host_open(COLUMNS, ROWS);
    feed("\x03");
    INPUT_RECORD r{};
    DWORD count = 0;
    EXPECT_EQ(exit_status_of([&] { PeekConsoleInputA(in, &r, 1, &count); }), 130);
}

TEST_F(ConsoleInput, CtrlCWithoutProcessedInputIsTheKey3) {
    set_mode(0);
    feed("\x03");
    EXPECT_EQ(read_console(10), "\x03");
    console_host_open(COLUMNS, ROWS);
    set_mode(ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT);
    feed("a\x03\r");
    EXPECT_EQ(read_console(10), "a\x03\r");
    EXPECT_EQ(row_text(0), "a^C");
}

TEST_F(ConsoleInput, CtrlAltCIsAKeyEvenWithProcessedInput) {
    feed("\x1b\x03");
    INPUT_RECORD r{};
    DWORD count = 0;
    ASSERT_EQ(exit_status_of([&] { PeekConsoleInputA(in, &r, 1, &count); }), -1);
    EXPECT_EQ(count, 1u);
}

TEST_F(ConsoleInput, RawReadWaitsForOneCharacterThenTakesWhatIsQueued) {
    set_mode(0);
    type("xyz");
    EXPECT_EQ(read_console(1), "x");
    EXPECT_EQ(read_console(100), "yz");
    EXPECT_EQ(pending_events(), 0u);
    EXPECT_EQ(row_text(0), ""); // raw reads echo nothing
}

TEST_F(ConsoleInput, RawReadDropsKeysWithoutCharacterAndEscape) {
    set_mode(ENABLE_PROCESSED_INPUT);
    press(VK_LEFT, 0x4B, 0, ENHANCED_KEY);
    press(VK_ESCAPE, 0x01, 0x1B);
    press(VK_F1, 0x3B, 0);
    press(VK_RETURN, 0x1C, '\n', LEFT_CTRL_PRESSED);
    press(VK_SHIFT, 0x2A, 0, SHIFT_PRESSED);
    press(VK_BACK, 0x0E, 0x08);
    press(VK_RETURN, 0x1C, '\r');
    EXPECT_EQ(read_console(10), "\x08\r");
    EXPECT_EQ(pending_events(), 0u);
}

TEST_F(ConsoleInput, RawReadOfAScriptTakesOneKeyAtATime) {
    set_mode(0);
    feed("ab\n");
    EXPECT_EQ(read_console(10), "a");
    EXPECT_EQ(read_console(10), "b");
    EXPECT_EQ(read_console(10), "\r");
}

TEST_F(ConsoleInput, ZeroCountReadIsRefused) {
    char c;
    DWORD read = 0xDEAD;
    SetLastError(0);
    EXPECT_FALSE(ReadConsoleA(in, &c, 0, &read, nullptr));
    EXPECT_EQ(read, 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
}

TEST_F(ConsoleInput, OpeningAConsoleForgetsTheOldInput) {
    type("abc");
    feed("xyz");
    set_mode(0);
    console_host_open(COLUMNS, ROWS);
    EXPECT_EQ(pending_events(), 0u);
    DWORD mode = 0;
    ASSERT_TRUE(GetConsoleMode(in, &mode));
    EXPECT_EQ(mode, 0x1F7u);
    INPUT_RECORD r{};
    DWORD count = 0xDEAD;
    ASSERT_TRUE(PeekConsoleInputA(in, &r, 1, &count));
    EXPECT_EQ(count, 0u); // the old feed is gone, so nothing is waiting
}

// Typed text goes into the code page of the console now open, not into
// that of the one before: U+2026 is A1 4B in Big5 and has no form in 437.
TEST_F(ConsoleInput, AReopenedConsoleTypesInItsOwnCodePage) {
    std::string typed[2];
    for (int i = 0; i < 2; ++i) {
        reopen_in_codepage(i == 0 ? "437" : "950");
        feed("\xe2\x80\xa6\n");
        typed[i] = read_console(80);
    }
    EXPECT_EQ(typed[0], "?\r\n");
    EXPECT_EQ(typed[1], "\xa1\x4b\r\n");
}

// A typed character that no key of the layout makes is still a key: a
// key read returns its byte in the code page (a double-byte one's first).
TEST_F(ConsoleInput, ATypedCharacterBeyondAsciiIsAKey) {
    const struct {
        const char *codepage;
        const char *typed;
        uint32_t code;
    } cases[] = {
        {"437", "\xc3\xa9", 0x82}, {"437", "\xe4\xb8\xad", '?'}, {"950", "\xe4\xb8\xad", 0xA4}};
    for (const auto &c : cases) {
        reopen_in_codepage(c.codepage);
        feed(c.typed);
        EXPECT_EQ(con_read_char(), c.code) << c.codepage << " " << c.typed;
    }
}

// Typed text comes in the input code page, set apart from the output one.
TEST_F(ConsoleInput, TypedTextComesInTheInputCodePage) {
    reopen_in_codepage("437");
    ASSERT_TRUE(SetConsoleCP(CP_UTF8));
    feed("\xc3\xa9\n");
    EXPECT_EQ(read_console(80), "\xc3\xa9\r\n");
    EXPECT_EQ(GetConsoleOutputCP(), 437u);
}

// A UTF-8 line longer than the buffer is cut before a character, not in it.
TEST_F(ConsoleInput, ALineCutToFitKeepsNoHalfCharacter) {
    reopen_in_codepage("65001");
    feed("\xc3\xa9\xc3\xa9\xe4\xb8\xad\nx\n");
    char line[7]; // room for 6 bytes: the cut falls inside the 中
    EXPECT_EQ(con_read_line(line, sizeof line), 4u);
    EXPECT_STREQ(line, "\xc3\xa9\xc3\xa9");
    EXPECT_EQ(con_read_line(line, sizeof line), 1u) << "the rest of the line is dropped";
}

// The records are looked at before the handle, as Windows copies them
// first: even the output handle gives the fault of the missing records.
TEST_F(ConsoleInput, MissingRecordsAreFoundBeforeAWrongHandle) {
    DWORD written = 0;
    EXPECT_FALSE(WriteConsoleInputA(out, nullptr, 1, &written));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOACCESS));
}

} // namespace
