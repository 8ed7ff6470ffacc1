// Whole menu sessions on a headless console: keys and lines arrive as script
// input only as the program asks for it, and the session ends either
// through the quit sequence or when the input runs out.
#include <gtest/gtest.h>

#include <string>

#include "con_output.h"
#include "console_host.h"
#include "console_screen.h"
#include "menu.h"
#include "menu_session.h"

namespace {

using console_screen::row_text;

using menu_session::INPUT_ENDED;
using menu_session::run_menu;

const std::string option1_title = "1. Compute (1^2+2^2+3^2+\xA1\x4B+n^2)/m";

TEST(MenuSession, OptionOnePrintsQuotientAndRemainder) {
    EXPECT_EQ(run_menu("1\n3\n4\n3\n-4\n"), INPUT_ENDED);
    EXPECT_EQ(row_text(0), option1_title);
    EXPECT_EQ(row_text(1), "");
    EXPECT_EQ(row_text(2), "Input n [0, 100]: 3");
    EXPECT_EQ(row_text(3), "Input m (non-zero, signed integer):4");
    EXPECT_EQ(row_text(4), "Quotient: +3");
    EXPECT_EQ(row_text(5), "Remainder: +2");
    EXPECT_EQ(row_text(6), option1_title) << "the next prompt follows under the result";
    EXPECT_EQ(row_text(9), "Input m (non-zero, signed integer):-4");
    EXPECT_EQ(row_text(10), "Quotient: -3");
    EXPECT_EQ(row_text(11), "Remainder: +2");
}

TEST(MenuSession, OptionOneBoundsAndZeroDivisor) {
    EXPECT_EQ(run_menu("1\n-1\n101\n100\n1\n5\n0\n"), INPUT_ENDED);
    EXPECT_EQ(row_text(2), "Input n [0, 100]: -1");
    EXPECT_EQ(row_text(3), "out of range.");
    EXPECT_EQ(row_text(6), "Input n [0, 100]: 101");
    EXPECT_EQ(row_text(7), "out of range.");
    EXPECT_EQ(row_text(10), "Input n [0, 100]: 100");
    EXPECT_EQ(row_text(12), "Quotient: +338350");
    EXPECT_EQ(row_text(13), "Remainder: +0");
    EXPECT_EQ(row_text(17), "Input m (non-zero, signed integer):0");
    EXPECT_EQ(row_text(18), "out of range.") << "a zero m never divides";
    EXPECT_EQ(row_text(19), option1_title);
}

TEST(MenuSession, OptionTwoPrintsTheSignedProduct) {
    EXPECT_EQ(run_menu("2\n1\n5\n2\n1\n3\n-2\n50\n1\n"), INPUT_ENDED);
    EXPECT_EQ(row_text(0), "2. Compute (1^2-2^2+3^2+...+(-1)^(n+1) n^2)*m");
    EXPECT_EQ(row_text(1), "Please input n [0, 50]: 1");
    EXPECT_EQ(row_text(2), "Input m (non-zero, signed integer):5");
    EXPECT_EQ(row_text(3), "+5");
    EXPECT_EQ(row_text(7), "-3");
    EXPECT_EQ(row_text(11), "-12");
    EXPECT_EQ(row_text(15), "-1275");
}

TEST(MenuSession, OptionTwoBoundsAndWrappingProduct) {
    EXPECT_EQ(run_menu("2\n51\n50\n0\n50\n2000000\n"), INPUT_ENDED);
    EXPECT_EQ(row_text(1), "Please input n [0, 50]: 51");
    EXPECT_EQ(row_text(2), "out of range.");
    EXPECT_EQ(row_text(6), "+0") << "m = 0 simply yields 0";
    // -1275 * 2000000 leaves 32 bits: its low 32 bits are printed.
    EXPECT_EQ(row_text(10), "+1744967296");
}

TEST(MenuSession, ZeroOrUnreadableNReturnsToARepaintedMenu) {
    for (const char *back : {"0\n", "\n", "   \n", "abc\n"}) {
        EXPECT_EQ(run_menu(std::string("1\n") + back), INPUT_ENDED) << back;
        EXPECT_EQ(row_text(2), "  My student ID is: 5038271") << back;
        EXPECT_EQ(console_screen::cursor().Y, 15);
        EXPECT_EQ(console_screen::attribute(20, 40), 0x1F) << "cleared in blue";
    }
}

TEST(MenuSession, OtherKeysAreIgnoredAndNotEchoed) {
    EXPECT_EQ(run_menu("a50\x1b[A\x1bOP!"), INPUT_ENDED);
    EXPECT_EQ(row_text(15), "");
    EXPECT_EQ(console_screen::cursor().Y, 15);
    EXPECT_EQ(console_screen::cursor().X, 0);
}

TEST(MenuSession, QuitEndsOnlyOnEnterWithStatusZero) {
    EXPECT_EQ(run_menu("4xy \x1b[B\n"), 0u);
    EXPECT_EQ(row_text(15), "Thanks for playing this system.");
    EXPECT_EQ(console_screen::attribute(15, 0), 0x1F);
    EXPECT_EQ(run_menu("4xyz"), 0u) << "the end of the script ends its last line: Enter";
}

TEST(MenuSession, FarewellEndsWithThePromptAndNoLineBreak) {
    EXPECT_EQ(run_menu("4\n"), 0u);
    const std::string prompt = "Press ENTER to quit.";
    COORD at = console_screen::cursor();
    EXPECT_EQ(console_screen::text(at.Y, at.X - static_cast<int>(prompt.size()),
                                   static_cast<int>(prompt.size())),
              prompt);
}

} // namespace
