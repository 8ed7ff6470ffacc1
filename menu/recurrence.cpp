// Option 3: S(0) = 1.0, S(1) = 1.5, S(n) = 1.0 + S(n-1) + S(n-2), computed
// on the x87 FPU in doubles and printed in the runtime's scientific notation.
#include <string.h>

#include "con_input.h"
#include "con_output.h"
#include "con_real.h"
#include "menu.h"

extern "C" {

double s_current = 1.5;
double s_previous = 1.0;
double s_saved = 0.0;
const double STEP_ONE = 1.0;
const double S1_INITIAL = 1.5;
const double S0_INITIAL = 1.0;

const char prompt_option3[] = "3.Compute S(n).\n\rDefine S(n) = 1.0 +S(n-1) + S(n-2), \tn>=2. "
                              "S(0) = 1.0, S(1) = 1.5\r\nPlease input n:";

} // extern "C"

namespace {

// The integer options' wording, for the n that has no S(n).
const char negative_n_text[] = "out of range.\r\n";
constexpr uint64_t POSITIVE_INFINITY_BITS = 0x7FF0000000000000ull;

bool is_infinite(const double &value) {
    uint64_t bits;
    memcpy(&bits, &value, sizeof bits);
    return bits == POSITIVE_INFINITY_BITS;
}

// One step in one asm statement, so that each sum is formed in the FPU's
// extended precision and rounded to double when stored: (S(k-1) + 1.0)
// first, then + S(k-2). Overflow is masked and gives +infinity.
void recurrence_step(void) {
    asm volatile("fldl %[current]\n\t"
                 "fstpl %[saved]\n\t"
                 "fldl %[current]\n\t"
                 "faddl %[one]\n\t"
                 "fstpl %[current]\n\t"
                 "fldl %[previous]\n\t"
                 "faddl %[current]\n\t"
                 "fstpl %[current]\n\t"
                 "fldl %[saved]\n\t"
                 "fstpl %[previous]"
                 : [current] "+m"(s_current), [previous] "+m"(s_previous), [saved] "=m"(s_saved)
                 : [one] "m"(STEP_ONE)
                 : "memory");
}

// Default FPU state: empty stack, round to nearest, 64-bit precision,
// every exception masked.
void fpu_reset(void) {
    asm volatile("fninit" ::: "memory");
}

} // namespace

extern "C" {

// Once both values are +infinity no later step can change them, so the loop
// stops there and any n answers at once with the same output.
void compute_recurrence(int32_t n) {
    fpu_reset();
    s_current = S1_INITIAL;
    s_previous = S0_INITIAL;
    for (int32_t k = 1; k < n; ++k) {
        recurrence_step();
        if (is_infinite(s_current) && is_infinite(s_previous)) break;
    }
    con_write_real(s_current);
    con_newline();
}

// Negative n has no S(n): it is refused and asked for again.
void option_recurrence(void) {
    con_clear_screen();
    for (;;) {
        con_write_text(prompt_option3);
        const int32_t n = con_read_int(nullptr);
        if (n == 0) return;
        if (n < 0) {
            con_write_text(negative_n_text);
            continue;
        }
        compute_recurrence(n);
    }
}

} // extern "C"
