// The console input API: modes, the event queue (peek, read, write, count,
// flush) and ReadConsoleA in line and raw mode, with the Windows console's
// behaviour; plus the test feed of the headless console.
#include <string.h>

#include <string>

#include "console_handles.h"
#include "input_queue.h"
#include "input_source.h"
#include "line_reader.h"
#include "posix_console.h"
#include "system_errors.h"

namespace posix_console {
namespace {

constexpr DWORD KNOWN_INPUT_MODES = 0x3FF;

// Starts the console and vouches for the handle, or sets the error.
bool input_handle_ok(HANDLE handle) {
    ensure_started();
    return is_console_input(handle) || fail(ERROR_INVALID_HANDLE);
}

// What the event calls check first: the console's input handle, a count to
// report into and a buffer for what is asked. The count starts at 0.
bool event_call_ok(HANDLE handle, const INPUT_RECORD *buffer, DWORD length, LPDWORD count) {
    if (!input_handle_ok(handle)) return false;
    if (count == nullptr || (buffer == nullptr && length > 0)) return fail(ERROR_INVALID_PARAMETER);
    *count = 0;
    return true;
}

// Without line input: waits for one character, then takes the characters
// already queued, up to count. Keys without a character, key releases,
// Escape and Ctrl+Enter's LF give nothing, as on Windows.
std::string read_raw(DWORD mode, size_t count) {
    std::string out;
    while (out.size() < count) {
        if (out.empty()) {
            input_source_wait_for_event(mode);
        } else if (input_queue_empty()) {
            break;
        }
        INPUT_RECORD record;
        if (!input_queue_pop(record)) continue;
        if (record.EventType != KEY_EVENT || !record.Event.KeyEvent.bKeyDown) continue;
        char ch = record.Event.KeyEvent.uChar.AsciiChar;
        if (ch == 0 || ch == 0x1B || ch == '\n') continue;
        out += ch;
    }
    return out;
}

// Copies what fits; the rest of a line waits for the next reads.
DWORD deliver_line(const std::string &data, char *buffer, DWORD count) {
    size_t n = data.size() < count ? data.size() : count;
    memcpy(buffer, data.data(), n);
    if (n < data.size()) input_pending_add(data, n);
    return static_cast<DWORD>(n);
}

} // namespace

} // namespace posix_console

using namespace posix_console;

