// The FPU stack display with values pushed by hand: the listing from the top
// down, NaNs and empty slots left out, and afterwards the same values popped
// in the same order, the same top and control word, no exception flags.
// All three real-number routines keep a caller's stack of any depth.
#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "con_real.h"
#include "console_host.h"
#include "console_screen.h"
#include "fpu_stack_run.h"

namespace {

using console_screen::row_text;

enum : uint16_t {
    STATUS_EXCEPTION_BITS = 0x80FF,
    STATUS_TOP_BITS = 0x3800,
    PRECISION_FLAG = 0x0020,
};

StackRun shown(const std::vector<long double> &values, uint16_t control_word = 0x037F,
               uint16_t raise_flags = PRECISION_FLAG) {
    StackRun run{};
    for (size_t i = 0; i < values.size(); ++i) run.in[i] = values[i];
    run.count = static_cast<uint32_t>(values.size());
    run.control_word = control_word;
    run.raise_flags = raise_flags;
    run.routine = reinterpret_cast<const void *>(&con_show_fpu_stack);
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

// qemu's x87 does not model a push onto a full stack: it raises no stack
// fault and leaves no indefinite value, so that one case is the hardware's.
bool under_emulator() {
    const char *emulator = std::getenv("CONRT_I386_EMULATOR");
    return emulator != nullptr && *emulator != '\0';
}

// 1.5 as an extended real in three argument dwords: significand, then sign
// and exponent.
constexpr uint32_t ONE_AND_A_HALF[3] = {0, 0xC0000000, 0x3FFF};

// Every depth from empty to full, for the display, the output and the input
// (whose result goes on top: on a full stack that push overflows, as the
// caller's own load would, and the bottom value gives way to the indefinite).
TEST(RealRoutines, KeepTheCallersStackAtEveryDepth) {
    for (uint32_t depth = 0; depth <= 8; ++depth) {
        console_host_open(80, 25);
        StackRun display = stack_run(reinterpret_cast<const void *>(&con_show_fpu_stack), depth);
        run_with_stack(display);
        EXPECT_TRUE(callers_values_kept(display)) << "display at depth " << depth;

        console_host_open(80, 25);
        StackRun output = stack_run(reinterpret_cast<const void *>(&con_write_real), depth);
        std::memcpy(output.arguments, ONE_AND_A_HALF, sizeof ONE_AND_A_HALF);
        run_with_stack(output);
        EXPECT_TRUE(callers_values_kept(output)) << "output at depth " << depth;
        EXPECT_EQ(row_text(0), "+1.5000000E+000");

        console_host_open(80, 25);
        console_screen::type_text("x", false);
        StackRun input = stack_run(reinterpret_cast<const void *>(&con_read_real), depth, 1);
        run_with_stack(input);
        EXPECT_TRUE(callers_values_kept(input)) << "input at depth " << depth;
        if (depth < 8) {
            EXPECT_TRUE(same_bits(input.out[0], 0.0L)) << "input at depth " << depth;
        } else if (!under_emulator()) {
            EXPECT_TRUE(std::isnan(input.out[0]));
            EXPECT_EQ(input.status_after & 0x41, 0x41) << "stack fault and invalid operation";
        }
    }
}

} // namespace
