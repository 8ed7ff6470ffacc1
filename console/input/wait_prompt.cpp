// The wait prompt: a fixed text, then one key, which is thrown away.
#include "con_input.h"
#include "con_output.h"

extern "C" void con_wait_key_body(void) {
    con_write_text("Press any key to continue...");
    con_read_char();
}
