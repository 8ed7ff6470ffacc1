// Line input: the console edits and echoes; this routine only trims the line
// end and drops the rest of a line that does not fit.
#include "console_state.h"
#include "input_internal.h"

namespace {

// One byte at a time with the mode at 0, up to and including the line feed,
// so the next read starts on a fresh line.
void drop_rest_of_line(void) {
    DWORD saved_mode = 0;
    GetConsoleMode(input_handle, &saved_mode);
    SetConsoleMode(input_handle, 0);
    char byte = 0;
    DWORD count = 0;
    do {
        if (!ReadConsoleA(input_handle, &byte, 1, &count, nullptr) || count == 0) break;
    } while (byte != '\n');
    SetConsoleMode(input_handle, saved_mode);
}

// In UTF-8, a line cut to fit ends before a character it would cut in two.
uint32_t whole_characters(const char *buffer, uint32_t length) {
    if (GetConsoleCP() != CP_UTF8) return length;
    uint32_t start = length; // of the last character
    while (start > 0 && length - start < 3 &&
           (static_cast<uint8_t>(buffer[start - 1]) & 0xC0) == 0x80)
        --start;
    if (start == 0) return length;
    auto lead = static_cast<uint8_t>(buffer[start - 1]);
    uint32_t size = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    return length - (start - 1) < size ? start - 1 : length;
}

const char *find_line_feed(const char *buffer, uint32_t length) {
    for (uint32_t i = 0; i < length; ++i)
        if (buffer[i] == '\n') return buffer + i;
    return nullptr;
}

} // namespace

extern "C" {

uint32_t con_read_line_body(char *buffer, uint32_t max) {
    con_guard();
    DWORD delivered = 0;
    if (max == 0) return 0;
    if (!ReadConsoleA(input_handle, buffer, max, &delivered, nullptr) || delivered == 0) return 0;
    // Only what the console delivered is searched: bytes beyond it are stale.
    if (const char *line_feed = find_line_feed(buffer, delivered)) {
        uint32_t at = static_cast<uint32_t>(line_feed - buffer);
        if (at == 0) {
            buffer[0] = '\0';
            return 0;
        }
        buffer[at - 1] = '\0';
        return at - 1;
    }
    uint32_t kept = whole_characters(buffer, max - 1);
    buffer[kept] = '\0';
    drop_rest_of_line();
    return kept;
}

} // extern "C"
