// The menu screen: the text in bright white on blue inside a frame of solid
// green cells, drawn one cell at a time through the application's own record
// of where it last put the cursor.
#include "con_output.h"
#include "menu.h"

namespace {

constexpr uint8_t FRAME_RIGHT_COLUMN = 78;
constexpr uint8_t FRAME_BOTTOM_ROW = 14;
constexpr uint8_t INPUT_ROW = 15;

} // namespace

extern "C" {

uint8_t cursor_col = 0;
uint8_t cursor_row = 0;

// Big5 text: "\xA1\x4B" is the horizontal ellipsis of code page 950.
const char menu_text[] = "\r\n\r\n"
                         "  My student ID is: 5038271\r\n"
                         "  Please select one of the option\r\n"
                         "  1. Compute (1^2+2^2+3^2+\xA1\x4B+n^2)/m\n\n"
                         "  2. Compute\r\n"
                         "  \t(1^2-2^2+3^2+\xA1\x4B+(-1)^(n+1) n^2)*m\r\n"
                         "  3. Compute S(n).\r\n"
                         "\tDefine S(n) = 1 + S(n-1) + S(n-2), n>=2. S(0) = 1, S(1) = 1.5.\r\n"
                         "  4. Quit program\r\n"
                         "  Please enter an option\xA1\x4B\xA1\x4B\r\n";

void goto_saved(void) {
    con_goto(cursor_row, cursor_col);
}

void step_right(void) {
    ++cursor_col;
    goto_saved();
}

void step_down(void) {
    ++cursor_row;
    goto_saved();
}

void step_left(void) {
    --cursor_col;
    goto_saved();
}

void step_up(void) {
    --cursor_row;
    goto_saved();
}

// Each edge writes before it moves and tests after, so every edge paints its
// starting cell: 78 + 14 + 78 + 14 cells.
void draw_frame(void) {
    con_goto(0, 0);
    con_set_color(FRAME_COLOR);
    do {
        con_write_char(' ');
        step_right();
    } while (cursor_col < FRAME_RIGHT_COLUMN);
    do {
        con_write_char(' ');
        step_down();
    } while (cursor_row < FRAME_BOTTOM_ROW);
    do {
        con_write_char(' ');
        step_left();
    } while (cursor_col > 0);
    do {
        con_write_char(' ');
        step_up();
    } while (cursor_row > 0);
    con_set_color(MENU_COLOR);
}

// The clear takes the attribute in force: the console's own colour the first
// time, blue on every later painting.
void paint_menu(void) {
    con_clear_screen();
    cursor_col = 0;
    cursor_row = 0;
    goto_saved();
    con_set_color(MENU_COLOR);
    con_write_text(menu_text);
    draw_frame();
    cursor_col = 0;
    cursor_row = INPUT_ROW;
    goto_saved();
}

} // extern "C"
