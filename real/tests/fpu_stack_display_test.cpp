// The FPU stack display with values pushed by hand: the listing from the top
// down, NaNs and empty slots left out, and afterwards the same values popped
// in the same order, the same top and control word, no exception flags.
#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "con_real.h"
#include "console_host.h"
#include "console_screen.h"

namespace {

using console_screen::row_text;

enum : uint16_t {
    STATUS_EXCEPTION_BITS = 0x80FF,
    STATUS_TOP_BITS = 0x3800,
    PRECISION_FLAG = 0x0020,
};

struct StackRun {
    long double in[8]; // in[0] ends on top
    long double out[8];
    uint32_t count;
    uint16_t control_word; // loaded before the values are pushed
    uint16_t raise_flags;  // exception flags set before the call
    uint16_t caller_control_word;
    uint16_t status_before;
    uint16_t control_after;
    uint16_t status_after;
    uint16_t tags_after_pops;
    unsigned char environment[28];
    void (*show)(void);
};

// One asm statement from the first push to the last pop, so the compiler
// never sees the stack in between. The stack pointer is aligned for the call.
void run_with_stack(StackRun &run) {
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
        "call *%c[show](%%edi)\n\t"
        "fnstcw %c[cw_after](%%edi)\n\t"
        "fnstsw %c[sw_after](%%edi)\n\t"
        "mov %c[count](%%edi), %%ecx\n\t"
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
          [count] "i"(offsetof(StackRun, count)), [cw] "i"(offsetof(StackRun, control_word)),
          [raise] "i"(offsetof(StackRun, raise_flags)),
          [caller_cw] "i"(offsetof(StackRun, caller_control_word)),
          [sw_before] "i"(offsetof(StackRun, status_before)),
          [cw_after] "i"(offsetof(StackRun, control_after)),
          [sw_after] "i"(offsetof(StackRun, status_after)),
          [tags] "i"(offsetof(StackRun, tags_after_pops)),
          [env] "i"(offsetof(StackRun, environment)), [show] "i"(offsetof(StackRun, show))
        : "eax", "ecx", "edx", "esi", "memory", "cc");
}

StackRun shown(const std::vector<long double> &values, uint16_t control_word = 0x037F,
               uint16_t raise_flags = PRECISION_FLAG) {
    StackRun run{};
    for (size_t i = 0; i < values.size(); ++i) run.in[i] = values[i];
    run.count = static_cast<uint32_t>(values.size());
    run.control_word = control_word;
    run.raise_flags = raise_flags;
    run.show = con_show_fpu_stack;
    console_host_open(80, 25);
    run_with_stack(run);
    return run;
}

void expect_state_kept(const StackRun &run) {
    for (uint32_t i = 0; i < run.count; ++i) {
        EXPECT_EQ(std::memcmp(&run.in[i], &run.out[i], 10), 0) << "slot " << i;
    }
    EXPECT_EQ(run.control_after, run.control_word);
    EXPECT_EQ(run.status_after & STATUS_TOP_BITS, run.status_before & STATUS_TOP_BITS);
    EXPECT_EQ(run.status_after & STATUS_EXCEPTION_BITS, 0);
    EXPECT_EQ(run.tags_after_pops, 0xFFFF) << "the stack is empty after popping as many";
}

std::vector<std::string> listing(int lines) {
    std::vector<std::string> rows;
    for (int row = 2; row < 2 + lines; ++row) rows.push_back(row_text(row));
    return rows;
}

TEST(FpuStackDisplay, EmptyStackShowsTheHeadingAlone) {
    const StackRun run = shown({});
    EXPECT_EQ(row_text(0), "");
    EXPECT_EQ(row_text(1), "------ FPU Stack ------");
    EXPECT_EQ(row_text(2), "");
    EXPECT_EQ(console_screen::cursor().Y, 2);
    EXPECT_EQ(console_screen::cursor().X, 0);
    expect_state_kept(run);
}

TEST(FpuStackDisplay, ThreeValuesFromTheTopDown) {
    const StackRun run = shown({1.5, 3.5, -2.25});
    EXPECT_EQ(row_text(1), "------ FPU Stack ------");
    EXPECT_EQ(listing(4),
              (std::vector<std::string>{"ST(0): +1.5000000E+000", "ST(1): +3.5000000E+000",
                                        "ST(2): -2.2500000E+000", ""}));
    expect_state_kept(run);
}

TEST(FpuStackDisplay, NaNLeavesAGapInTheNumbering) {
    const StackRun run = shown({1.5, std::nanl(""), 3.5});
    EXPECT_EQ(listing(3),
              (std::vector<std::string>{"ST(0): +1.5000000E+000", "ST(2): +3.5000000E+000", ""}));
    expect_state_kept(run);
}

// A full stack: the display may not push a single value of its own while
// the caller's eight are in place.
TEST(FpuStackDisplay, EightValuesFillTheStack) {
    const StackRun run =
        shown({10.0, -0.001, -std::nanl("0x55"), HUGE_VALL, -0.0L, 1e300, -1e-4000L, 2.0 / 3.0});
    EXPECT_EQ(listing(8), (std::vector<std::string>{
                              "ST(0): +1.0000000E+001", "ST(1): -1.0000000E-003", "ST(3): +\xEC",
                              "ST(4): +0.0000000E+000", "ST(5): +1.0000000E+300",
                              "ST(6): -1.0000000E-4000", "ST(7): +6.6666666E-001", ""}));
    expect_state_kept(run);
}

// Unusual precision and rounding, and one exception unmasked: the caller's
// word comes back, and no pending flag is left to fault on.
TEST(FpuStackDisplay, CallersControlWordComesBack) {
    const StackRun rounding = shown({2.0 / 3.0, 0.3}, 0x087F);
    EXPECT_EQ(listing(2),
              (std::vector<std::string>{"ST(0): +6.6666666E-001", "ST(1): +3.0000000E-001"}));
    expect_state_kept(rounding);
    const StackRun unmasked = shown({1.5}, 0x0C5F, 0);
    EXPECT_EQ(row_text(2), "ST(0): +1.5000000E+000");
    expect_state_kept(unmasked);
}

} // namespace
