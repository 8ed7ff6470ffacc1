// Paints the menu twice on a fresh 80x25 console and writes, after each
// painting, every cell (character and attribute), the cursor and the
// attribute in force to a text file. Built for both targets, so that the two
// consoles can be compared line for line (tools/compare-menu-paint).
#include <stdio.h>

#include <string>

#include "console_host.h"
#include "menu.h"
#include "win32.h"

namespace {

constexpr SHORT COLUMNS = 80;
constexpr SHORT ROWS = 25;

// Printable ASCII stays as it is; any other byte (the Big5 ellipsis among
// them) and the backslash itself are written as \xHH, one token per cell.
std::string cells_as_text(const char *cells, DWORD count) {
    std::string text;
    char escaped[5];
    for (DWORD i = 0; i < count; ++i) {
        unsigned char c = static_cast<unsigned char>(cells[i]);
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            text += static_cast<char>(c);
            continue;
        }
        snprintf(escaped, sizeof escaped, "\\x%02X", c);
        text += escaped;
    }
    return text;
}

std::string attributes_as_text(const WORD *attributes, DWORD count) {
    std::string text;
    char hex[5];
    for (DWORD i = 0; i < count; ++i) {
        snprintf(hex, sizeof hex, "%02X", attributes[i]);
        text += hex;
    }
    return text;
}

// False when the console would not give a whole row back.
bool row_dump(FILE *out, HANDLE console, SHORT row) {
    char cells[COLUMNS];
    WORD attributes[COLUMNS];
    DWORD chars_read = 0;
    DWORD attributes_read = 0;
    COORD at = {0, row};
    ReadConsoleOutputCharacterA(console, cells, COLUMNS, at, &chars_read);
    ReadConsoleOutputAttribute(console, attributes, COLUMNS, at, &attributes_read);
    fprintf(out, "chars %02d %s\n", row, cells_as_text(cells, chars_read).c_str());
    fprintf(out, "attrs %02d %s\n", row, attributes_as_text(attributes, attributes_read).c_str());
    return chars_read == static_cast<DWORD>(COLUMNS) &&
           attributes_read == static_cast<DWORD>(COLUMNS);
}

bool screen_dump(FILE *out, int painting) {
    HANDLE console = GetStdHandle(STD_OUTPUT_HANDLE);
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleScreenBufferInfo(console, &info)) return false;
    fprintf(out, "painting %d\n", painting);
    fprintf(out, "size %dx%d\n", info.dwSize.X, info.dwSize.Y);
    fprintf(out, "cursor row %d column %d\n", info.dwCursorPosition.Y, info.dwCursorPosition.X);
    fprintf(out, "attribute in force %02X\n", info.wAttributes);
    bool whole = true;
    for (SHORT row = 0; row < ROWS; ++row) whole = row_dump(out, console, row) && whole;
    return whole;
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: menu_paint_dump OUTPUT_FILE\n");
        return 2;
    }
    // Binary: the same bytes on both targets, no CR before each LF.
    FILE *out = fopen(argv[1], "wb");
    if (!out) {
        perror(argv[1]);
        return 2;
    }
    console_host_open(COLUMNS, ROWS);
    bool whole = true;
    for (int painting = 1; painting <= 2; ++painting) {
        paint_menu();
        whole = screen_dump(out, painting) && whole;
    }
    if (fclose(out) != 0 || !whole) {
        fprintf(stderr, "menu_paint_dump: the console did not give every cell back\n");
        return 1;
    }
    return 0;
}
