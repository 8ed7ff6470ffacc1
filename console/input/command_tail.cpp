// The command tail: the command line without the program name, copied
// unchanged. The name ends at a blank, or after a quoted part.
#include "command_tail.h"
#include "con_input.h"
#include "win32.h"

namespace {

const char QUOTE = '"';
const char BLANK = ' ';

// Moves past the next double quote; stops at the end of the text when
// there is none, so an unclosed quote leaves no tail.
const char *skip_quoted(const char *scan) {
    while (*scan != '\0' && *scan != QUOTE) ++scan;
    return *scan == QUOTE ? scan + 1 : scan;
}

// Where the tail starts: right after the closing quote of the first quoted
// part (the blank that follows stays in the tail), or after the first blank.
const char *tail_start(const char *scan) {
    for (;; ++scan) {
        if (*scan == QUOTE) return skip_quoted(scan + 1);
        if (*scan == BLANK) return scan + 1;
        if (*scan == '\0') return scan;
    }
}

} // namespace

extern "C" {

bool command_tail_of(const char *command_line, char *buffer) {
    buffer[0] = '\0';
    const char *tail = tail_start(command_line);
    if (*tail == '\0') return false;
    char *out = buffer;
    while ((*out++ = *tail++) != '\0') {
    }
    return true;
}

bool get_command_tail_body(char *buffer) {
    return command_tail_of(GetCommandLineA(), buffer);
}

} // extern "C"
