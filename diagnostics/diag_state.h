// Internal state and seams of the diagnostics: the generator's state, the
// shared date-time record, and the C halves of the assembly entry points.
#pragma once

#include "con_diag.h"
#include "win32.h"

#ifdef __cplusplus
extern "C" {
#endif

extern uint32_t rng_seed;
extern SYSTEMTIME time_fields;

// What con_dump_registers pushes on entry (flags first, then all eight
// registers), followed by its return position; the caller's stack position
// before the call lies just above.
typedef struct register_snapshot {
    uint32_t edi, esi, ebp, esp_pushed, ebx, edx, ecx, eax;
    uint32_t eflags;
    uint32_t return_position;
} register_snapshot;

void write_register_dump(const register_snapshot *snapshot);

// What con_dump_memory writes, once it has saved its caller's registers.
void con_dump_memory_body(const void *start, uint32_t count, uint32_t unit_size);

// What text_trim does, once it has saved its caller's registers and flags.
void text_trim_body(char *text, char character);

// frame_base: the frame pointer of the routine that called
// con_dump_frame_named. arguments_top: the address just above that call's
// four arguments.
void write_frame_dump(uint32_t param_count, uint32_t local_count, uint32_t saved_count,
                      const char *name, const uint32_t *frame_base, uintptr_t arguments_top);

#ifdef __cplusplus
}
#endif
