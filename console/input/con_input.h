// Console runtime, input side: key polling with PC-style key codes, line
// input, integer input and parsing, the wait prompt and the command tail.
#pragma once

#include <stdbool.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// One key press. Its key code is scan_code * 256 + char_code (Enter: 0x1C0D),
// which is also the first 16 bits of the record in memory.
typedef struct key_record {
    uint8_t char_code;
    uint8_t scan_code;
    uint16_t virtual_key;
    uint32_t control_state;
} key_record;

enum { KEY_CODE_ENTER = 0x1C0D };

// Looks at the console input without waiting. True when a key was taken;
// otherwise the record reads char_code 1, scan_code 0. The key may be null.
bool con_poll_key(key_record *key);
// Waits for a key, polling every 10 ms; returns its key code.
uint32_t con_read_char(void);
void con_pause(uint32_t milliseconds);
void con_flush_input(void);

// Reads one edited line (the console echoes and edits) into buffer, at most
// max - 1 characters and a terminating zero; the rest of a longer line is
// dropped. Returns the count of characters stored.
uint32_t con_read_line(char *buffer, uint32_t max);

// Integer input. Each returns the value and, through valid (which may be
// null), whether it is valid; a failed read yields 0.
int32_t con_read_int(bool *valid);
uint32_t con_read_dec(bool *valid);
uint32_t con_read_hex(bool *valid);
int32_t parse_int(const char *text, uint32_t length, bool *valid);
uint32_t parse_dec(const char *text, uint32_t length, bool *valid);

// Writes "Press any key to continue..." and waits for a key.
void con_wait_key(void);
// Copies the arguments the program was started with, without its own name;
// true when there were any. The buffer must hold the whole tail: a command
// line has at most 32767 characters, each at most 3 bytes in the process's
// code page, so COMMAND_TAIL_SIZE bytes always suffice.
enum { COMMAND_TAIL_SIZE = 3 * 32767 + 1 };
bool get_command_tail(char *buffer);

#ifdef __cplusplus
}
#endif
