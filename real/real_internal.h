// What the real-number routines share: the FPU work mode and its save slot,
// the status-word helpers, the tables of powers of ten, the decimal scaling
// and the digit writer, and the x87 primitives all their arithmetic uses.
#pragma once

#include <stdbool.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

enum {
    POWER_TABLE_SIZE = 7,
    INT_POWER_COUNT = 10,
    // Work mode: all six exception masks, 53-bit precision, round toward zero.
    WORK_MODE_BITS = 0x0E3F,
    // Bits 6-7 and 12-15 of a control word, which the work mode keeps.
    CONTROL_KEPT_BITS = 0xF0C0,
    // Exception masks, precision and rounding: what leaving gives back.
    CONTROL_CALLER_BITS = 0x0F3F,
    STATUS_C0 = 0x0100,
    STATUS_C2 = 0x0400,
    STATUS_C3 = 0x4000,
};

extern uint16_t saved_control_word;
extern uint16_t work_control_word;
extern int16_t decimal_exponent;
extern const uint32_t int_powers_of_ten[INT_POWER_COUNT];
extern const double big_powers_of_ten[POWER_TABLE_SIZE];
extern const double small_powers_of_ten[POWER_TABLE_SIZE];
extern const int16_t power_steps[POWER_TABLE_SIZE];
extern const char real_error_text[];

// Work-mode sections cannot nest: the save slot holds one caller's word.
void fpu_enter_work_mode(void);
void fpu_leave_work_mode(void);

// Both read a status word taken by the same asm statement as the test or
// comparison, so nothing can run between the two and change its condition bits.
bool fpu_test_unordered(uint16_t status_word);
typedef struct fpu_comparison {
    bool less;
    bool equal;
} fpu_comparison;
fpu_comparison fpu_compare_result(uint16_t status_word);

bool is_positive_infinity(long double value);

long double scale_to_mantissa(long double value);
long double normalize_mantissa(long double value);
// The count leading digits of value, the units left out (70, 3 gives
// "007"); returns the end of what it stored.
char *store_leading_digits(uint32_t value, uint32_t count, char *out);

uint32_t read_echo_char(void);
long double ten_power(int32_t power);

#ifdef __cplusplus
}

// x87 primitives. Each operation is a single asm statement, and asm volatile
// statements keep their order, so every operation runs under the control word
// that the last fldcw before it loaded; the compiler only moves values in
// between, and 80-bit loads and stores are exact under any control word.
namespace fpu {

inline long double add(long double a, long double b) {
    long double sum;
    asm volatile("fadd %%st(1), %%st" : "=t"(sum) : "0"(a), "u"(b));
    return sum;
}

inline long double multiply(long double a, long double b) {
    long double product;
    asm volatile("fmul %%st(1), %%st" : "=t"(product) : "0"(a), "u"(b));
    return product;
}

// st(0) = st(0) / st(1): the dividend on top, the divisor below it.
inline long double divide(long double dividend, long double divisor) {
    long double quotient;
    asm volatile("fdiv %%st(1), %%st" : "=t"(quotient) : "0"(dividend), "u"(divisor));
    return quotient;
}

inline long double negate(long double value) {
    long double negated;
    asm volatile("fchs" : "=t"(negated) : "0"(value));
    return negated;
}

// Rounds in the rounding mode in force (toward zero in the work mode).
inline long double round_to_integer(long double value) {
    long double rounded;
    asm volatile("frndint" : "=t"(rounded) : "0"(value));
    return rounded;
}

inline int32_t to_int32(long double value) {
    int32_t integer;
    asm volatile("fistl %0" : "=m"(integer) : "t"(value));
    return integer;
}

// The status word right after testing the value against zero.
inline uint16_t test_status(long double value) {
    uint16_t status;
    asm volatile("ftst\n\tfnstsw %%ax" : "=a"(status) : "t"(value) : "cc");
    return status;
}

// The status word right after comparing value with operand (C0: value below).
inline uint16_t compare_status(long double value, long double operand) {
    uint16_t status;
    asm volatile("fcom %%st(1)\n\tfnstsw %%ax" : "=a"(status) : "t"(value), "u"(operand) : "cc");
    return status;
}

inline bool is_below(long double value, long double operand) {
    return fpu_compare_result(compare_status(value, operand)).less;
}

inline uint16_t control_word() {
    uint16_t word;
    asm volatile("fnstcw %0" : "=m"(word)::"memory");
    return word;
}

inline uint16_t status_word() {
    uint16_t word;
    asm volatile("fnstsw %0" : "=m"(word)::"memory");
    return word;
}

inline void load_control_word(const uint16_t &word) {
    asm volatile("fldcw %0" ::"m"(word) : "memory");
}

} // namespace fpu
#endif
