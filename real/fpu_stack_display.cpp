// The FPU stack display. The caller's whole x87 state is saved with fnsave
// first thing (which also leaves the FPU empty), the slots are read from that
// image, and frstor puts everything back: values, depth, top and control
// word. So the display works with all eight slots full, and the output
// routines it calls push onto an empty stack of their own.
#include <string.h>

#include "con_output.h"
#include "con_real.h"
#include "real_internal.h"

namespace {

// The 108-byte image of fnsave in 32-bit protected mode.
struct fpu_state_image {
    uint16_t control_word;
    uint16_t unused_1;
    uint16_t status_word;
    uint16_t unused_2;
    uint16_t tag_word;
    uint16_t unused_3;
    uint32_t instruction_pointer;
    uint32_t instruction_selector;
    uint32_t operand_pointer;
    uint32_t operand_selector;
    unsigned char registers[8][10]; // ST(0) first
};
static_assert(sizeof(fpu_state_image) == 108, "fnsave writes 108 bytes");

constexpr uint16_t STATUS_TOP_SHIFT = 11;
constexpr uint16_t TAG_EMPTY = 3;
// Exception flags, stack fault, error summary and busy: what fnclex clears.
constexpr uint16_t STATUS_EXCEPTION_BITS = 0x80FF;

const char heading_text[] = "\r\n------ FPU Stack ------\r\n";

fpu_state_image caller_state;

bool slot_is_empty(const fpu_state_image &image, uint32_t slot) {
    const uint32_t top = (image.status_word >> STATUS_TOP_SHIFT) & 7u;
    const uint32_t physical = (top + slot) & 7u;
    return ((image.tag_word >> (2 * physical)) & 3u) == TAG_EMPTY;
}

long double slot_value(const fpu_state_image &image, uint32_t slot) {
    long double value = 0.0;
    memcpy(&value, image.registers[slot], sizeof image.registers[slot]);
    return value;
}

// Runs on the emptied FPU with every exception masked (fnsave's reset), so
// testing a NaN or an unsupported encoding only sets flags.
void show_slot(uint32_t slot, long double value) {
    if (fpu_test_unordered(fpu::test_status(value))) return;
    con_write_text("ST(");
    con_write_dec(slot);
    con_write_text("): ");
    con_write_real(value);
    con_newline();
}

} // namespace

extern "C" {

void con_show_fpu_stack_body(void) {
    asm volatile("fnsave %0" : "=m"(caller_state)::"memory");
    con_write_text(heading_text);
    for (uint32_t slot = 0; slot < 8; ++slot) {
        if (!slot_is_empty(caller_state, slot)) show_slot(slot, slot_value(caller_state, slot));
    }
    caller_state.status_word &= static_cast<uint16_t>(~STATUS_EXCEPTION_BITS);
    asm volatile("frstor %0" ::"m"(caller_state) : "memory");
}

} // extern "C"
