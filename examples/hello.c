/* A C program on the console runtime: a text, a signed number and the
   register dump at the cursor. */
#include "conrt.h"

int main(void) {
    con_write_text("Hello from C: ");
    con_write_int(-42);
    con_newline();
    con_dump_registers();
    con_write_text("Done.");
    con_newline();
    return 0;
}
