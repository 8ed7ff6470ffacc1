// The stack-frame display on frames built by assembly, so that every word of
// them is known: both layouts, the invalid frame, and con_dump_frame showing
// its caller's frame exactly as a direct named call does.
#include <gtest/gtest.h>

#include "con_diag.h"
#include "marked_screen.h"
#include "register_fixture.h"

namespace {

// What the shown routine saw of its own frame.
struct FrameSeen {
    uint32_t base;
    uint32_t saved_ebp;
    uint32_t return_position;
};

} // namespace

// clang-format off

// Frame pointer first: two locals, one saved register; dumps itself through
// con_dump_frame (p, l, r) and then con_dump_frame_named (p, l, r, name).
extern "C" __attribute__((naked)) void
frame_pointer_first(uint32_t, uint32_t, uint32_t, FrameSeen *, const char *)
{
    asm("    pushl %ebp\n"
        "    movl %esp, %ebp\n"
        "    subl $8, %esp\n"
        "    movl $0x10CA1001, -4(%ebp)\n"
        "    movl $0x10CA1002, -8(%ebp)\n"
        "    pushl $0x5AFE0003\n"
        "    movl 20(%ebp), %eax\n"
        "    movl %ebp, 0(%eax)\n"
        "    movl 0(%ebp), %ecx\n"
        "    movl %ecx, 4(%eax)\n"
        "    movl 4(%ebp), %ecx\n"
        "    movl %ecx, 8(%eax)\n"
        "    pushl 16(%ebp)\n"
        "    pushl 12(%ebp)\n"
        "    pushl 8(%ebp)\n"
        "    call " SYMBOL(con_dump_frame) "\n"
        "    addl $12, %esp\n"
        "    pushl 24(%ebp)\n"
        "    pushl 16(%ebp)\n"
        "    pushl 12(%ebp)\n"
        "    pushl 8(%ebp)\n"
        "    call " SYMBOL(con_dump_frame_named) "\n"
        "    addl $16, %esp\n"
        "    leave\n"
        "    ret\n");
}

// Two registers pushed before the frame pointer, no parameters or locals;
// with extra nonzero, one more word is pushed below the saved frame pointer.
extern "C" __attribute__((naked)) void registers_first(FrameSeen *, const char *, uint32_t)
{
    asm("    pushl $0x5AFE0001\n"
        "    pushl $0x5AFE0002\n"
        "    pushl %ebp\n"
        "    movl %esp, %ebp\n"
        "    movl 16(%ebp), %eax\n"
        "    movl %ebp, 0(%eax)\n"
        "    movl 0(%ebp), %ecx\n"
        "    movl %ecx, 4(%eax)\n"
        "    movl 12(%ebp), %ecx\n"
        "    movl %ecx, 8(%eax)\n"
        "    cmpl $0, 24(%ebp)\n"
        "    je 1f\n"
        "    pushl $0\n"
        "1:  pushl $2\n"
        "    pushl $0\n"
        "    pushl $0\n"
        "    call " SYMBOL(con_dump_frame) "\n"
        "    addl $12, %esp\n"
        "    pushl 20(%ebp)\n"
        "    pushl $2\n"
        "    pushl $0\n"
        "    pushl $0\n"
        "    call " SYMBOL(con_dump_frame_named) "\n"
        "    addl $16, %esp\n"
        "    movl %ebp, %esp\n"
        "    popl %ebp\n"
        "    addl $8, %esp\n"
        "    ret\n");
}

// Loads known values into the registers and flags, dumps its frame through
// both entry points and stores what the registers and flags hold after:
// EAX, EBX, ECX, EDX, ESI, EDI, flags. (lea, unlike add, leaves the flags.)
extern "C" __attribute__((naked)) void frame_dump_keeping(uint32_t *, const char *)
{
    asm(KEEPING_PROLOGUE(0x8D7)
        "    pushl $0\n"
        "    pushl $0\n"
        "    pushl $0\n"
        "    call " SYMBOL(con_dump_frame) "\n"
        "    leal 12(%esp), %esp\n"
        "    pushl 12(%ebp)\n"
        "    pushl $0\n"
        "    pushl $0\n"
        "    pushl $0\n"
        "    call " SYMBOL(con_dump_frame_named) "\n"
        "    leal 16(%esp), %esp\n"
        KEEPING_EPILOGUE);
}

// clang-format on

