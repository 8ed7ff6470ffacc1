// Screen control: clear, cursor, colour and the size query.
#include <gtest/gtest.h>

#include "con_output.h"
#include "console_host.h"
#include "console_screen.h"

namespace {

void fill_with_marks(int columns, int rows) {
    for (int row = 0; row < rows; ++row) {
        std::string marks(static_cast<size_t>(columns), '#');
        std::vector<WORD> attributes(static_cast<size_t>(columns), 0x5A);
        DWORD count = 0;
        COORD at{0, static_cast<SHORT>(row)};
        WriteConsoleOutputCharacterA(console_screen::output(), marks.data(),
                                     static_cast<DWORD>(columns), at, &count);
        WriteConsoleOutputAttribute(console_screen::output(), attributes.data(),
                                    static_cast<DWORD>(columns), at, &count);
    }
}

void expect_cleared(int row, int from, int to, WORD attribute) {
    std::string cells = console_screen::text(row, from, to - from);
    std::vector<WORD> attributes = console_screen::attributes(row, from, to - from);
    EXPECT_EQ(cells, std::string(static_cast<size_t>(to - from), ' ')) << "row " << row;
    for (WORD a : attributes) ASSERT_EQ(a, attribute) << "row " << row;
}

TEST(ScreenControl, ClearBlanksEveryRowInTheAttributeInForce) {
    console_host_open(80, 300);
    fill_with_marks(80, 300);
    con_set_color(0x1F);
    con_goto(7, 9);
    con_clear_screen();
    for (int row : {0, 1, 24, 25, 150, 299}) expect_cleared(row, 0, 80, 0x1F);
    EXPECT_EQ(console_screen::cursor().X, 0);
    EXPECT_EQ(console_screen::cursor().Y, 0);
    EXPECT_EQ(con_get_color(), 0x1F);
}

TEST(ScreenControl, ClearCoversAtMost512Columns) {
    console_host_open(512, 4);
    fill_with_marks(512, 4);
    con_clear_screen();
    expect_cleared(3, 0, 512, 0x07);

    console_host_open(600, 4);
    fill_with_marks(600, 4);
    con_clear_screen();
    expect_cleared(2, 0, 512, 0x07);
    EXPECT_EQ(console_screen::text(2, 512, 88), std::string(88, '#'));
    EXPECT_EQ(console_screen::attribute(2, 599), 0x5A);
}

TEST(ScreenControl, GotoPlacesTheCursor) {
    console_host_open(80, 25);
    con_goto(0, 0);
    EXPECT_EQ(console_screen::cursor().X, 0);
    con_goto(14, 78);
    EXPECT_EQ(console_screen::cursor().X, 78);
    EXPECT_EQ(console_screen::cursor().Y, 14);
}

TEST(ScreenControl, GotoOutsideTheBufferLeavesTheCursor) {
    console_host_open(80, 25);
    con_goto(3, 4);
    con_goto(25, 0);
    con_goto(0, 80);
    con_goto(255, 255);
    EXPECT_EQ(console_screen::cursor().X, 4);
    EXPECT_EQ(console_screen::cursor().Y, 3);
}

TEST(ScreenControl, ColourSetIsColourGot) {
    console_host_open(80, 25);
    EXPECT_EQ(con_get_color(), 0x07);
    for (uint16_t attribute : {0x1F, 0x22, 0x00, 0xFF, 0x4E}) {
        con_set_color(attribute);
        EXPECT_EQ(con_get_color(), attribute);
    }
}

TEST(ScreenControl, BufferSizeKeepsTheLowEightBits) {
    uint8_t columns = 0;
    uint8_t rows = 0;
    console_host_open(120, 300);
    con_get_buffer_size(&columns, &rows);
    EXPECT_EQ(columns, 120);
    EXPECT_EQ(rows, 44);
    console_host_open(80, 25);
    con_get_buffer_size(&columns, nullptr);
    EXPECT_EQ(columns, 80);
}

} // namespace
