// The console runtime's module-wide state: the standard handles, the
// once-only flag and the fixed work areas. All of it is static, lives for
// the whole run and is shared without locks: the runtime serves one thread.
#pragma once

#include "con_output.h"
#include "win32.h"

#ifdef __cplusplus
extern "C" {
#endif

enum {
    BLANK_ROW_LENGTH = 512,
    SCRATCH_BUFFER_SIZE = 512,
};

extern uint8_t console_ready;
extern HANDLE input_handle;
extern HANDLE output_handle;
extern const char hex_digits[16];
extern const char blank_row[BLANK_ROW_LENGTH];
extern WORD attribute_row[BLANK_ROW_LENGTH];
extern uint32_t clear_width;
extern COORD clear_position;
extern DWORD clear_count;
extern const char newline_text[3];
extern COORD cursor_target;
extern char dec_buffer[13];
extern char hex_buffer[9];
extern char int_buffer[13];
extern uint8_t int_negative;
extern DWORD chars_written;
extern char scratch_buffer[SCRATCH_BUFFER_SIZE];

// Fetches both standard handles, whatever console_ready says.
void con_init(void);

// The guard every console routine runs first.
static inline void con_guard(void) {
    if (!console_ready) con_init();
}

char hex_digit_char(uint32_t value);
void write_hex_byte(uint8_t value);

#ifdef __cplusplus
}
#endif
