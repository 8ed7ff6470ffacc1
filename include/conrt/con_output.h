// Console runtime, output side: text and characters at the cursor, screen
// control, and integers in four notations. Every routine initialises the
// runtime on first use; no set-up call exists.
#pragma once

#include <stdbool.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// Text and characters, written at the cursor in the attribute in force.
void con_write_text(const char *text);
void con_write_char(char character);
void con_newline(void);
uint32_t text_length(const char *text);
uint32_t con_text_length(const char *text);

// Screen control. An attribute is a foreground colour plus a background
// colour shifted left by CON_BACKGROUND_SHIFT: bright white on blue is
// CON_COLOR_WHITE | CON_COLOR_BLUE << CON_BACKGROUND_SHIFT (0x1F).
enum {
    CON_COLOR_BLACK = 0x0,
    CON_COLOR_BLUE = 0x1,
    CON_COLOR_GREEN = 0x2,
    CON_COLOR_CYAN = 0x3,
    CON_COLOR_RED = 0x4,
    CON_COLOR_MAGENTA = 0x5,
    CON_COLOR_BROWN = 0x6,
    CON_COLOR_LIGHT_GRAY = 0x7,
    CON_COLOR_DARK_GRAY = 0x8,
    CON_COLOR_LIGHT_BLUE = 0x9,
    CON_COLOR_LIGHT_GREEN = 0xA,
    CON_COLOR_LIGHT_CYAN = 0xB,
    CON_COLOR_LIGHT_RED = 0xC,
    CON_COLOR_LIGHT_MAGENTA = 0xD,
    CON_COLOR_YELLOW = 0xE,
    CON_COLOR_WHITE = 0xF,
    CON_BACKGROUND_SHIFT = 4
};
void con_clear_screen(void);
void con_goto(uint8_t row, uint8_t column);
void con_set_color(uint16_t attribute);
uint16_t con_get_color(void);
// The screen buffer's size, each dimension reduced to its low 8 bits.
// Either pointer may be null.
void con_get_buffer_size(uint8_t *columns, uint8_t *rows);

// Integers: signed with its sign always shown, unsigned, hexadecimal with a
// fixed number of digits, base 2 in groups of four. Size selects the low
// 1, 2 or (for any other value) 4 bytes.
void con_write_int(int32_t value);
void con_write_dec(uint32_t value);
void con_write_hex(uint32_t value);
void con_write_hex_sized(uint32_t value, uint32_t size);
void con_write_bin(uint32_t value);
void con_write_bin_sized(uint32_t value, uint32_t size);

#ifdef __cplusplus
}
#endif
