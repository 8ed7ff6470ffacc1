// Stream output: every text the runtime writes ends here, at the cursor, in
// the attribute in force, with the console's own processing of CR, LF, BS,
// TAB and BEL, its wrap at the right edge and its scroll at the bottom.
#include "console_state.h"

extern "C" {

uint32_t text_length_body(const char *text) {
    uint32_t count = 0;
    while (text[count] != '\0') ++count;
    return count;
}

uint32_t con_text_length_body(const char *text) {
    return text_length(text);
}

void con_write_text_body(const char *text) {
    con_guard();
    WriteConsoleA(output_handle, text, text_length(text), &chars_written, nullptr);
}

void con_write_char_body(char character) {
    con_guard();
    scratch_buffer[0] = character;
    WriteConsoleA(output_handle, scratch_buffer, 1, &chars_written, nullptr);
}

void con_newline_body(void) {
    con_guard();
    con_write_text(newline_text);
}

} // extern "C"
