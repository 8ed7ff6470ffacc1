// Option 3 inside whole menu sessions fed as script input: the prompt's own
// line breaks and tab, results under their prompts, negative n refused, and
// 0 or text that is no number going back to the menu.
#include <gtest/gtest.h>

#include <string>

#include "console_host.h"
#include "console_screen.h"
#include "menu.h"
#include "menu_session.h"

namespace {

using console_screen::row_text;

using menu_session::INPUT_ENDED;
using menu_session::run_menu;
const std::string TITLE = "3.Compute S(n).";
// LF CR after the title; the tab after "S(n-2), " (column 36) reaches column 40.
const std::string DEFINITION =
    "Define S(n) = 1.0 +S(n-1) + S(n-2),     n>=2. S(0) = 1.0, S(1) = 1.5";

TEST(RecurrenceSession, ResultsFollowTheirPrompts) {
    EXPECT_EQ(run_menu("3\n1\n10\n-3\n2147483647\n"), INPUT_ENDED);
    EXPECT_EQ(row_text(0), TITLE);
    EXPECT_EQ(row_text(1), DEFINITION);
    EXPECT_EQ(row_text(2), "Please input n:1");
    EXPECT_EQ(row_text(3), "+1.5000000E+000");
    EXPECT_EQ(row_text(4), TITLE);
    EXPECT_EQ(row_text(6), "Please input n:10");
    EXPECT_EQ(row_text(7), "+2.0450000E+002");
    EXPECT_EQ(row_text(10), "Please input n:-3");
    EXPECT_EQ(row_text(11), "out of range.");
    EXPECT_EQ(row_text(14), "Please input n:2147483647");
    EXPECT_EQ(row_text(15), "+\xEC");
    EXPECT_EQ(row_text(16), TITLE);
}

TEST(RecurrenceSession, ZeroOrNoNumberReturnsToTheMenu) {
    for (const char *back : {"0\n", "   \n", "abc\n"}) {
        EXPECT_EQ(run_menu(std::string("3\n") + back), INPUT_ENDED) << back;
        EXPECT_EQ(row_text(2), "  My student ID is: 5038271") << back;
        EXPECT_EQ(console_screen::cursor().Y, 15) << back;
    }
}

} // namespace
