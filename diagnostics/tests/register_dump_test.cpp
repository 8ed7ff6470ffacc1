// The register dump against values loaded into the registers and flags by
// assembly, and the registers and flags found after it.
#include <gtest/gtest.h>

#include "con_diag.h"
#include "marked_screen.h"
#include "register_fixture.h"

namespace {

struct RegisterSet {
    uint32_t eax, ebx, ecx, edx, esi, edi, ebp, eflags;
};

struct DumpRun {
    RegisterSet after;
    uint32_t stack_position;  // the stack pointer at the call
    uint32_t return_position; // the address of the instruction after the call
};

} // namespace

// Saves the test's registers, loads every register and the flags from
// *load, calls con_dump_registers, stores what the registers and flags
// hold right after it, and gives the test its registers back.
// clang-format off
extern "C" __attribute__((naked)) void run_register_dump(const RegisterSet *, DumpRun *)
{
    asm("    pushfl\n"
        "    pushal\n"
        "    movl 40(%esp), %esi\n"
        "    movl 44(%esp), %edi\n"
        "    pushl %edi\n"
        "    movl %esp, 32(%edi)\n"
        "    pushl 28(%esi)\n"
        "    popfl\n"
        "    movl 0(%esi), %eax\n"
        "    movl 4(%esi), %ebx\n"
        "    movl 8(%esi), %ecx\n"
        "    movl 12(%esi), %edx\n"
        "    movl 24(%esi), %ebp\n"
        "    movl 20(%esi), %edi\n"
        "    movl 16(%esi), %esi\n"
        "    call " SYMBOL(con_dump_registers) "\n"
        "1:  pushfl\n"
        "    pushl %edi\n"
        "    movl 8(%esp), %edi\n"
        "    movl %eax, 0(%edi)\n"
        "    movl %ebx, 4(%edi)\n"
        "    movl %ecx, 8(%edi)\n"
        "    movl %edx, 12(%edi)\n"
        "    movl %esi, 16(%edi)\n"
        "    popl 20(%edi)\n"
        "    movl %ebp, 24(%edi)\n"
        "    popl 28(%edi)\n"
        "    call 2f\n"
        "2:  popl %eax\n"
        "    subl $(2b - 1b), %eax\n"
        "    movl %eax, 36(%edi)\n"
        "    addl $4, %esp\n"
        "    popal\n"
        "    popfl\n"
        "    ret\n");
}
// clang-format on

namespace {

using marked_screen::hex8;

const uint32_t CF = 1u << 0, PF = 1u << 2, AF = 1u << 4, ZF = 1u << 6, SF = 1u << 7, OF = 1u << 11;
// Bit 1 always reads 1; user code cannot clear the interrupt flag.
const uint32_t ALWAYS_SET = 0x0002 | 0x0200;

std::string flag_text(uint32_t flags) {
    std::string text;
    const std::pair<const char *, uint32_t> order[] = {{"CF", CF}, {"SF", SF}, {"ZF", ZF},
                                                       {"OF", OF}, {"AF", AF}, {"PF", PF}};
    for (const auto &[name, bit] : order)
        text += std::string("  ") + name + "=" + ((flags & bit) ? "1" : "0");
    return text;
}

std::vector<std::string> expected_dump(const RegisterSet &r, const DumpRun &run, uint32_t flags) {
    return {
        "",
        "  EAX=" + hex8(r.eax) + "  EBX=" + hex8(r.ebx) + "  ECX=" + hex8(r.ecx) +
            "  EDX=" + hex8(r.edx),
        "  ESI=" + hex8(r.esi) + "  EDI=" + hex8(r.edi) + "  EBP=" + hex8(r.ebp) +
            "  ESP=" + hex8(run.stack_position),
        "  EIP=" + hex8(run.return_position) + "  EFL=" + hex8(flags) + flag_text(flags),
        "",
        "",
    };
}

void expect_same_registers(const RegisterSet &before, const RegisterSet &after) {
    EXPECT_EQ(after.eax, before.eax);
    EXPECT_EQ(after.ebx, before.ebx);
    EXPECT_EQ(after.ecx, before.ecx);
    EXPECT_EQ(after.edx, before.edx);
    EXPECT_EQ(after.esi, before.esi);
    EXPECT_EQ(after.edi, before.edi);
    EXPECT_EQ(after.ebp, before.ebp);
}

TEST(RegisterDump, ShowsAndKeepsEveryRegisterAndFlag) {
    const RegisterSet loads[] = {
        {0x11111111, 0x22222222, 0x33333333, 0x44444444, 0x55555555, 0x66666666, 0x77777777,
         CF | PF | AF | ZF | SF | OF},
        {0xFFFFFFFF, 0x00000000, 0x80000001, 0x0000ABCD, 0xDEADBEEF, 0x01234567, 0x89ABCDEF, 0},
        {0xA5A5A5A5, 0x5A5A5A5A, 0, 1, 2, 3, 4, CF | ZF},
        {1, 2, 3, 4, 5, 6, 7, SF | OF | PF},
        {8, 9, 10, 11, 12, 13, 14, AF},
    };
    for (const RegisterSet &load : loads) {
        marked_screen::open();
        DumpRun run{};
        run_register_dump(&load, &run);
        uint32_t flags = load.eflags | ALWAYS_SET;
        EXPECT_EQ(marked_screen::lines(), expected_dump(load, run, flags)) << hex8(load.eflags);
        expect_same_registers(load, run.after);
        // A conditional jump after the call decides as it would without it.
        EXPECT_EQ(run.after.eflags, flags);
    }
}

TEST(RegisterDump, WorksWithTheDirectionFlagSet) {
    // The dump's own code needs the direction flag clear; the caller's comes back.
    const uint32_t DF = 1u << 10;
    RegisterSet load{1, 2, 3, 4, 5, 6, 7, DF | CF};
    marked_screen::open();
    DumpRun run{};
    run_register_dump(&load, &run);
    EXPECT_EQ(run.after.eflags, DF | CF | ALWAYS_SET);
    EXPECT_EQ(marked_screen::lines()[3].substr(0, 28),
              "  EIP=" + hex8(run.return_position) + "  EFL=" + hex8(DF | CF | ALWAYS_SET));
}

} // namespace
