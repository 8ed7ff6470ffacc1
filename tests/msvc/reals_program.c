/* Reals, an integer and texts through the runtime's C interface, built by a
   Microsoft-mode compiler and by GCC or MinGW: both builds must write the
   same. A Microsoft compiler's long double is a double, so a declaration
   that does not fit shows here as wrong digits. Among the reals are a
   subnormal double and the largest one, which the 80-bit format holds as
   ordinary numbers. The real read from the console comes back tripled. */
#include "conrt.h"

#ifdef _MSC_VER
typedef double read_real;
#define REAL(value) con_real_from_double(value)
#else
typedef long double read_real;
#define REAL(value) ((long double)(value))
#endif

static const double samples[] = {1.5, -2.5, 0.1, 6.02214076e23, -1.0e-310, 1.7976931348623157e308,
                                 0.0};

int main(void) {
    unsigned i;
    read_real typed;
    con_write_text("Reals from C:");
    con_newline();
    for (i = 0; i < sizeof samples / sizeof samples[0]; ++i) {
        con_write_real(REAL(samples[i]));
        con_newline();
    }
    con_write_int(-42);
    con_newline();
    con_write_text("A real: ");
    typed = con_read_real();
    con_newline();
    con_write_real(REAL(typed * 3));
    con_newline();
    con_write_text("Done.");
    con_newline();
    return 0;
}
