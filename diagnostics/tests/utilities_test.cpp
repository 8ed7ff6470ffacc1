// The pseudo-random generator, the clock readings and the text utilities.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <ctime>
#include <string>

#include "con_diag.h"
#include "diag_state.h"
#include "register_fixture.h"

// clang-format off
// Sets the direction flag among others, loads known values, trims blanks
// off text and stores the registers and flags found after: EAX, EBX, ECX,
// EDX, ESI, EDI, flags. (lea, unlike add, leaves the flags alone.)
extern "C" __attribute__((naked)) void trim_keeping(uint32_t *, char *)
{
    asm(KEEPING_PROLOGUE(0xCD7)
        "    pushl $32\n"
        "    pushl 12(%ebp)\n"
        "    call " SYMBOL(text_trim) "\n"
        "    leal 8(%esp), %esp\n"
        KEEPING_EPILOGUE);
}
// clang-format on

namespace {

TEST(Random, SequenceFromTheStartValue) {
    rng_seed = 1; // the value at program start
    EXPECT_EQ(rng_next32(), 0xC00029E2u);
    EXPECT_EQ(rng_seed, 0x0029E2C0u) << "the state keeps the unrotated value";
    EXPECT_EQ(rng_next32(), 0x83C823F6u);
    EXPECT_EQ(rng_next32(), 0x3A18BE87u);
    EXPECT_EQ(rng_seed, 0x18BE873Au);

    rng_seed = 1;
    EXPECT_EQ(rng_below(100), 94u);
}

TEST(Random, AfterASeedOfZero) {
    rng_seed = 0;
    EXPECT_EQ(rng_next32(), 0xC300269Eu); // the increment, rotated
}

TEST(Random, BelowStaysInRange) {
    rng_seed = 12345;
    for (int i = 0; i < 1000; ++i) EXPECT_EQ(rng_below(1), 0u);
    bool seen[7] = {};
    for (int i = 0; i < 1000; ++i) {
        uint32_t value = rng_below(7);
        ASSERT_LT(value, 7u);
        seen[value] = true;
    }
    for (bool hit : seen) EXPECT_TRUE(hit);
}

TEST(Random, SeedFromClockTakesTheMilliseconds) {
    for (int i = 0; i < 5; ++i) {
        rng_seed_from_clock();
        EXPECT_LT(rng_seed, 1000u);
        EXPECT_EQ(rng_seed, time_fields.wMilliseconds);
    }
}

// The local time of day in milliseconds from the C++ library's clock.
uint32_t library_ms_of_day() {
    auto now = std::chrono::system_clock::now();
    std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm *local = std::localtime(&seconds);
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()) % 1000;
    return static_cast<uint32_t>(
        (local->tm_hour * 3600 + local->tm_min * 60 + local->tm_sec) * 1000 + ms.count());
}

// Clocks read by different calls may be a tick apart (time() and Windows'
// plain system time advance by ticks of up to about 16 ms).
const uint32_t CLOCK_TICK_MS = 20;

TEST(Clock, MillisecondsOfDayAgreeWithTheLibraryClock) {
    uint32_t before = library_ms_of_day();
    uint32_t reading = time_ms_of_day();
    uint32_t after = library_ms_of_day();
    ASSERT_LE(before, after) << "midnight passed during the test; run it again";
    EXPECT_GE(reading + CLOCK_TICK_MS, before);
    EXPECT_LE(reading, after + CLOCK_TICK_MS);
    EXPECT_LT(reading, 86400000u);
    EXPECT_EQ(
        reading,
        ((time_fields.wHour * 3600u + time_fields.wMinute * 60u + time_fields.wSecond) * 1000u +
         time_fields.wMilliseconds));
}

// Days from 1601-01-01 to 1970-01-01, times 86400 s, in 100 ns units.
const uint64_t FILETIME_OF_1970 = 116444736000000000ull;

