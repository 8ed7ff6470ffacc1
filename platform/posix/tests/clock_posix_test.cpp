// The clock through the Windows API on Linux: the fields of local and UTC
// time, and file times counted from 1601 without a time-zone shift.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "win32.h"

namespace {

uint64_t file_time_of(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second,
                      WORD milliseconds, BOOL *ok) {
    SYSTEMTIME time{year, month, 3, day, hour, minute, second, milliseconds};
    FILETIME file_time{0xDEAD, 0xBEEF};
    *ok = SystemTimeToFileTime(&time, &file_time);
    return static_cast<uint64_t>(file_time.dwHighDateTime) << 32 | file_time.dwLowDateTime;
}

TEST(PosixClock, FileTimesOfKnownMoments) {
    const struct {
        WORD year, month, day, hour, minute, second, ms;
        uint64_t expected;
    } cases[] = {
        {1601, 1, 1, 0, 0, 0, 0, 0},
        {1601, 1, 1, 0, 0, 0, 1, 10000},
        {1601, 1, 2, 0, 0, 0, 0, 864000000000ull},
        {1970, 1, 1, 0, 0, 0, 0, 116444736000000000ull},
        {2000, 2, 29, 12, 34, 56, 789, 125963012967890000ull},
    };
    for (const auto &c : cases) {
        BOOL ok = FALSE;
        EXPECT_EQ(file_time_of(c.year, c.month, c.day, c.hour, c.minute, c.second, c.ms, &ok),
                  c.expected)
            << c.year << "-" << c.month << "-" << c.day;
        EXPECT_TRUE(ok);
    }
}

TEST(PosixClock, FieldsOutOfRangeAreRefused) {
    const SYSTEMTIME bad[] = {
        {1600, 12, 0, 31, 0, 0, 0, 0},  {30828, 1, 0, 1, 0, 0, 0, 0}, {2001, 13, 0, 1, 0, 0, 0, 0},
        {1900, 2, 0, 29, 0, 0, 0, 0},   {2001, 4, 0, 31, 0, 0, 0, 0}, {2001, 1, 0, 0, 0, 0, 0, 0},
        {2001, 1, 0, 1, 24, 0, 0, 0},   {2001, 1, 0, 1, 0, 60, 0, 0}, {2001, 1, 0, 1, 0, 0, 60, 0},
        {2001, 1, 0, 1, 0, 0, 0, 1000},
    };
    for (const SYSTEMTIME &time : bad) {
        FILETIME file_time;
        SetLastError(0);
        EXPECT_FALSE(SystemTimeToFileTime(&time, &file_time)) << time.wYear << "-" << time.wMonth;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    }
    BOOL ok = FALSE;
    file_time_of(30827, 12, 31, 23, 59, 59, 999, &ok);
    EXPECT_TRUE(ok) << "the last moment Windows accepts";
    file_time_of(2000, 2, 29, 0, 0, 0, 0, &ok);
    EXPECT_TRUE(ok);
}

void expect_fields(const SYSTEMTIME &time, const std::tm &fields) {
    EXPECT_EQ(time.wYear, fields.tm_year + 1900);
    EXPECT_EQ(time.wMonth, fields.tm_mon + 1);
    EXPECT_EQ(time.wDay, fields.tm_mday);
    EXPECT_EQ(time.wDayOfWeek, fields.tm_wday); // 0 = Sunday on both
    EXPECT_EQ(time.wHour, fields.tm_hour);
    EXPECT_EQ(time.wMinute, fields.tm_min);
    EXPECT_LT(time.wMilliseconds, 1000);
}

class PosixClockZone : public ::testing::Test {
  protected:
    void SetUp() override {
        const char *zone = std::getenv("TZ");
        had_zone_ = zone != nullptr;
        if (had_zone_) saved_zone_ = zone;
        // Five hours east of UTC (POSIX writes the offset with the other sign).
        setenv("TZ", "XST-5", 1);
        tzset();
    }
    void TearDown() override {
        if (had_zone_)
            setenv("TZ", saved_zone_.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
    bool had_zone_ = false;
    std::string saved_zone_;
};

TEST_F(PosixClockZone, SystemTimeIsUtcAndLocalTimeIsShifted) {
    SYSTEMTIME utc, local;
    std::tm utc_fields, local_fields;
    // Read again when a second boundary fell between the two readings.
    for (int attempt = 0; attempt < 5; ++attempt) {
        std::time_t now = std::time(nullptr);
        GetSystemTime(&utc);
        GetLocalTime(&local);
        gmtime_r(&now, &utc_fields);
        localtime_r(&now, &local_fields);
        if (utc.wSecond == utc_fields.tm_sec && local.wSecond == local_fields.tm_sec) break;
    }
    expect_fields(utc, utc_fields);
    expect_fields(local, local_fields);
    EXPECT_EQ(local.wHour, (utc.wHour + 5) % 24);
}

} // namespace
