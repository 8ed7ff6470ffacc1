// Test support: a routine called with values of the test's own on the x87
// stack, and the stack, control word and status word read back after it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

struct StackRun {
    long double in[8]; // in[0] ends on top
    long double out[9];
    uint32_t count;
    uint32_t pushes; // values the routine leaves on the stack (its result)
    uint32_t arguments[3];
    uint16_t control_word; // loaded before the values are pushed
    uint16_t raise_flags;  // exception flags set before the call
    uint16_t caller_control_word;
    uint16_t status_before;
    uint16_t control_after;
    uint16_t status_after;
    uint16_t tags_after_pops;
    unsigned char environment[28];
    const void *routine;
};

// One asm statement from the first push to the last pop, so the compiler
// never sees the stack in between. The routine gets the three argument
// dwords (cdecl ignores those it does not take) on an aligned stack.
inline void run_with_stack(StackRun &run) {
    asm volatile(
        "mov %%esp, %%esi\n\t"
        "and $-16, %%esp\n\t"
        "fnstcw %c[caller_cw](%%edi)\n\t"
        "fldcw %c[cw](%%edi)\n\t"
        "mov %c[count](%%edi), %%ecx\n\t"
        "imul $12, %%ecx, %%edx\n\t"
        "lea %c[in](%%edi,%%edx), %%edx\n\t"
        "test %%ecx, %%ecx\n\t"
        "jz 2f\n"
        "1:\n\t"
        "sub $12, %%edx\n\t"
        "fldt (%%edx)\n\t"
        "dec %%ecx\n\t"
        "jnz 1b\n"
        "2:\n\t"
        "fnstenv %c[env](%%edi)\n\t"
        "mov %c[raise](%%edi), %%ax\n\t"
        "or %%ax, %c[env]+4(%%edi)\n\t"
        "fldenv %c[env](%%edi)\n\t"
        "fnstsw %c[sw_before](%%edi)\n\t"
        "sub $4, %%esp\n\t"
        "pushl %c[args]+8(%%edi)\n\t"
        "pushl %c[args]+4(%%edi)\n\t"
        "pushl %c[args](%%edi)\n\t"
        "call *%c[routine](%%edi)\n\t"
        "add $16, %%esp\n\t"
        "fnstcw %c[cw_after](%%edi)\n\t"
        "fnstsw %c[sw_after](%%edi)\n\t"
        "mov %c[count](%%edi), %%ecx\n\t"
        "add %c[pushes](%%edi), %%ecx\n\t"
        "lea %c[out](%%edi), %%edx\n\t"
        "test %%ecx, %%ecx\n\t"
        "jz 4f\n"
        "3:\n\t"
        "fstpt (%%edx)\n\t"
        "add $12, %%edx\n\t"
        "dec %%ecx\n\t"
        "jnz 3b\n"
        "4:\n\t"
        "fnstenv %c[env](%%edi)\n\t"
        "mov %c[env]+8(%%edi), %%ax\n\t"
        "mov %%ax, %c[tags](%%edi)\n\t"
        "fnclex\n\t"
        "fldcw %c[caller_cw](%%edi)\n\t"
        "mov %%esi, %%esp"
        :
        : "D"(&run), [in] "i"(offsetof(StackRun, in)), [out] "i"(offsetof(StackRun, out)),
          [count] "i"(offsetof(StackRun, count)), [pushes] "i"(offsetof(StackRun, pushes)),
          [args] "i"(offsetof(StackRun, arguments)), [cw] "i"(offsetof(StackRun, control_word)),
          [raise] "i"(offsetof(StackRun, raise_flags)),
          [caller_cw] "i"(offsetof(StackRun, caller_control_word)),
          [sw_before] "i"(offsetof(StackRun, status_before)),
          [cw_after] "i"(offsetof(StackRun, control_after)),
          [sw_after] "i"(offsetof(StackRun, status_after)),
          [tags] "i"(offsetof(StackRun, tags_after_pops)),
          [env] "i"(offsetof(StackRun, environment)), [routine] "i"(offsetof(StackRun, routine))
        : "eax", "ecx", "edx", "esi", "memory", "cc");
}

// Eight distinct values; the first depth of them go on the stack.
inline StackRun stack_run(const void *routine, uint32_t depth, uint32_t pushes = 0) {
    StackRun run{};
    for (uint32_t i = 0; i < depth; ++i) run.in[i] = 1.25L + i;
    run.count = depth;
    run.pushes = pushes;
    run.control_word = 0x037F;
    run.routine = routine;
    return run;
}

inline bool same_bits(long double a, long double b) {
    return std::memcmp(&a, &b, 10) == 0;
}

// The caller's values are found below the routine's result, as many as fit.
inline bool callers_values_kept(const StackRun &run) {
    const uint32_t kept = run.count + run.pushes > 8 ? 8 - run.pushes : run.count;
    for (uint32_t i = 0; i < kept; ++i)
        if (!same_bits(run.in[i], run.out[run.pushes + i])) return false;
    return run.control_after == run.control_word &&
           (((run.status_before >> 11) - run.pushes) & 7) == ((run.status_after >> 11) & 7u) &&
           run.tags_after_pops == 0xFFFF;
}
