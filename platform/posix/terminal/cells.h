// The cells of a console screen as the renderer draws them: a character and
// its Windows attribute each, the size limits every copy of them keeps to, and
// a view of rows of them that any owner of cells can lend.
#pragma once

#include <stddef.h>

#include <algorithm>

#include "win32_api.h"

namespace posix_console {

// Which half of a two-cell character a cell holds (a double-byte character
// as processed output placed it, or a wide one in UTF-8).
enum class Half : unsigned char { None, Lead, Trail };

struct Cell {
    // A byte of the code page; in UTF-8 a code point (both halves of a wide
    // character hold it).
    char32_t ch;
    WORD attribute;
    Half half = Half::None;
};

inline bool operator==(const Cell &a, const Cell &b) {
    return a.ch == b.ch && a.attribute == b.attribute && a.half == b.half;
}

enum : WORD { DEFAULT_ATTRIBUTE = 0x07 };

// The largest console: each side fits COORD's signed 16 bits, as the Windows
// console requires, and its cells (32 MiB) leave a 32-bit process room for
// the other copies it keeps, which are at most as large: the rows shown on
// the terminal and the renderer's record of the terminal. Any size asked for
// is clamped into it, at least 1 x 1.
inline constexpr int MAX_CONSOLE_SIDE = 0x7FFF;
inline constexpr int MAX_CONSOLE_CELLS = 1 << 22;
struct ConsoleSize {
    int columns;
    int rows;
};
inline ConsoleSize clamp_console_size(int columns, int rows) {
    int width = std::clamp(columns, 1, MAX_CONSOLE_SIDE);
    int height = std::clamp(rows, 1, std::min(MAX_CONSOLE_SIDE, MAX_CONSOLE_CELLS / width));
    return ConsoleSize{width, height};
}

// Rows of cells, read only: row 0 is the top row as shown, stored from row
// `top` of the storage on and wrapping round its end, as a screen buffer
// scrolls without moving its cells.
struct CellRows {
    const Cell *cells = nullptr;
    int columns = 0;
    int rows = 0;
    int top = 0;
    COORD cursor = {0, 0};

    const Cell *row(int index) const {
        return cells + static_cast<size_t>((top + index) % rows) * static_cast<size_t>(columns);
    }
};

} // namespace posix_console
