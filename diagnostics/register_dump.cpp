// The register dump's text: three lines of the caller's registers, return
// position, stack position and flags, from what the assembly entry saved.
#include "console_state.h"
#include "diag_state.h"

namespace {

// Each status flag's label has a digit slot behind it, filled before the
// label is written.
struct FlagLabel {
    char text[7];
    uint32_t bit;
};

FlagLabel flag_labels[] = {
    {"  CF=0", 0}, {"  SF=0", 7}, {"  ZF=0", 6}, {"  OF=0", 11}, {"  AF=0", 4}, {"  PF=0", 2},
};
const int FLAG_DIGIT_SLOT = 5;

void write_register(const char *label, uint32_t value) {
    con_write_text(label);
    con_write_hex(value);
}

void write_flag(FlagLabel &label, uint32_t flags) {
    label.text[FLAG_DIGIT_SLOT] = (flags >> label.bit) & 1 ? '1' : '0';
    con_write_text(label.text);
}

} // namespace

extern "C" void write_register_dump(const register_snapshot *snapshot) {
    uint32_t stack_position = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(snapshot + 1));
    con_newline();
    write_register("  EAX=", snapshot->eax);
    write_register("  EBX=", snapshot->ebx);
    write_register("  ECX=", snapshot->ecx);
    write_register("  EDX=", snapshot->edx);
    con_newline();
    write_register("  ESI=", snapshot->esi);
    write_register("  EDI=", snapshot->edi);
    write_register("  EBP=", snapshot->ebp);
    write_register("  ESP=", stack_position);
    con_newline();
    write_register("  EIP=", snapshot->return_position);
    write_register("  EFL=", snapshot->eflags);
    for (FlagLabel &label : flag_labels) write_flag(label, snapshot->eflags);
    con_newline();
    con_newline();
}
