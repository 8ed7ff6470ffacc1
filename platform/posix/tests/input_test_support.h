// Shared helpers for the input tests on a headless console: key records,
// script feeds, reads, screen rows, and an exit hook that throws.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "console_host.h"
#include "console_screen.h"
#include "win32.h"

namespace input_test {

// What the exit hook throws: the program asked to end with this status.
struct Exited {
    unsigned code;
};

inline void throw_on_exit(unsigned code) {
    throw Exited{code};
}

using console_screen::key_event;

class InputTest : public ::testing::Test {
  protected:
    static constexpr int COLUMNS = 40;
    static constexpr int ROWS = 10;

    void SetUp() override {
        console_host_open(COLUMNS, ROWS);
        console_host_set_exit_hook(throw_on_exit);
        in = GetStdHandle(STD_INPUT_HANDLE);
        out = GetStdHandle(STD_OUTPUT_HANDLE);
    }
    void TearDown() override { console_host_set_exit_hook(nullptr); }

    void feed(const std::string &bytes) {
        console_host_feed(bytes.data(), static_cast<unsigned>(bytes.size()));
    }

    // Presses and releases a key through WriteConsoleInputA.
    void press(WORD vk, WORD scan, char ch, DWORD state = 0) {
        INPUT_RECORD records[2] = {key_event(true, vk, scan, ch, state),
                                   key_event(false, vk, scan, ch, state)};
        DWORD written = 0;
        ASSERT_TRUE(WriteConsoleInputA(in, records, 2, &written));
        ASSERT_EQ(written, 2u);
    }
    void type(const std::string &text) {
        for (char c : text) press(0, 0, c);
    }

    void set_mode(DWORD mode) { ASSERT_TRUE(SetConsoleMode(in, mode)); }

    // Opens the console anew in a code page, leaving CONRT_CODEPAGE as it was.
    void reopen_in_codepage(const char *codepage) {
        const char *before = getenv("CONRT_CODEPAGE");
        const std::string saved = before ? before : "";
        setenv("CONRT_CODEPAGE", codepage, 1);
        console_host_open(COLUMNS, ROWS);
        before ? setenv("CONRT_CODEPAGE", saved.c_str(), 1) : unsetenv("CONRT_CODEPAGE");
    }

    std::string read_console(DWORD count) {
        std::string buffer(count, '\xCC');
        DWORD read = 0xDEAD;
        EXPECT_TRUE(ReadConsoleA(in, buffer.data(), count, &read, nullptr));
        EXPECT_LE(read, count);
        buffer.resize(read <= count ? read : 0);
        return buffer;
    }

    // The exit status the program ends with while running f; -1 if it does not end.
    template <typename F> long exit_status_of(F f) {
        try {
            f();
        } catch (const Exited &e) {
            return static_cast<long>(e.code);
        }
        return -1;
    }

    DWORD pending_events() {
        DWORD count = 0xDEAD;
        EXPECT_TRUE(GetNumberOfConsoleInputEvents(in, &count));
        return count;
    }

    std::string row_text(int row) {
        std::string text(COLUMNS, '\0');
        DWORD read = 0;
        EXPECT_TRUE(ReadConsoleOutputCharacterA(out, text.data(), COLUMNS,
                                                COORD{0, static_cast<SHORT>(row)}, &read));
        text.resize(read);
        while (!text.empty() && text.back() == ' ') text.pop_back();
        return text;
    }

    COORD cursor() {
        CONSOLE_SCREEN_BUFFER_INFO info{};
        EXPECT_TRUE(GetConsoleScreenBufferInfo(out, &info));
        return info.dwCursorPosition;
    }

    HANDLE in = nullptr;
    HANDLE out = nullptr;
};

} // namespace input_test
