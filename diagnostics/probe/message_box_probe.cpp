// A small program that shows message boxes over a painted screen, for the
// terminal test to answer with keys: a question, then a notice, then it
// reports the answer and waits for a last key. With the argument "busy" it
// writes WORKING and computes for three seconds without calling the runtime,
// shows a notice, and once that is answered computes again before DONE.
#include "con_diag.h"
#include "con_input.h"
#include "con_output.h"

#include <chrono>
#include <cstdint>
#include <cstring>

namespace {

void paint_background() {
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

void compute_for_three_seconds() {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    volatile uint32_t sum = 0;
    while (std::chrono::steady_clock::now() < end) sum = sum + 1;
}

int busy() {
    paint_background();
    con_write_text("WORKING");
    compute_for_three_seconds();
    msg_box_show("Computed.", nullptr);
    compute_for_three_seconds();
    con_write_text(" DONE");
    con_wait_key();
    return 0;
}

} // namespace

int main(int argc, char **argv) {
    if (argc > 1 && std::strcmp(argv[1], "busy") == 0) return busy();
    paint_background();
    uint32_t answer = msg_box_ask("Save the changes?\r\nThey will be kept.", "Question");
    con_write_text("ANSWER=");
    con_write_dec(answer);
    msg_box_show("All done.", nullptr);
    con_write_text(" SHOWN ");
    con_wait_key();
    return 0;
}
