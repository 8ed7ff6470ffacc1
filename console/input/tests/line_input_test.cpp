// Line input: lines typed into the console's own editing, trimmed of their
// line end, and overlong lines cut with their rest dropped.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "con_input.h"
#include "con_output.h"
#include "console_host.h"
#include "console_screen.h"

namespace {

using console_screen::type_text;

class LineInput : public ::testing::Test {
  protected:
    void SetUp() override { console_host_open(120, 25); }

    // Reads into a buffer with canaries on both sides.
    std::string read_line(uint32_t max, uint32_t *count) {
        std::memset(area, '#', sizeof area);
        *count = con_read_line(area + 1, max);
        EXPECT_EQ(area[0], '#') << "nothing written before the buffer";
        EXPECT_EQ(area[max + 1], '#') << "nothing written after the buffer";
        return std::string(area + 1);
    }

    char area[200];
};

TEST_F(LineInput, LinesThatFitComeBackWhole) {
    for (size_t length : {size_t{0}, size_t{1}, size_t{40}, size_t{78}, size_t{79}}) {
        std::string line(length, 'k');
        type_text(line);
        uint32_t count = 0;
        EXPECT_EQ(read_line(80, &count), line);
        EXPECT_EQ(count, length);
    }
}

TEST_F(LineInput, OverlongLinesAreCutAndTheirRestNeverArrives) {
    for (size_t length : {size_t{80}, size_t{81}, size_t{100}}) {
        std::string line;
        for (size_t i = 0; i < length; ++i) line += static_cast<char>('a' + i % 26);
        type_text(line);
        type_text("next");
        uint32_t count = 0;
        EXPECT_EQ(read_line(80, &count), line.substr(0, 79)) << length;
        EXPECT_EQ(count, 79u);
        EXPECT_EQ(read_line(80, &count), "next") << "the rest of the long line was dropped";
        EXPECT_EQ(count, 4u);
    }
}

TEST_F(LineInput, BlanksAndTabsStayAsTyped) {
    type_text("  \t 12 \t");
    uint32_t count = 0;
    EXPECT_EQ(read_line(80, &count), "  \t 12 \t");
    EXPECT_EQ(count, 8u);
}

TEST_F(LineInput, TheConsoleEchoesTheLineAndTheLineEnd) {
    con_goto(3, 0);
    type_text("42");
    uint32_t count = 0;
    read_line(80, &count);
    EXPECT_EQ(console_screen::row_text(3), "42");
    EXPECT_EQ(console_screen::cursor().Y, 4);
    EXPECT_EQ(console_screen::cursor().X, 0);
}

TEST_F(LineInput, SmallBuffers) {
    uint32_t count = 99;
    type_text("abc");
    EXPECT_EQ(read_line(2, &count), "a");
    EXPECT_EQ(count, 1u);
    type_text("xy");
    EXPECT_EQ(read_line(3, &count), "xy") << "characters and CR fill it exactly";
    EXPECT_EQ(count, 2u);
}

} // namespace
