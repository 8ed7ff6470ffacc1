// Console runtime, real numbers: x87 extended reals written in a fixed
// scientific notation, read key by key with echo, and the FPU stack shown.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

// Writes the value at the cursor as fifteen characters such as
// +1.5000000E+000; zeros, infinities and NaNs have forms of their own. The
// caller's control word is in force again on return; exception flags the
// work raised stay set, except those the caller has unmasked.
#ifdef _MSC_VER
// The Microsoft compilers make long double a 64-bit double. Their callers
// pass the 80-bit value as these ten bytes instead; by value it fills the
// same 12-byte argument slot as GCC's long double.
typedef struct con_real {
    unsigned char bytes[10];
} con_real;

void con_write_real(con_real value);
#else
void con_write_real(long double value);
#endif

// Reads a number as it is typed, echoing every key; the first key that does
// not fit the number ends it. A malformed start gives 0.0 and an error text.
// Control word and exception flags come back as con_write_real leaves them.
// The value is pushed onto the caller's FPU stack as a load would push it:
// on a full stack that overflows, and the top holds the indefinite NaN.
#ifdef _MSC_VER
// ST0 is where both conventions return a real: a Microsoft caller stores it
// as the double it expects.
double con_read_real(void);

// Exact in this direction; the other rounds as the caller's FPU control word
// says (to nearest, by default).
static __inline con_real con_real_from_double(double value) {
    con_real real;
    __asm {
        fld qword ptr value
        fstp tbyte ptr real
    }
    return real;
}

static __inline double con_real_to_double(con_real real) {
    double value;
    __asm {
        fld tbyte ptr real
        fstp qword ptr value
    }
    return value;
}
#else
long double con_read_real(void);
#endif

// Lists the occupied slots of the caller's x87 stack from the top down and
// leaves the stack, its top and the control word as they were, with the
// exception flags clear.
void con_show_fpu_stack(void);

#ifdef __cplusplus
}
#endif
