// The FPU work mode that every real-number routine runs in, and the helpers
// that read the outcome of an FPU test or comparison from its status word.
#include <string.h>

#include "real_internal.h"

extern "C" {

uint16_t saved_control_word = 0;
uint16_t work_control_word = 0;

void fpu_enter_work_mode(void) {
    saved_control_word = fpu::control_word();
    work_control_word = (saved_control_word & CONTROL_KEPT_BITS) | WORK_MODE_BITS;
    fpu::load_control_word(work_control_word);
}

void fpu_leave_work_mode(void) {
    work_control_word =
        (fpu::control_word() & CONTROL_KEPT_BITS) | (saved_control_word & CONTROL_CALLER_BITS);
    fpu::load_control_word(work_control_word);
}

// C3, C2 and C0 all set: the operand was a NaN, an unsupported encoding or an
// empty slot.
bool fpu_test_unordered(uint16_t status_word) {
    const uint16_t unordered = STATUS_C3 | STATUS_C2 | STATUS_C0;
    return (status_word & unordered) == unordered;
}

fpu_comparison fpu_compare_result(uint16_t status_word) {
    return fpu_comparison{(status_word & STATUS_C0) != 0, (status_word & STATUS_C3) != 0};
}

// Looks at a copy of the 10-byte image: sign 0, exponent all ones, integer
// bit alone in the significand. Pseudo-infinities do not qualify.
bool is_positive_infinity(long double value) {
    unsigned char image[10];
    memcpy(image, &value, sizeof image);
    uint64_t significand;
    memcpy(&significand, image, sizeof significand);
    const uint16_t sign_and_exponent = static_cast<uint16_t>(image[8] | (image[9] << 8));
    return sign_and_exponent == 0x7FFF && significand == 0x8000000000000000ull;
}

} // extern "C"
