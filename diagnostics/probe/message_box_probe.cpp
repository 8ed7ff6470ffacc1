// A small program that shows message boxes over a painted screen, for the
// terminal test to answer with keys: a question, then a notice, then it
// reports the answer and waits for a last key.
#include "con_diag.h"
#include "con_input.h"
#include "con_output.h"

#include <cstdint>

namespace {

void paint_background()
{
    con_clear_screen();
    for (uint8_t row = 0; row < 20; ++row) {
        con_set_color(static_cast<uint16_t>(row % 2 ? 0x1E : 0x2F));
        con_goto(row, 0);
        con_write_text("BACKGROUND ROW ");
        con_write_dec(row);
        con_write_text(" ..................................................................");
    }
    con_set_color(0x07);
    con_goto(21, 0);
}

} // namespace

int main()
{
    paint_background();
    uint32_t answer = msg_box_ask("Save the changes?\r\nThey will be kept.", "Question");
    con_write_text("ANSWER=");
    con_write_dec(answer);
    msg_box_show("All done.", nullptr);
    con_write_text(" SHOWN ");
    con_wait_key();
    return 0;
}
