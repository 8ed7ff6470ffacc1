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

// Each round takes four rows: the title, the definition, the prompt with
// what was typed, and the answer; the next round's title follows.
constexpr int ROUND_ROWS = 4;

TEST(RecurrenceSession, ResultsFollowTheirPrompts) {
    const struct {
        const char *typed;
        const char *answer;
    } rounds[] = {{"1", "+1.5000000E+000"},
                  {"10", "+2.0450000E+002"},
                  {"-3", "out of range."},
                  {"2147483647", "+\xEC"}};
    EXPECT_EQ(run_menu("3\n1\n10\n-3\n2147483647\n"), INPUT_ENDED);
    int top = 0;
    for (const auto &round : rounds) {
        EXPECT_EQ(row_text(top), TITLE) << round.typed;
        EXPECT_EQ(row_text(top + 1), DEFINITION) << round.typed;
        EXPECT_EQ(row_text(top + 2), std::string("Please input n:") + round.typed);
        EXPECT_EQ(row_text(top + 3), round.answer);
        top += ROUND_ROWS;
    }
    EXPECT_EQ(row_text(top), TITLE);
}

TEST(RecurrenceSession, ZeroOrNoNumberReturnsToTheMenu) {
    for (const char *back : {"0\n", "   \n", "abc\n"}) {
        EXPECT_EQ(run_menu(std::string("3\n") + back), INPUT_ENDED) << back;
        EXPECT_EQ(row_text(2), "  My student ID is: 5038271") << back;
        EXPECT_EQ(console_screen::cursor().Y, 15) << back;
    }
}

} // namespace
