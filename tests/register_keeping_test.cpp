// Every public routine called from assembly with a known value in every
// register: afterwards EBX, ECX, EDX, ESI, EDI, EBP and ESP hold what they
// held, and so does EAX unless it carries the routine's result. Each is
// entered with the direction flag set, as a caller that copies backwards
// may leave it, and must still work forwards.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>

#include "con_diag.h"
#include "con_input.h"
#include "con_output.h"
#include "con_real.h"
#include "console_host.h"
#include "console_screen.h"

namespace {

struct EntryCall {
    const void *routine;
    uint32_t arguments[4]; // always all four pushed: cdecl ignores the extra ones
    uint32_t frame;        // EBP for the call: a frame the frame display may read
    uint32_t backwards;    // nonzero: entered with the direction flag set
};

enum Register { EAX, EBX, ECX, EDX, ESI, EDI, EBP, REGISTER_COUNT };
const char *const register_names[REGISTER_COUNT] = {"EAX", "EBX", "ECX", "EDX",
                                                    "ESI", "EDI", "EBP"};
const uint32_t sentinels[REGISTER_COUNT] = {0x11111111, 0x22222222, 0x33333333,
                                            0x44444444, 0x55555555, 0x66666666};

} // namespace

// clang-format off
// call_with_sentinels(call, after): pushes the arguments and a return
// position, loads the sentinels (EBP: call->frame), sets the direction flag
// when asked and enters the routine by ret, so that no register is left
// holding anything of the test's.
// after receives EDI, ESI, EBP, ESP, EBX, EDX, ECX, EAX as pushal stores them.
extern "C" __attribute__((naked)) void call_with_sentinels(const EntryCall *, uint32_t *)
{
    asm("    pushl %ebp\n"
        "    movl %esp, %ebp\n"
        "    pushal\n"
        "    movl 8(%ebp), %esi\n"
        "    pushl %ebp\n"
        "    pushl 16(%esi)\n"
        "    pushl 12(%esi)\n"
        "    pushl 8(%esi)\n"
        "    pushl 4(%esi)\n"
        "    call 1f\n"
        "1:  popl %eax\n"
        "    leal (2f - 1b)(%eax), %eax\n"
        "    pushl %eax\n"
        "    pushl 0(%esi)\n"
        "    cmpl $0, 24(%esi)\n"
        "    je 3f\n"
        "    std\n"
        "3:  movl 20(%esi), %ebp\n"
        "    movl $0x11111111, %eax\n"
        "    movl $0x22222222, %ebx\n"
        "    movl $0x33333333, %ecx\n"
        "    movl $0x44444444, %edx\n"
        "    movl $0x55555555, %esi\n"
        "    movl $0x66666666, %edi\n"
        "    ret\n"
        "2:  pushal\n"
        "    cld\n"
        "    movl 48(%esp), %ebp\n"
        "    movl 12(%ebp), %edi\n"
        "    movl %esp, %esi\n"
        "    movl $8, %ecx\n"
        "    rep movsl\n"
        "    leal 52(%esp), %esp\n"
        "    popal\n"
        "    popl %ebp\n"
        "    ret\n");
}
// clang-format on

namespace {

uint32_t word(const void *pointer) {
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(pointer));
}

struct Row {
    const char *name;
    const void *routine;
    bool eax_is_result;
    // Fills the arguments and queues the input the routine will read.
    std::function<void(uint32_t *arguments)> prepare;
    // The text the routine leaves in text_area, when it writes there.
    const char *leaves = nullptr;
};

// Work areas the rows hand to the routines.
uint32_t frame_area[64];
char text_area[64];
char tail_area[COMMAND_TAIL_SIZE];
uint8_t byte_pair[2];
uint32_t filetime_area[2];
bool valid_flag;
con_file_handle file;
const std::string file_name = "register_keeping_test.tmp";

void no_arguments(uint32_t *) {}
auto values(uint32_t a, uint32_t b = 0, uint32_t c = 0, uint32_t d = 0) {
    return [=](uint32_t *arguments) {
        arguments[0] = a;
        arguments[1] = b;
        arguments[2] = c;
        arguments[3] = d;
    };
}
auto with_text(const char *text, uint32_t second = 0) {
    return [=](uint32_t *arguments) {
        std::strcpy(text_area, text);
        arguments[0] = word(text_area);
        arguments[1] = second;
    };
}
// Keys typed before the call; a line ends with Enter.
auto after_keys(const char *keys, std::function<void(uint32_t *)> then = no_arguments) {
    return [=](uint32_t *arguments) {
        console_screen::type_text(keys, false);
        then(arguments);
    };
}
auto after_line(const char *line, std::function<void(uint32_t *)> then) {
    return [=](uint32_t *arguments) {
        console_screen::type_text(line, true);
        then(arguments);
    };
}

#define ROUTINE(name) #name, reinterpret_cast < const void *>(&name)

