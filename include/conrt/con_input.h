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

// Key codes of keys without a character of their own (character code 0)
// and of the editing keys; shifted and Ctrl or Alt variants have their own.
enum {
    KEY_CODE_ENTER = 0x1C0D,
    KEY_CODE_ESCAPE = 0x011B,
    KEY_CODE_BACKSPACE = 0x0E08,
    KEY_CODE_TAB = 0x0F09,
    KEY_CODE_SPACE = 0x3920,
    KEY_CODE_UP = 0x4800,
    KEY_CODE_DOWN = 0x5000,
    KEY_CODE_LEFT = 0x4B00,
    KEY_CODE_RIGHT = 0x4D00,
    KEY_CODE_HOME = 0x4700,
    KEY_CODE_END = 0x4F00,
    KEY_CODE_PAGE_UP = 0x4900,
    KEY_CODE_PAGE_DOWN = 0x5100,
    KEY_CODE_INSERT = 0x5200,
    KEY_CODE_DELETE = 0x5300,
    KEY_CODE_F1 = 0x3B00, // F2 to F10 follow: 0x3C00 .. 0x4400
    KEY_CODE_F10 = 0x4400,
    KEY_CODE_F11 = 0x8500,
    KEY_CODE_F12 = 0x8600
};

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
