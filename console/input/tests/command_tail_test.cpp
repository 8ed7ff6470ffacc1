// The command tail: the quoting cases through the scanner, and the tail of
// this process's own command line.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "command_tail.h"
#include "con_input.h"
#include "win32.h"

namespace {

struct Case {
    const char *command_line;
    bool has_tail;
    const char *tail;
};

const Case cases[] = {
    // An unquoted name: one blank is consumed, the rest is the tail.
    {"prog one two", true, "one two"},
    {"prog   one", true, "  one"},
    {"prog\tone two", true, "two"}, // a tab is part of the name
    // A quoted name: the tail starts right after the closing quote.
    {"\"C:\\My Programs\\prog.exe\" one two", true, " one two"},
    {"\"prog\"one", true, "one"},
    // Nothing after the name.
    {"prog", false, ""},
    {"prog ", false, ""},
    {"\"C:\\My Programs\\prog.exe\"", false, ""},
    {"", false, ""},
    // A quoted part inside an unquoted name ends the name.
    {"C:\\\"My Dir\"\\prog.exe arg", true, "\\prog.exe arg"},
    // Quotes, blanks and tabs inside the tail stay as they are.
    {"prog \"a b\"\t\"c\"  ", true, "\"a b\"\t\"c\"  "},
    // An unclosed quote: the scan stops at the end of the text.
    {"\"C:\\prog.exe one two", false, ""},
    {"prog\"unclosed", false, ""},
    {"\"", false, ""},
};

TEST(CommandTail, QuotingCases) {
    for (const Case &c : cases) {
        char buffer[64];
        std::memset(buffer, '#', sizeof buffer);
        bool found = command_tail_of(c.command_line, buffer);
        EXPECT_EQ(found, c.has_tail) << "[" << c.command_line << "]";
        EXPECT_STREQ(buffer, c.tail) << "[" << c.command_line << "]";
        // Nothing is written past the terminator.
        EXPECT_EQ(buffer[std::strlen(c.tail) + 1], '#') << "[" << c.command_line << "]";
    }
}

TEST(CommandTail, LongTailIsCopiedWhole) {
    std::string tail(5000, 'x');
    std::string line = "prog " + tail;
    std::vector<char> buffer(COMMAND_TAIL_SIZE, '#');
    EXPECT_TRUE(command_tail_of(line.c_str(), buffer.data()));
    EXPECT_EQ(std::string(buffer.data()), tail);
}

TEST(CommandTail, OwnCommandLineTailIsItsEnd) {
    std::vector<char> buffer(COMMAND_TAIL_SIZE, '#');
    bool found = get_command_tail(buffer.data());
    std::string line = GetCommandLineA();
    std::string tail = buffer.data();
    EXPECT_EQ(found, !tail.empty());
    ASSERT_LE(tail.size(), line.size());
    EXPECT_EQ(line.substr(line.size() - tail.size()), tail);
    EXPECT_LT(tail.size(), line.size()) << "the program name is never part of the tail";
}

} // namespace