extern "C" {

BOOL WINAPI GetConsoleMode(HANDLE hConsoleHandle, LPDWORD lpMode) {
    ensure_started();
    if (lpMode == nullptr) return fail(ERROR_INVALID_PARAMETER);
    if (is_console_input(hConsoleHandle)) {
        *lpMode = input_mode();
    } else if (is_console_output(hConsoleHandle)) {
        *lpMode = output_mode();
    } else {
        return fail(ERROR_INVALID_HANDLE);
    }
    return TRUE;
}

BOOL WINAPI SetConsoleMode(HANDLE hConsoleHandle, DWORD dwMode) {
    ensure_started();
    if (is_console_input(hConsoleHandle)) {
        if (dwMode & ~KNOWN_INPUT_MODES) return fail(ERROR_INVALID_PARAMETER);
        input_source_mode_changing(input_mode());
        input_mode_set(dwMode);
    } else if (is_console_output(hConsoleHandle)) {
        if (!set_output_mode(dwMode)) return fail(ERROR_INVALID_PARAMETER);
    } else {
        return fail(ERROR_INVALID_HANDLE);
    }
    return TRUE;
}

BOOL WINAPI PeekConsoleInputA(HANDLE hConsoleInput, PINPUT_RECORD lpBuffer, DWORD nLength,
                              LPDWORD lpNumberOfEventsRead) {
    if (!event_call_ok(hConsoleInput, lpBuffer, nLength, lpNumberOfEventsRead)) return FALSE;
    if (nLength == 0) return TRUE;
    if (input_queue_empty()) input_source_peek_wait(input_mode());
    *lpNumberOfEventsRead = static_cast<DWORD>(input_queue_peek(lpBuffer, nLength));
    return TRUE;
}

BOOL WINAPI ReadConsoleInputA(HANDLE hConsoleInput, PINPUT_RECORD lpBuffer, DWORD nLength,
                              LPDWORD lpNumberOfEventsRead) {
    if (!event_call_ok(hConsoleInput, lpBuffer, nLength, lpNumberOfEventsRead)) return FALSE;
    if (nLength == 0) return TRUE;
    input_source_wait_for_event(input_mode());
    DWORD n = 0;
    while (n < nLength && input_queue_pop(lpBuffer[n])) ++n;
    *lpNumberOfEventsRead = n;
    return TRUE;
}

BOOL WINAPI WriteConsoleInputA(HANDLE hConsoleInput, const INPUT_RECORD *lpBuffer, DWORD nLength,
                               LPDWORD lpNumberOfEventsWritten) {
    // The records are looked at before the handle, as Windows copies them first.
    if (lpBuffer == nullptr && nLength > 0) return fail(ERROR_NOACCESS);
    if (!event_call_ok(hConsoleInput, lpBuffer, nLength, lpNumberOfEventsWritten)) return FALSE;
    for (DWORD i = 0; i < nLength; ++i) input_queue_push(lpBuffer[i]);
    *lpNumberOfEventsWritten = nLength;
    return TRUE;
}

BOOL WINAPI GetNumberOfConsoleInputEvents(HANDLE hConsoleInput, LPDWORD lpNumberOfEvents) {
    if (!event_call_ok(hConsoleInput, nullptr, 0, lpNumberOfEvents)) return FALSE;
    input_source_take_available(input_mode());
    *lpNumberOfEvents = static_cast<DWORD>(input_queue_size());
    return TRUE;
}

// What a terminal has already sent is taken in first (a Ctrl+C among it
// still counts); a script is never read here, so no piped key is lost.
BOOL WINAPI FlushConsoleInputBuffer(HANDLE hConsoleInput) {
    if (!input_handle_ok(hConsoleInput)) return FALSE;
    input_source_take_available(input_mode());
    input_queue_clear();
    return TRUE;
}

// The rest of a line that did not fit comes first, whatever the mode and
// without waiting; then a line (line input) or the characters typed (raw).
BOOL WINAPI ReadConsoleA(HANDLE hConsoleInput, LPVOID lpBuffer, DWORD nNumberOfCharsToRead,
                         LPDWORD lpNumberOfCharsRead, LPVOID pInputControl) {
    (void)pInputControl;
    if (!input_handle_ok(hConsoleInput)) return FALSE;
    if (lpBuffer == nullptr || lpNumberOfCharsRead == nullptr) return fail(ERROR_INVALID_PARAMETER);
    // Windows sizes a buffer for the request first; a length this large fails
    // that, before anything is reported.
    if (nNumberOfCharsToRead > 0x7FFFFFFF) return fail(ERROR_NOT_ENOUGH_MEMORY);
    *lpNumberOfCharsRead = 0;
    if (nNumberOfCharsToRead == 0) return fail(ERROR_INSUFFICIENT_BUFFER);
    char *buffer = static_cast<char *>(lpBuffer);
    if (!input_pending_empty()) {
        *lpNumberOfCharsRead = static_cast<DWORD>(input_pending_take(buffer, nNumberOfCharsToRead));
        return TRUE;
    }
    DWORD mode = input_mode();
    if (mode & ENABLE_LINE_INPUT) {
        *lpNumberOfCharsRead = deliver_line(line_reader_read(mode), buffer, nNumberOfCharsToRead);
    } else {
        std::string data = read_raw(mode, nNumberOfCharsToRead);
        memcpy(buffer, data.data(), data.size());
        *lpNumberOfCharsRead = static_cast<DWORD>(data.size());
    }
    return TRUE;
}

} // extern "C"
