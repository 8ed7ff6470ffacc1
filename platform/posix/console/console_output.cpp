// The Windows console output API on the console object: stream writes,
// region writes and reads, cursor, attribute and the buffer query. Each call
// checks its handle first and changes nothing when it is not the console's.
#include "console_handles.h"
#include "console_object.h"
#include "posix_console.h"
#include "system_errors.h"

namespace {

using posix_console::console;
using posix_console::fail;

// Starts the console and vouches for the handle, or sets the error.
bool output_handle_ok(HANDLE handle) {
    posix_console::ensure_started();
    return posix_console::is_console_output(handle) || fail(ERROR_INVALID_HANDLE);
}

void report_count(LPDWORD count, DWORD value) {
    if (count) *count = value;
}

// What every write and region operation checks first: its count starts at 0,
// and a stranger's handle or a missing buffer is refused before anything
// changes.
bool region_call_ok(HANDLE handle, const void *buffer, DWORD length, LPDWORD count) {
    report_count(count, 0);
    if (!output_handle_ok(handle)) return false;
    return buffer != nullptr || length == 0 || fail(ERROR_INVALID_PARAMETER);
}

} // namespace

extern "C" {

HANDLE WINAPI GetStdHandle(DWORD nStdHandle) {
    posix_console::ensure_started();
    switch (nStdHandle) {
    case STD_INPUT_HANDLE: return posix_console::console_input_handle();
    case STD_OUTPUT_HANDLE:
    case STD_ERROR_HANDLE: return posix_console::console_output_handle();
    default: return fail(ERROR_INVALID_HANDLE, INVALID_HANDLE_VALUE);
    }
}

BOOL WINAPI WriteConsoleA(HANDLE hConsoleOutput, const void *lpBuffer, DWORD nNumberOfCharsToWrite,
                          LPDWORD lpNumberOfCharsWritten, LPVOID) {
    if (!region_call_ok(hConsoleOutput, lpBuffer, nNumberOfCharsToWrite, lpNumberOfCharsWritten))
        return FALSE;
    DWORD error = ERROR_SUCCESS;
    {
        const posix_console::ConsoleChange change;
        error = posix_console::console_write(static_cast<const unsigned char *>(lpBuffer),
                                             nNumberOfCharsToWrite);
    }
    // Text that did not reach standard output is not claimed as written.
    if (error != ERROR_SUCCESS) return fail(error);
    report_count(lpNumberOfCharsWritten, nNumberOfCharsToWrite);
    return TRUE;
}

BOOL WINAPI GetConsoleScreenBufferInfo(HANDLE hConsoleOutput,
                                       PCONSOLE_SCREEN_BUFFER_INFO lpConsoleScreenBufferInfo) {
    if (!output_handle_ok(hConsoleOutput)) return FALSE;
    if (lpConsoleScreenBufferInfo == nullptr) return fail(ERROR_INVALID_PARAMETER);
    const posix_console::ConsoleRead read;
    const posix_console::ScreenBuffer &s = console().screen;
    auto columns = static_cast<SHORT>(s.columns());
    auto rows = static_cast<SHORT>(s.rows());
    CONSOLE_SCREEN_BUFFER_INFO &info = *lpConsoleScreenBufferInfo;
    info.dwSize = COORD{columns, rows};
    info.dwCursorPosition = s.cursor();
    info.wAttributes = s.attribute();
    // The whole buffer is the window: the buffer is the terminal's size.
    info.srWindow = SMALL_RECT{0, 0, static_cast<SHORT>(columns - 1), static_cast<SHORT>(rows - 1)};
    info.dwMaximumWindowSize = COORD{columns, rows};
    return TRUE;
}

// A start outside the buffer transfers nothing and succeeds, as current
// Windows consoles and Wine do (older ones refused it).
BOOL WINAPI WriteConsoleOutputCharacterA(HANDLE hConsoleOutput, LPCSTR lpCharacter, DWORD nLength,
                                         COORD dwWriteCoord, LPDWORD lpNumberOfCharsWritten) {
    if (!region_call_ok(hConsoleOutput, lpCharacter, nLength, lpNumberOfCharsWritten)) return FALSE;
    auto bytes = reinterpret_cast<const unsigned char *>(lpCharacter);
    const posix_console::ConsoleChange change;
    report_count(lpNumberOfCharsWritten,
                 posix_console::console_write_region(dwWriteCoord, bytes, nLength));
    return TRUE;
}

BOOL WINAPI WriteConsoleOutputAttribute(HANDLE hConsoleOutput, const WORD *lpAttribute,
                                        DWORD nLength, COORD dwWriteCoord,
                                        LPDWORD lpNumberOfAttrsWritten) {
    if (!region_call_ok(hConsoleOutput, lpAttribute, nLength, lpNumberOfAttrsWritten)) return FALSE;
    const posix_console::ConsoleChange change;
    report_count(lpNumberOfAttrsWritten,
                 console().screen.write_attributes(dwWriteCoord, lpAttribute, nLength));
    return TRUE;
}

BOOL WINAPI ReadConsoleOutputCharacterA(HANDLE hConsoleOutput, LPSTR lpCharacter, DWORD nLength,
                                        COORD dwReadCoord, LPDWORD lpNumberOfCharsRead) {
    if (!region_call_ok(hConsoleOutput, lpCharacter, nLength, lpNumberOfCharsRead)) return FALSE;
    auto bytes = reinterpret_cast<unsigned char *>(lpCharacter);
    const posix_console::ConsoleRead read;
    report_count(lpNumberOfCharsRead, console().screen.read_bytes(dwReadCoord, bytes, nLength));
    return TRUE;
}

BOOL WINAPI ReadConsoleOutputAttribute(HANDLE hConsoleOutput, LPWORD lpAttribute, DWORD nLength,
                                       COORD dwReadCoord, LPDWORD lpNumberOfAttrsRead) {
    if (!region_call_ok(hConsoleOutput, lpAttribute, nLength, lpNumberOfAttrsRead)) return FALSE;
    const posix_console::ConsoleRead read;
    report_count(lpNumberOfAttrsRead,
                 console().screen.read_attributes(dwReadCoord, lpAttribute, nLength));
    return TRUE;
}

BOOL WINAPI SetConsoleCursorPosition(HANDLE hConsoleOutput, COORD dwCursorPosition) {
    if (!output_handle_ok(hConsoleOutput)) return FALSE;
    const posix_console::ConsoleChange change;
    if (!posix_console::console_set_cursor(dwCursorPosition)) return fail(ERROR_INVALID_PARAMETER);
    return TRUE;
}

BOOL WINAPI SetConsoleTextAttribute(HANDLE hConsoleOutput, WORD wAttributes) {
    if (!output_handle_ok(hConsoleOutput)) return FALSE;
    const posix_console::ConsoleChange change;
    console().screen.set_attribute(wAttributes);
    return TRUE;
}

} // extern "C"
