// The wait prompt: its text, where it leaves the cursor, and the key it eats.
#include <gtest/gtest.h>

#include "con_input.h"
#include "con_output.h"
#include "console_host.h"
#include "console_screen.h"

namespace {

TEST(WaitPrompt, ShowsThePromptAndTakesOneKeyWithoutEcho) {
    console_host_open(80, 25);
    con_goto(2, 5);
    console_screen::press_key('Q', 0x10, 'q');
    con_wait_key();
    EXPECT_EQ(console_screen::row_text(2), "     Press any key to continue...");
    // No line break before or after: the cursor stands right after the text.
    EXPECT_EQ(console_screen::cursor().X, 5 + 28);
    EXPECT_EQ(console_screen::cursor().Y, 2);
    EXPECT_EQ(console_screen::row_text(3), "");
    DWORD pending = 99;
    GetNumberOfConsoleInputEvents(console_screen::input(), &pending);
    EXPECT_EQ(pending, 0u) << "the key is thrown away";
}

// A release left over from a key typed earlier is no key press: the wait
// goes on to the press after it, and takes both.
TEST(WaitPrompt, AKeyReleaseDoesNotEndTheWait) {
    console_host_open(80, 25);
    INPUT_RECORD release = console_screen::key_event(false, 'A', 0x1E, 'a');
    DWORD written = 0;
    WriteConsoleInputA(console_screen::input(), &release, 1, &written);
    console_screen::press_key('B', 0x30, 'b');
    con_wait_key();
    DWORD pending = 99;
    GetNumberOfConsoleInputEvents(console_screen::input(), &pending);
    EXPECT_EQ(pending, 0u);
}

TEST(WaitPrompt, EnterAndExtendedKeysEndTheWaitToo) {
    console_host_open(80, 25);
    console_screen::press_key(VK_RETURN, 0x1C, '\r');
    con_wait_key();
    console_screen::press_key(VK_F1, 0x3B, 0);
    con_wait_key();
    EXPECT_EQ(console_screen::row_text(0),
              "Press any key to continue...Press any key to continue...");
}

} // namespace
