// Integers in four notations. Each number is built right to left in its own
// work area and reaches the console in a single write.
#include "console_state.h"

namespace {

// Writes the decimal digits of value leftwards, ending just before end;
// returns where the first digit stands. Value 0 gives the single digit 0.
char *store_decimal(uint32_t value, char *end) {
    char *digit = end;
    do {
        *--digit = hex_digit_char(value % 10);
        value /= 10;
    } while (value != 0);
    return digit;
}

uint32_t normalize_size(uint32_t size) {
    return (size == 1 || size == 2) ? size : 4;
}

uint32_t low_bytes(uint32_t value, uint32_t size) {
    return size == 4 ? value : value & ((1u << (8 * size)) - 1);
}

} // namespace

extern "C" {

char hex_digit_char(uint32_t value) {
    return hex_digits[value & 0x0F];
}

void con_write_int_body(int32_t value) {
    con_guard();
    int_negative = value < 0 ? 1 : 0;
    // Two's-complement negation in unsigned arithmetic: -2147483648 reads as 2147483648.
    uint32_t magnitude =
        int_negative ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
    char *end = int_buffer + sizeof int_buffer - 1;
    *end = '\0';
    char *first = store_decimal(magnitude, end);
    *--first = int_negative ? '-' : '+';
    con_write_text(first);
}

void con_write_dec_body(uint32_t value) {
    con_guard();
    char *end = dec_buffer + sizeof dec_buffer - 1;
    *end = '\0';
    con_write_text(store_decimal(value, end));
}

void con_write_hex_sized_body(uint32_t value, uint32_t size) {
    size = normalize_size(size);
    value = low_bytes(value, size);
    con_guard();
    uint32_t digits = 2 * size;
    hex_buffer[digits] = '\0';
    for (uint32_t i = digits; i > 0; --i) {
        hex_buffer[i - 1] = hex_digit_char(value & 0x0F);
        value >>= 4;
    }
    con_write_text(hex_buffer);
}

void con_write_hex_body(uint32_t value) {
    con_write_hex_sized(value, 4);
}

void con_write_bin_sized_body(uint32_t value, uint32_t size) {
    size = normalize_size(size);
    // Bring the selected low bytes to the top of the word, then take bits off the top.
    uint32_t word = value << (32 - 8 * size);
    char *out = scratch_buffer;
    for (uint32_t group = 0; group < 2 * size; ++group) {
        for (int bit = 0; bit < 4; ++bit) {
            *out++ = (word & 0x80000000u) ? '1' : '0';
            word <<= 1;
        }
        *out++ = ' ';
    }
    out[-1] = '\0';
    con_write_text(scratch_buffer);
}

void con_write_bin_body(uint32_t value) {
    con_write_bin_sized(value, 4);
}

void write_hex_byte(uint8_t value) {
    scratch_buffer[0] = hex_digit_char(value >> 4);
    scratch_buffer[1] = hex_digit_char(value & 0x0F);
    scratch_buffer[2] = '\0';
    con_write_text(scratch_buffer);
}

} // extern "C"