const Row rows[] = {
    {ROUTINE(con_write_text), false, with_text("text")},
    {ROUTINE(con_write_char), false, values('c')},
    {ROUTINE(con_newline), false, no_arguments},
    {ROUTINE(text_length), true, with_text("four")},
    {ROUTINE(con_text_length), true, with_text("four")},
    {ROUTINE(con_clear_screen), false, no_arguments},
    {ROUTINE(con_goto), false, values(2, 3)},
    {ROUTINE(con_set_color), false, values(0x1F)},
    {ROUTINE(con_get_color), true, no_arguments},
    {ROUTINE(con_get_buffer_size), false, values(word(&byte_pair[0]), word(&byte_pair[1]))},
    {ROUTINE(con_write_int), false, values(static_cast<uint32_t>(-42))},
    {ROUTINE(con_write_dec), false, values(42)},
    {ROUTINE(con_write_hex), false, values(0xBEEF)},
    {ROUTINE(con_write_hex_sized), false, values(0xBEEF, 2)},
    {ROUTINE(con_write_bin), false, values(5)},
    {ROUTINE(con_write_bin_sized), false, values(5, 1)},
    {ROUTINE(con_poll_key), true, after_keys("k", values(word(text_area)))},
    {ROUTINE(con_read_char), true, after_keys("k")},
    {ROUTINE(con_pause), false, values(1)},
    {ROUTINE(con_flush_input), false, no_arguments},
    {ROUTINE(con_read_line), true, after_line("line", values(word(text_area), 16)), "line"},
    {ROUTINE(con_read_int), true, after_line("-12", values(word(&valid_flag)))},
    {ROUTINE(con_read_dec), true, after_line("12", values(word(&valid_flag)))},
    {ROUTINE(con_read_hex), true, after_line("1F", values(word(&valid_flag)))},
    {ROUTINE(parse_int), true, with_text("-12", 3)},
    {ROUTINE(parse_dec), true, with_text("12", 2)},
    {ROUTINE(con_wait_key), false, after_keys("k")},
    {ROUTINE(get_command_tail), true, values(word(tail_area))},
    // 1.5 as an extended real: significand, then sign and exponent.
    {ROUTINE(con_write_real), false, values(0, 0xC0000000, 0x3FFF)},
    {ROUTINE(con_read_real), false, after_keys("x")},
    {ROUTINE(con_show_fpu_stack), false, no_arguments},
    {ROUTINE(con_dump_memory), false, values(word(frame_area), 8, 1)},
    {ROUTINE(con_dump_registers), false, no_arguments},
    {ROUTINE(con_dump_frame_named), false, values(1, 1, 1, word("frame"))},
    {ROUTINE(con_dump_frame), false, values(1, 1, 1)},
    {ROUTINE(file_create_output), true, with_text(file_name.c_str())},
    {ROUTINE(file_write), true,
     [](uint32_t *arguments) { values(word(file), word("abc"), 3)(arguments); }},
    {ROUTINE(file_close), true, [](uint32_t *arguments) { values(word(file))(arguments); }},
    {ROUTINE(file_open_input), true, with_text(file_name.c_str())},
    {ROUTINE(file_read), true,
     [](uint32_t *arguments) {
         values(word(file), word(tail_area), 3, word(&valid_flag))(arguments);
     }},
    {ROUTINE(con_write_system_error), false, no_arguments},
    {ROUTINE(msg_box_show), false, after_line("", with_text("shown"))},
    {ROUTINE(msg_box_ask), true, after_keys("y", with_text("asked"))},
    {ROUTINE(rng_next32), true, no_arguments},
    {ROUTINE(rng_below), true, values(10)},
    {ROUTINE(rng_seed_from_clock), false, no_arguments},
    {ROUTINE(time_local_filetime), false, values(word(filetime_area))},
    {ROUTINE(time_ms_of_day), true, no_arguments},
    {ROUTINE(text_compare), true, values(word("a"), word("b"))},
    {ROUTINE(text_copy), false, values(word("copied"), word(text_area)), "copied"},
    {ROUTINE(text_trim), false, with_text("trim   ", ' '), "trim"},
    {ROUTINE(text_upper), false, with_text("upper"), "UPPER"},
};

TEST(PublicRoutines, KeepEveryRegisterButTheirResult) {
    console_host_open(80, 25);
    for (const Row &row : rows) {
        EntryCall call{row.routine, {}, word(&frame_area[32]), 1};
        row.prepare(call.arguments);
        uint32_t pushed[8] = {}; // EDI, ESI, EBP, ESP, EBX, EDX, ECX, EAX
        call_with_sentinels(&call, pushed);
        if (std::strcmp(row.name, "file_create_output") == 0 ||
            std::strcmp(row.name, "file_open_input") == 0) {
            file = reinterpret_cast<con_file_handle>(static_cast<uintptr_t>(pushed[7]));
        }
        if (row.leaves) {
            EXPECT_STREQ(text_area, row.leaves) << row.name;
        }
        const uint32_t after[REGISTER_COUNT] = {pushed[7], pushed[4], pushed[6], pushed[5],
                                                pushed[1], pushed[0], pushed[2]};
        for (int r = 0; r < REGISTER_COUNT; ++r) {
            if (r == EAX && row.eax_is_result) continue;
            const uint32_t expected = r == EBP ? call.frame : sentinels[r];
            EXPECT_EQ(after[r], expected) << row.name << " changes " << register_names[r];
        }
    }
    std::remove(file_name.c_str());
}

} // namespace
