// Screen control: clear, cursor, colour and the two queries. The console
// holds the cursor and the attribute in force; nothing is kept here.
#include "console_state.h"

namespace {

// A failed query (standard output is not a console) leaves the caller with
// nothing to go on: the clear then does nothing and the queries give 0.
bool query_screen_buffer(CONSOLE_SCREEN_BUFFER_INFO *info) {
    return GetConsoleScreenBufferInfo(output_handle, info) != 0;
}

void fill_attribute_row(WORD attribute) {
    for (uint32_t i = 0; i < clear_width; ++i) attribute_row[i] = attribute;
}

} // namespace

extern "C" {

void con_clear_screen_body(void) {
    con_guard();
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!query_screen_buffer(&info)) return;
    uint32_t width = info.dwSize.X > 0 ? static_cast<uint32_t>(info.dwSize.X) : 0;
    clear_width = width > BLANK_ROW_LENGTH ? uint32_t{BLANK_ROW_LENGTH} : width;
    fill_attribute_row(info.wAttributes);
    // Every row of the buffer, not only the visible window.
    for (SHORT row = 0; row < info.dwSize.Y; ++row) {
        clear_position.X = 0;
        clear_position.Y = row;
        WriteConsoleOutputCharacterA(output_handle, blank_row, clear_width, clear_position,
                                     &clear_count);
        WriteConsoleOutputAttribute(output_handle, attribute_row, clear_width, clear_position,
                                    &clear_count);
    }
    clear_position.Y = 0;
    SetConsoleCursorPosition(output_handle, clear_position);
}

void con_goto_body(uint8_t row, uint8_t column) {
    con_guard();
    cursor_target.X = column;
    cursor_target.Y = row;
    SetConsoleCursorPosition(output_handle, cursor_target);
}

void con_set_color_body(uint16_t attribute) {
    con_guard();
    SetConsoleTextAttribute(output_handle, attribute);
}

uint16_t con_get_color_body(void) {
    con_guard();
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!query_screen_buffer(&info)) return 0;
    return info.wAttributes;
}

void con_get_buffer_size_body(uint8_t *columns, uint8_t *rows) {
    con_guard();
    CONSOLE_SCREEN_BUFFER_INFO info;
    uint8_t width = 0;
    uint8_t height = 0;
    if (query_screen_buffer(&info)) {
        width = static_cast<uint8_t>(info.dwSize.X);
        height = static_cast<uint8_t>(info.dwSize.Y);
    }
    if (columns) *columns = width;
    if (rows) *rows = height;
}

} // extern "C"
