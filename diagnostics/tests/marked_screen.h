// Test support: a console whose cells all hold a mark, so that what a
// routine writes can be read back exactly, trailing blanks included (a
// written blank replaces the mark; a line break leaves it).
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "console_host.h"
#include "console_screen.h"
#include "win32.h"

namespace marked_screen {

const char MARK = '~';
const int COLUMNS = 100;
const int ROWS = 60;

inline void open() {
    console_host_open(COLUMNS, ROWS);
    std::string row(COLUMNS, MARK);
    for (int y = 0; y < ROWS; ++y) {
        DWORD written = 0;
        COORD at{0, static_cast<SHORT>(y)};
        WriteConsoleOutputCharacterA(console_screen::output(), row.data(), COLUMNS, at, &written);
    }
}

// The rows from the top down to the cursor's row, each without the marks
// that nothing overwrote at its end.
inline std::vector<std::string> lines() {
    std::vector<std::string> result;
    int last = console_screen::cursor().Y;
    for (int y = 0; y <= last; ++y) {
        std::string row = console_screen::text(y, 0, COLUMNS);
        size_t end = row.find_last_not_of(MARK);
        row.erase(end == std::string::npos ? 0 : end + 1);
        result.push_back(row);
    }
    return result;
}

inline std::string hex8(uint32_t value) {
    char text[9];
    std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(value));
    return text;
}

} // namespace marked_screen