namespace {

using Lines = std::vector<std::string>;
using marked_screen::hex8;

std::string displacement_text(int32_t displacement) {
    return (displacement < 0 ? "-" : "+") +
           std::to_string(displacement < 0 ? -displacement : displacement);
}

struct Slot {
    int32_t displacement;
    uint32_t word;
    const char *label;
};

// One dump as the screen shows it: heading, empty line, the slots, the
// stack-top mark on the last, and the empty line its own break leaves.
Lines dump_block(const std::string &heading, const std::vector<Slot> &slots) {
    Lines lines = {heading, ""};
    for (const Slot &slot : slots)
        lines.push_back(hex8(slot.word) + "  ebp" + displacement_text(slot.displacement) +
                        slot.label);
    lines.back() += " <--- esp";
    lines.push_back("");
    return lines;
}

std::string heading_for(const char *name) {
    return name[0] == '\0' ? "Stack Frame " : std::string("Stack Frame for ") + name;
}

// The words of frame_pointer_first's frame, by displacement.
uint32_t frame_pointer_first_word(int32_t displacement, const uint32_t arguments[5],
                                  const FrameSeen &seen) {
    switch (displacement) {
    case 4: return seen.return_position;
    case 0: return seen.saved_ebp;
    case -4: return 0x10CA1001;
    case -8: return 0x10CA1002;
    case -12: return 0x5AFE0003;
    default: return arguments[(displacement - 8) / 4];
    }
}

std::vector<Slot> frame_pointer_first_slots(uint32_t p, uint32_t l, uint32_t r,
                                            const uint32_t arguments[5], const FrameSeen &seen) {
    std::vector<Slot> slots;
    auto add = [&](int32_t d, const char *label) {
        slots.push_back({d, frame_pointer_first_word(d, arguments, seen), label});
    };
    for (int32_t d = 4 * static_cast<int32_t>(p + 1); d >= 8; d -= 4) add(d, " (parameter)");
    add(4, " (return address)");
    add(0, " (saved ebp) <--- ebp");
    for (uint32_t i = 1; i <= l; ++i) add(-4 * static_cast<int32_t>(i), " (local variable)");
    for (uint32_t i = l + 1; i <= l + r; ++i)
        add(-4 * static_cast<int32_t>(i), " (saved register)");
    return slots;
}

Lines concatenated(Lines first, const Lines &second) {
    first.insert(first.end(), second.begin(), second.end());
    first.push_back(""); // the cursor's row
    return first;
}

struct Counts {
    uint32_t p, l, r;
    size_t frame_lines;
};

TEST(FrameDump, FramePointerFirstLayout) {
    const Counts cases[] = {
        {2, 1, 1, 6}, // parameters, a local and a saved register
        {0, 0, 0, 2}, // return address and saved frame pointer only
        {1, 0, 0, 3}, // no check: the words below the frame pointer do not matter
        {0, 2, 0, 4}, {0, 1, 1, 4}, {5, 2, 1, 10},
    };
    const char *name = "Compute";
    for (const Counts &c : cases) {
        marked_screen::open();
        FrameSeen seen{};
        frame_pointer_first(c.p, c.l, c.r, &seen, name);
        uint32_t arguments[5] = {c.p, c.l, c.r,
                                 static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&seen)),
                                 static_cast<uint32_t>(reinterpret_cast<uintptr_t>(name))};
        std::vector<Slot> slots = frame_pointer_first_slots(c.p, c.l, c.r, arguments, seen);
        ASSERT_EQ(slots.size(), c.frame_lines);
        Lines expected =
            concatenated(dump_block("Stack Frame ", slots), dump_block(heading_for(name), slots));
        EXPECT_EQ(marked_screen::lines(), expected) << c.p << " " << c.l << " " << c.r;
    }
}

TEST(FrameDump, ForwardedDumpEqualsDirectCallWithEmptyName) {
    marked_screen::open();
    FrameSeen seen{};
    frame_pointer_first(2, 1, 1, &seen, "");
    Lines lines = marked_screen::lines();
    ASSERT_EQ(lines.size(), 19u);
    // Two blocks of 9 rows, then the cursor's row.
    Lines forwarded(lines.begin(), lines.begin() + 9);
    Lines direct(lines.begin() + 9, lines.begin() + 18);
    EXPECT_EQ(forwarded, direct);
    EXPECT_EQ(forwarded[0], "Stack Frame ");
}

TEST(FrameDump, RegistersFirstLayout) {
    for (const char *name : {"Sum", ""}) {
        marked_screen::open();
        FrameSeen seen{};
        registers_first(&seen, name, 0);
        std::vector<Slot> slots = {{12, seen.return_position, " (return address)"},
                                   {8, 0x5AFE0001, " (saved register)"},
                                   {4, 0x5AFE0002, " (saved register)"},
                                   {0, seen.saved_ebp, " (saved ebp) <--- ebp"}};
        EXPECT_EQ(marked_screen::lines(), concatenated(dump_block("Stack Frame ", slots),
                                                       dump_block(heading_for(name), slots)));
    }
}

TEST(FrameDump, RegistersFirstWithAWordBelowTheFramePointerIsInvalid) {
    marked_screen::open();
    FrameSeen seen{};
    registers_first(&seen, "Sum", 1);
    EXPECT_EQ(marked_screen::lines(),
              (Lines{"Stack Frame ", "", "The stack frame is invalid", "Stack Frame for Sum", "",
                     "The stack frame is invalid", ""}));
}

TEST(FrameDump, BothEntriesKeepEveryRegisterAndFlag) {
    marked_screen::open();
    uint32_t after[7] = {};
    frame_dump_keeping(after, "Keep");
    const uint32_t expected[7] = {0x11111111, 0x22222222, 0x33333333,   0x44444444,
                                  0x55555555, 0x66666666, 0x8D7 | 0x200};
    for (int i = 0; i < 7; ++i) EXPECT_EQ(after[i], expected[i]) << "register " << i;
    Lines lines = marked_screen::lines();
    ASSERT_EQ(lines.size(), 11u);
    EXPECT_EQ(lines[0], "Stack Frame ");
    EXPECT_EQ(lines[5], "Stack Frame for Keep");
}

} // namespace
