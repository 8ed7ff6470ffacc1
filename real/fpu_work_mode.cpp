// The FPU work mode that every real-number routine runs in, and the helpers
// that read the outcome of an FPU test or comparison from its status word.
#include <string.h>

#include "real_internal.h"

namespace {

constexpr uint16_t EXCEPTION_FLAGS = 0x003F;
constexpr uint16_t ERROR_SUMMARY_AND_BUSY = 0x8080;

// The 28-byte environment of fnstenv and fldenv in 32-bit protected mode.
struct fpu_environment {
    uint16_t control_word;
    uint16_t unused_1;
    uint16_t status_word;
    uint16_t unused_2;
    uint32_t rest[5];
};
static_assert(sizeof(fpu_environment) == 28, "fnstenv writes 28 bytes");

fpu_environment work_environment;

// The work raises exceptions only as masked events (inexact on nearly every
// division, invalid on testing a NaN). A flag whose exception the caller has
// unmasked would fault at the caller's next FPU instruction once its word is
// back, so such flags are dropped; the others stay for the caller to read.
void drop_flags_caller_unmasked(void) {
    const uint16_t unmasked = static_cast<uint16_t>(~saved_control_word & EXCEPTION_FLAGS);
    if ((fpu::status_word() & unmasked) == 0) return;
    asm volatile("fnstenv %0" : "=m"(work_environment)::"memory");
    work_environment.status_word &= static_cast<uint16_t>(~(unmasked | ERROR_SUMMARY_AND_BUSY));
    asm volatile("fldenv %0" ::"m"(work_environment) : "memory");
}

} // namespace

extern "C" {

uint16_t saved_control_word = 0;
uint16_t work_control_word = 0;

void fpu_enter_work_mode(void) {
    saved_control_word = fpu::control_word();
    work_control_word = (saved_control_word & CONTROL_KEPT_BITS) | WORK_MODE_BITS;
    fpu::load_control_word(work_control_word);
}

void fpu_leave_work_mode(void) {
    drop_flags_caller_unmasked();
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
