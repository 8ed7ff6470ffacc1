// The memory dump's exact text in each unit size, from buffers the test owns.
#include <gtest/gtest.h>

#include "con_diag.h"
#include "con_output.h"
#include "marked_screen.h"
#include "register_fixture.h"

// clang-format off
// Loads known values into the registers and flags, dumps two bytes at start
// and stores what the registers and flags hold after: EAX, EBX, ECX, EDX,
// ESI, EDI, flags. (lea, unlike add, leaves the flags alone.)
extern "C" __attribute__((naked)) void memory_dump_keeping(uint32_t *, const void *)
{
    asm(KEEPING_PROLOGUE(0x8D7)
        "    pushl $1\n"
        "    pushl $2\n"
        "    pushl 12(%ebp)\n"
        "    call " SYMBOL(con_dump_memory) "\n"
        "    leal 12(%esp), %esp\n"
        KEEPING_EPILOGUE);
}
// clang-format on

namespace {

using Lines = std::vector<std::string>;

const unsigned char bytes[17] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF, 0x10,
                                 0x32, 0x54, 0x76, 0x98, 0xBA, 0xDC, 0xFE, 0x7F};
const std::string SEPARATOR(31, '-');
const std::string SIXTEEN_BYTES = "01 23 45 67 89 AB CD EF 10 32 54 76 98 BA DC FE ";

std::string header(const void *start) {
    return "Dump of offset " +
           marked_screen::hex8(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(start)));
}

Lines dumped(const void *start, uint32_t count, uint32_t unit_size) {
    marked_screen::open();
    con_dump_memory(start, count, unit_size);
    return marked_screen::lines();
}

struct Case {
    const char *what;
    const unsigned char *start;
    uint32_t count;
    uint32_t unit_size;
    Lines body; // the rows after the separator, down to the cursor's row
};

TEST(MemoryDump, EachUnitSize) {
    const Case cases[] = {
        // A full line of bytes breaks after its blank; the final break leaves an empty line.
        {"16 bytes", bytes, 16, 1, {SIXTEEN_BYTES, "", ""}},
        {"17 bytes", bytes, 17, 1, {SIXTEEN_BYTES, "7F ", ""}},
        {"5 bytes", bytes + 3, 5, 1, {"67 89 AB CD EF ", ""}},
        // Any size other than 2 and 4 means bytes.
        {"size 0", bytes, 17, 0, {SIXTEEN_BYTES, "7F ", ""}},
        {"size 3", bytes, 17, 3, {SIXTEEN_BYTES, "7F ", ""}},
        {"size 8", bytes, 2, 8, {"01 23 ", ""}},
        // 16- and 32-bit units are little-endian values on one line.
        {"8 halfwords", bytes, 8, 2, {"2301 6745 AB89 EFCD 3210 7654 BA98 FEDC ", ""}},
        {"unaligned halfword", bytes + 1, 1, 2, {"4523 ", ""}},
        {"4 words", bytes, 4, 4, {"67452301  EFCDAB89  76543210  FEDCBA98  ", ""}},
        {"unaligned words", bytes + 1, 3, 4, {"89674523  10EFCDAB  98765432  ", ""}},
    };
    for (const Case &c : cases) {
        Lines expected = {"", header(c.start), SEPARATOR};
        expected.insert(expected.end(), c.body.begin(), c.body.end());
        EXPECT_EQ(dumped(c.start, c.count, c.unit_size), expected) << c.what;
    }
}

TEST(MemoryDump, CountZeroWritesTheFrameAndReadsNothing) {
    // A null start would fault if anything were read.
    EXPECT_EQ(dumped(nullptr, 0, 1), (Lines{"", "Dump of offset 00000000", SEPARATOR, "", ""}));
    EXPECT_EQ(dumped(nullptr, 0, 4), (Lines{"", "Dump of offset 00000000", SEPARATOR, "", ""}));
}

TEST(MemoryDump, ThirtyTwoBytesEndWithAnEmptyLine) {
    unsigned char block[32];
    for (int i = 0; i < 32; ++i) block[i] = static_cast<unsigned char>(0xA0 + i);
    Lines lines = dumped(block, 32, 1);
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[3], "A0 A1 A2 A3 A4 A5 A6 A7 A8 A9 AA AB AC AD AE AF ");
    EXPECT_EQ(lines[4], "B0 B1 B2 B3 B4 B5 B6 B7 B8 B9 BA BB BC BD BE BF ");
    EXPECT_EQ(lines[5], "");
    EXPECT_EQ(console_screen::cursor().X, 0);
}

TEST(MemoryDump, StartsWithALineBreakWhereverTheCursorStands) {
    marked_screen::open();
    con_write_text("before");
    con_dump_memory(bytes, 1, 1);
    Lines lines = marked_screen::lines();
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], "before");
    EXPECT_EQ(lines[1], header(bytes));
    EXPECT_EQ(lines[3], "01 ");
}

TEST(MemoryDump, KeepsEveryRegisterAndFlag) {
    marked_screen::open();
    uint32_t after[7] = {};
    memory_dump_keeping(after, bytes);
    const uint32_t expected[7] = {0x11111111, 0x22222222, 0x33333333,   0x44444444,
                                  0x55555555, 0x66666666, 0x8D7 | 0x200};
    for (int i = 0; i < 7; ++i) EXPECT_EQ(after[i], expected[i]) << "register " << i;
    EXPECT_EQ(marked_screen::lines(), (Lines{"", header(bytes), SEPARATOR, "01 23 ", ""}));
}

} // namespace
