// The runtime's shared state and its lazy start.
#include "console_state.h"

// 512 blanks, built up in powers of two.
#define BLANKS_8 ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '
#define BLANKS_64 BLANKS_8, BLANKS_8, BLANKS_8, BLANKS_8, BLANKS_8, BLANKS_8, BLANKS_8, BLANKS_8
#define BLANKS_512                                                                                 \
    BLANKS_64, BLANKS_64, BLANKS_64, BLANKS_64, BLANKS_64, BLANKS_64, BLANKS_64, BLANKS_64

extern "C" {

uint8_t console_ready = 0;
HANDLE input_handle = nullptr;
HANDLE output_handle = nullptr;
const char hex_digits[16] = {'0', '1', '2', '3', '4', '5', '6', '7',
                             '8', '9', 'A', 'B', 'C', 'D', 'E', 'F'};
WORD attribute_row[BLANK_ROW_LENGTH] = {};
uint32_t clear_width = 0;
COORD clear_position = {0, 0};
DWORD clear_count = 0;
const char newline_text[3] = {'\r', '\n', '\0'};
COORD cursor_target = {0, 0};
char dec_buffer[13] = {};
char hex_buffer[9] = {};
char int_buffer[13] = {};
uint8_t int_negative = 0;
DWORD chars_written = 0;
char scratch_buffer[SCRATCH_BUFFER_SIZE] = {};

const char blank_row[BLANK_ROW_LENGTH] = {BLANKS_512};

void con_init(void) {
    input_handle = GetStdHandle(STD_INPUT_HANDLE);
    output_handle = GetStdHandle(STD_OUTPUT_HANDLE);
    console_ready = 1;
}

} // extern "C"
