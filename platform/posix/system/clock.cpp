// The clock through the Windows API on Linux: GetLocalTime, GetSystemTime
// and SystemTimeToFileTime with Windows' fields (day of week 0 = Sunday)
// and file times in 100 ns units since 1 January 1601.
#include "system_errors.h"
#include "win32_api.h"

#include <cstdint>
#include <ctime>

namespace {

// The time now, broken down by localtime_r or gmtime_r.
SYSTEMTIME current_time(struct tm *(*break_down)(const time_t *, struct tm *)) {
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    struct tm fields;
    break_down(&now.tv_sec, &fields);
    SYSTEMTIME time;
    time.wYear = static_cast<WORD>(fields.tm_year + 1900);
    time.wMonth = static_cast<WORD>(fields.tm_mon + 1);
    time.wDayOfWeek = static_cast<WORD>(fields.tm_wday);
    time.wDay = static_cast<WORD>(fields.tm_mday);
    time.wHour = static_cast<WORD>(fields.tm_hour);
    time.wMinute = static_cast<WORD>(fields.tm_min);
    // A leap second shows as second 59, as Windows never reports 60.
    time.wSecond = static_cast<WORD>(fields.tm_sec > 59 ? 59 : fields.tm_sec);
    time.wMilliseconds = static_cast<WORD>(now.tv_nsec / 1000000);
    return time;
}

bool is_leap_year(unsigned year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

unsigned days_in_month(unsigned year, unsigned month) {
    static const unsigned days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && is_leap_year(year) ? 29 : days[month - 1];
}

// The range Windows accepts: years 1601 to 30827, every field in range.
bool fields_valid(const SYSTEMTIME &time) {
    if (time.wYear < 1601 || time.wYear > 30827) return false;
    if (time.wMonth < 1 || time.wMonth > 12) return false;
    if (time.wDay < 1 || time.wDay > days_in_month(time.wYear, time.wMonth)) return false;
    return time.wHour < 24 && time.wMinute < 60 && time.wSecond < 60 && time.wMilliseconds < 1000;
}

// Days from 1 January 1601 to the given date (proleptic Gregorian).
uint64_t days_since_1601(unsigned year, unsigned month, unsigned day) {
    uint64_t years = year - 1601;
    uint64_t days = years * 365 + years / 4 - years / 100 + years / 400;
    for (unsigned m = 1; m < month; ++m) days += days_in_month(year, m);
    return days + day - 1;
}

const uint64_t TICKS_PER_MILLISECOND = 10000;

} // namespace

using posix_console::fail;

extern "C" {

void WINAPI GetLocalTime(LPSYSTEMTIME lpSystemTime) {
    *lpSystemTime = current_time(localtime_r);
}

void WINAPI GetSystemTime(LPSYSTEMTIME lpSystemTime) {
    *lpSystemTime = current_time(gmtime_r);
}

// The fields are taken as they stand: no time-zone shift; the day of the
// week is ignored, as on Windows.
BOOL WINAPI SystemTimeToFileTime(const SYSTEMTIME *lpSystemTime, LPFILETIME lpFileTime) {
    if (lpSystemTime == nullptr || lpFileTime == nullptr || !fields_valid(*lpSystemTime))
        return fail(ERROR_INVALID_PARAMETER);
    const SYSTEMTIME &time = *lpSystemTime;
    uint64_t days = days_since_1601(time.wYear, time.wMonth, time.wDay);
    uint64_t seconds = ((days * 24 + time.wHour) * 60 + time.wMinute) * 60 + time.wSecond;
    uint64_t ticks = (seconds * 1000 + time.wMilliseconds) * TICKS_PER_MILLISECOND;
    lpFileTime->dwLowDateTime = static_cast<DWORD>(ticks);
    lpFileTime->dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    return TRUE;
}

} // extern "C"
