/* Reals, integers and a text through the runtime's C interface, built twice:
   by clang in Microsoft mode without a C runtime (linked against conrt.lib),
   and by MinGW. Both must write the same: a Microsoft compiler's long double
   is a double, so a wrong declaration shows here as wrong digits. Among
   the reals are a subnormal double and the largest one, which the 80-bit
   format holds as ordinary numbers. */
#include "conrt.h"

#ifdef _MSC_VER
#define REAL(value) con_real_from_double(value)
/* The compiler refers to this whenever a program uses floating point; the C
   runtime would define it. */
int _fltused;
__declspec(dllimport) void __stdcall ExitProcess(unsigned int code);
#else
#define REAL(value) ((long double)(value))
#include <stdlib.h>
#define ExitProcess exit
#endif

static const double samples[] = {1.5, -2.5, 0.1, 6.02214076e23, -1.0e-310, 1.7976931348623157e308,
                                 0.0};

int main(void) {
    unsigned i;
    con_write_text("Reals from C:");
    con_newline();
    for (i = 0; i < sizeof samples / sizeof samples[0]; ++i) {
        con_write_real(REAL(samples[i]));
        con_newline();
    }
    con_write_int(-42);
    con_newline();
    con_write_text("Done.");
    con_newline();
    ExitProcess(0);
    return 0;
}
