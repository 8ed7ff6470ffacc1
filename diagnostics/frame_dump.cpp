// The stack-frame display: one line per 4-byte stack word of the caller's
// frame, from the highest slot down, each labelled with its role.
#include "console_state.h"
#include "diag_state.h"

namespace {

const char LABEL_PARAMETER[] = " (parameter)";
const char LABEL_RETURN[] = " (return address)";
const char LABEL_SAVED_EBP[] = " (saved ebp) <--- ebp";
const char LABEL_LOCAL[] = " (local variable)";
const char LABEL_SAVED_REGISTER[] = " (saved register)";
const char STACK_TOP_MARK[] = " <--- esp\r\n";

// Distance, in bytes, between a direct call's arguments and the shown
// routine's stack position when the call went through con_dump_frame: its
// three arguments, return position and saved frame pointer.
const uintptr_t FORWARDING_FRAME_SIZE = 20;

enum class Layout { FramePointerFirst, RegistersFirst };

Layout choose_layout(uint32_t params, uint32_t locals, uint32_t saved) {
    if (locals > 0 || params > 0) return Layout::FramePointerFirst;
    return saved > 0 ? Layout::RegistersFirst : Layout::FramePointerFirst;
}

void write_heading(const char *name) {
    con_write_text("Stack Frame ");
    if (name[0] != '\0' && name[0] != caller_frame_marker[0]) {
        con_write_text("for ");
        con_write_text(name);
    }
    con_newline();
    con_newline();
}

// One line: the word, its displacement from the frame base and its role.
void write_slot(const uint32_t *frame_base, int32_t displacement, const char *label, bool last) {
    const uint32_t *slot = frame_base + displacement / 4;
    con_write_hex(*slot);
    con_write_text("  ebp");
    con_write_int(displacement);
    con_write_text(label);
    if (last) con_write_text(STACK_TOP_MARK);
    con_newline();
}

// Slots from displacement `from` downwards, `count` of them, 4 bytes apart.
// The stack top is the lowest slot of the whole listing.
void write_run(const uint32_t *frame_base, int32_t from, uint32_t count, const char *label,
               int32_t lowest) {
    for (uint32_t i = 0; i < count; ++i) {
        int32_t displacement = from - 4 * static_cast<int32_t>(i);
        write_slot(frame_base, displacement, label, displacement == lowest);
    }
}

void write_frame_pointer_first(const uint32_t *base, uint32_t params, uint32_t locals,
                               uint32_t saved) {
    int32_t lowest = -4 * static_cast<int32_t>(locals + saved);
    write_run(base, 4 * static_cast<int32_t>(params + 1), params, LABEL_PARAMETER, lowest);
    write_run(base, 4, 1, LABEL_RETURN, lowest);
    write_run(base, 0, 1, LABEL_SAVED_EBP, lowest);
    write_run(base, -4, locals, LABEL_LOCAL, lowest);
    write_run(base, -4 * static_cast<int32_t>(locals + 1), saved, LABEL_SAVED_REGISTER, lowest);
}

void write_registers_first(const uint32_t *base, uint32_t saved) {
    write_run(base, 4 * static_cast<int32_t>(saved + 1), 1, LABEL_RETURN, 0);
    write_run(base, 4 * static_cast<int32_t>(saved), saved, LABEL_SAVED_REGISTER, 0);
    write_run(base, 0, 1, LABEL_SAVED_EBP, 0);
}

// Valid when the shown routine pushed nothing below its saved frame
// pointer, whichever entry point it called.
bool registers_first_valid(const uint32_t *frame_base, uintptr_t arguments_top) {
    uintptr_t base = reinterpret_cast<uintptr_t>(frame_base);
    return base == arguments_top || base == arguments_top + FORWARDING_FRAME_SIZE;
}

} // namespace

extern "C" void write_frame_dump(uint32_t param_count, uint32_t local_count, uint32_t saved_count,
                                 const char *name, const uint32_t *frame_base,
                                 uintptr_t arguments_top) {
    if (name[0] == caller_frame_marker[0])
        frame_base = reinterpret_cast<const uint32_t *>(static_cast<uintptr_t>(*frame_base));
    write_heading(name);
    if (choose_layout(param_count, local_count, saved_count) == Layout::FramePointerFirst) {
        write_frame_pointer_first(frame_base, param_count, local_count, saved_count);
        return;
    }
    if (!registers_first_valid(frame_base, arguments_top)) {
        con_write_text("The stack frame is invalid");
        con_newline();
        return;
    }
    write_registers_first(frame_base, saved_count);
}
