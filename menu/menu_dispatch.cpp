// The program's main loop: paint the menu, wait for one of the keys 1 to 4,
// run the chosen computation and paint again, or say goodbye and end.
#include "con_input.h"
#include "con_output.h"
#include "menu.h"
#include "win32.h"

extern "C" {

const char farewell_text[] = "Thanks for playing this system.\n\r"
                             "This menu program was written by its author:\n\r"
                             "\tName: Lin Chia-Hao\n\r"
                             "\tID: 5038271\n\r"
                             "A student of computer science and information engineering.\r\n"
                             "Contact: chiahao.lin@example.edu\r\n"
                             "Press ENTER to quit.";

namespace {

// Busy-polls: the poll never blocks, and only the character code counts.
char wait_for_option(void) {
    for (;;) {
        key_record key;
        con_poll_key(&key);
        if (key.char_code >= '1' && key.char_code <= '4') return static_cast<char>(key.char_code);
    }
}

[[noreturn]] void quit(void) {
    con_write_text(farewell_text);
    while (con_read_char() != KEY_CODE_ENTER) {
    }
    ExitProcess(0);
}

} // namespace

void menu_main(void) {
    for (;;) {
        paint_menu();
        switch (wait_for_option()) {
        case '1': option_sum_of_squares(); break;
        case '2': option_alternating(); break;
        case '3': option_recurrence(); break;
        default: quit();
        }
    }
}

} // extern "C"
