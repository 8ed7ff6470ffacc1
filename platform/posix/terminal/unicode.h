// Unicode as a terminal draws it: the columns a character takes, and UTF-8.
#pragma once

#include <stddef.h>

#include <string>
#include <string_view>

namespace posix_console {

// Columns a terminal gives a character: 0 for combining marks and the other
// zero-width characters, 2 for the East Asian wide and fullwidth ones and
// emoji, 1 for the rest. From the C library's tables, by which the terminals
// of the system measure text too.
int code_point_columns(char32_t c);

// A character that takes no column of its own, drawn on a no-break space so
// that it neither joins the character before it nor moves those after it.
constexpr char ZERO_WIDTH_BASE[] = "\u00A0";

// The first code point of a UTF-8 text: 0 when empty, U+FFFD when cut short.
char32_t utf8_first(std::string_view utf8);

constexpr char32_t REPLACEMENT_CHARACTER = 0xFFFD;
// The most bytes a character takes in any code page the console accepts
// (UTF-8's four).
constexpr size_t CHARACTER_BYTES_MAX = 4;

// One character read from UTF-8.
struct Utf8Char {
    char32_t code;  // REPLACEMENT_CHARACTER where the bytes are invalid
    size_t length;  // bytes taken: the character, or the longest start of one
                    // that the byte after it breaks (at least 1)
    bool valid;     // false: an invalid sequence, taken as one U+FFFD
    bool cut_short; // the bytes end inside a character that may yet be whole
};

// Reads the first character of bytes[0, length) (length > 0), taking an
// invalid sequence as MultiByteToWideChar does: one U+FFFD for each longest
// start of a character that cannot go on.
Utf8Char utf8_next(const unsigned char *bytes, size_t length);

// Appends the UTF-8 of c (a scalar value) to out.
void utf8_append(char32_t c, std::string &out);

} // namespace posix_console