TEST(Clock, LocalFiletimeIsLocalWallClockLowHalfFirst) {
    unsigned char destination[12];
    std::memset(destination, 0xEE, sizeof destination);
    std::time_t before = std::time(nullptr);
    time_local_filetime(destination);
    std::time_t after = std::time(nullptr);
    EXPECT_EQ(destination[8], 0xEE) << "exactly 8 bytes are stored";

    uint64_t value = 0;
    for (int i = 7; i >= 0; --i) value = value << 8 | destination[i];
    // Local wall-clock time read as if it were UTC: no zone shift.
    auto local_as_utc_seconds = [](std::time_t t) {
        std::tm local = *std::localtime(&t);
        int64_t days = 0;
        for (int y = 1970; y < local.tm_year + 1900; ++y)
            days += (y % 4 == 0 && (y % 100 != 0 || y % 400 == 0)) ? 366 : 365;
        days += local.tm_yday;
        return days * 86400 + local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec;
    };
    uint64_t low =
        FILETIME_OF_1970 + static_cast<uint64_t>(local_as_utc_seconds(before)) * 10000000;
    uint64_t high =
        FILETIME_OF_1970 + static_cast<uint64_t>(local_as_utc_seconds(after) + 1) * 10000000;
    const uint64_t tick = CLOCK_TICK_MS * 10000ull;
    EXPECT_GE(value + tick, low);
    EXPECT_LT(value, high + tick);
}

TEST(Text, Compare) {
    const struct {
        const char *first, *second;
        int32_t sign;
    } cases[] = {
        {"abc", "abd", -1}, {"abc", "ab", 1}, {"", "", 0},   {"ab", "abc", -1}, {"abc", "abc", 0},
        {"\x80", "z", 1},   {"A", "a", -1},   {"", "a", -1}, {"b", "a", 1},     {"x\x01", "x", 1},
    };
    for (const auto &c : cases) {
        int32_t result = text_compare(c.first, c.second);
        EXPECT_EQ((result > 0) - (result < 0), c.sign) << c.first << " vs " << c.second;
    }
}

TEST(Text, CopyTakesTheTerminatorAndNothingMore) {
    char target[8];
    std::memset(target, '#', sizeof target);
    text_copy("abc", target);
    EXPECT_EQ(std::string(target, 5), std::string("abc\0#", 5));
    std::memset(target, '#', sizeof target);
    text_copy("", target);
    EXPECT_EQ(target[0], '\0');
    EXPECT_EQ(target[1], '#');
}

TEST(Text, TrimRemovesOnlyTheTrailingRun) {
    const struct {
        const char *before;
        char character;
        const char *after;
    } cases[] = {
        {"abc   ", ' ', "abc"}, {"   ", ' ', ""},      {"a b", ' ', "a b"}, {"", ' ', ""},
        {"  a", ' ', "  a"},    {"xxaxx", 'x', "xxa"}, {"abc", 'c', "ab"},  {"abc", 'z', "abc"},
    };
    for (const auto &c : cases) {
        char text[16];
        std::memset(text, '#', sizeof text);
        std::strcpy(text, c.before);
        text_trim(text, c.character);
        EXPECT_STREQ(text, c.after) << "[" << c.before << "]";
    }
    char empty[2] = {'\0', '#'};
    text_trim(empty, '#');
    EXPECT_EQ(empty[1], '#') << "the empty text is left alone";
}

TEST(Text, UpperChangesOnlySmallLetters) {
    char text[] = "Hello, world 1 az{`@\x80\xE9\xFA";
    text_upper(text);
    EXPECT_STREQ(text, "HELLO, WORLD 1 AZ{`@\x80\xE9\xFA");
    char empty[] = "";
    text_upper(empty);
    EXPECT_STREQ(empty, "");
}

TEST(Text, TrimKeepsEveryRegisterAndTheDirectionFlag) {
    char text[] = "abc   ";
    uint32_t after[7] = {};
    trim_keeping(after, text);
    EXPECT_STREQ(text, "abc");
    const uint32_t expected[7] = {0x11111111, 0x22222222, 0x33333333,   0x44444444,
                                  0x55555555, 0x66666666, 0xCD7 | 0x200};
    for (int i = 0; i < 7; ++i) EXPECT_EQ(after[i], expected[i]) << "register " << i;
}

} // namespace
