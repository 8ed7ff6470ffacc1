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
void con_write_real(long double value);

// Reads a number as it is typed, echoing every key; the first key that does
// not fit the number ends it. A malformed start gives 0.0 and an error text.
// Control word and exception flags come back as con_write_real leaves them.
// The value is pushed onto the caller's FPU stack as a load would push it:
// on a full stack that overflows, and the top holds the indefinite NaN.
long double con_read_real(void);

// Lists the occupied slots of the caller's x87 stack from the top down and
// leaves the stack, its top and the control word as they were, with the
// exception flags clear.
void con_show_fpu_stack(void);

#ifdef __cplusplus
}
#endif
