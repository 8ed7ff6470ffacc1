// The menu screen, cell by cell, after its first and second painting.
#include <gtest/gtest.h>

#include <string>

#include "con_output.h"
#include "console_host.h"
#include "console_screen.h"
#include "menu.h"

namespace {

constexpr int FRAME_RIGHT = 78;
constexpr int FRAME_BOTTOM = 14;

bool is_frame_cell(int row, int column) {
    bool on_row_edge = (row == 0 || row == FRAME_BOTTOM) && column <= FRAME_RIGHT;
    bool on_column_edge = (column == 0 || column == FRAME_RIGHT) && row <= FRAME_BOTTOM;
    return on_row_edge || on_column_edge;
}

const char *const expected_rows[] = {
    "",
    "",
    "  My student ID is: 5038271",
    "  Please select one of the option",
    "  1. Compute (1^2+2^2+3^2+\xA1\x4B+n^2)/m",
    "",
    "  2. Compute",
    "        (1^2-2^2+3^2+\xA1\x4B+(-1)^(n+1) n^2)*m",
    "  3. Compute S(n).",
    "        Define S(n) = 1 + S(n-1) + S(n-2), n>=2. S(0) = 1, S(1) = 1.5.",
    "  4. Quit program",
    "  Please enter an option\xA1\x4B\xA1\x4B",
};

class MenuScreen : public ::testing::Test {
  protected:
    void SetUp() override { console_host_open(80, 25); }
};

// text_length stops at the first NUL: the whole text is one string, up to
// its last line break.
TEST_F(MenuScreen, TextIsMenuTextInOnePiece) {
    std::string text(menu_text, text_length(menu_text));
    EXPECT_EQ(text.rfind("\r\n"), text.size() - 2);
    EXPECT_NE(text.find("4. Quit program"), std::string::npos);
}

TEST_F(MenuScreen, FirstPaintShowsTextInsideAGreenFrame) {
    paint_menu();
    for (int row = 0; row < 12; ++row) EXPECT_EQ(console_screen::row_text(row), expected_rows[row]);
    for (int row = 12; row < 25; ++row) EXPECT_EQ(console_screen::row_text(row), "") << row;

    int frame_cells = 0;
    for (int row = 0; row < 25; ++row) {
        std::vector<WORD> attributes = console_screen::attributes(row, 0, 80);
        for (int column = 0; column < 80; ++column) {
            if (!is_frame_cell(row, column)) {
                EXPECT_NE(attributes[column], 0x22) << row << "," << column;
                continue;
            }
            ++frame_cells;
            EXPECT_EQ(attributes[column], 0x22) << row << "," << column;
            EXPECT_EQ(console_screen::character(row, column), ' ');
        }
    }
    EXPECT_EQ(frame_cells, 184);
    // The text takes the menu colour; the first clear was in the console's own.
    EXPECT_EQ(console_screen::attribute(2, 2), 0x1F);
    EXPECT_EQ(console_screen::attribute(20, 40), 0x07);
    EXPECT_EQ(console_screen::cursor().X, 0);
    EXPECT_EQ(console_screen::cursor().Y, 15);
    EXPECT_EQ(con_get_color(), 0x1F);
}

TEST_F(MenuScreen, SecondPaintTurnsTheWholeBufferBlue) {
    paint_menu();
    paint_menu();
    for (int row = 0; row < 25; ++row) {
        std::vector<WORD> attributes = console_screen::attributes(row, 0, 80);
        for (int column = 0; column < 80; ++column)
            EXPECT_EQ(attributes[column], is_frame_cell(row, column) ? 0x22 : 0x1F)
                << row << "," << column;
    }
    for (int row = 0; row < 12; ++row) EXPECT_EQ(console_screen::row_text(row), expected_rows[row]);
    EXPECT_EQ(console_screen::cursor().Y, 15);
    // The menu's own record of the cursor agrees: going back to it stays put.
    con_goto(0, 0);
    goto_saved();
    EXPECT_EQ(console_screen::cursor().X, 0);
    EXPECT_EQ(console_screen::cursor().Y, 15);
}

TEST_F(MenuScreen, NarrowConsoleKeepsAbsolutePositions) {
    console_host_open(40, 12);
    paint_menu();
    // Cursor moves beyond the buffer are refused; the program goes on.
    EXPECT_EQ(console_screen::attribute(0, 0), 0x22);
    EXPECT_EQ(console_screen::attribute(0, 39), 0x22);
    EXPECT_EQ(con_get_color(), 0x1F);
}

} // namespace
