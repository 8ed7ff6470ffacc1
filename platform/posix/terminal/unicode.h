// Unicode as a terminal draws it: the columns a character takes, and UTF-8.
#pragma once

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

} // namespace posix_console
