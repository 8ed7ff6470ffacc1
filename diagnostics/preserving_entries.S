// The entry points of every public routine (i386, cdecl). Each keeps EBX,
// ECX, EDX, ESI, EDI, EBP and ESP, and EAX unless EAX is its result, for
// callers written in assembly that hold counters and pointers in any
// register across a call. The C bodies (NAME_body) follow plain cdecl, so
// each entry saves what cdecl lets them change, copies the arguments below
// what it saved, calls the body with the direction flag clear, and restores.
//
// Most entries come from the table below; the register dump and the frame
// display are written out at the end, since they must see their caller's
// registers and frame. Only position-independent addressing is used, so the
// code links into PIE and Windows images alike.

// C symbols carry the platform's prefix (an underscore on Windows, none on ELF).
#define CONCAT_(a, b) a##b
#define CONCAT(a, b) CONCAT_(a, b)
#define SYM(name) CONCAT(__USER_LABEL_PREFIX__, name)

// Size of the fnsave image of 32-bit protected mode, and of one extended real.
#define FPU_IMAGE 108
#define REAL_SLOT 12

// pass_arguments saved, count: pushes the caller's count argument dwords
// again, the last first. With saved bytes between the stack pointer and the
// return position, the last argument lies at saved + 4 * count; each push
// moves the next one down to that same offset.
.macro pass_arguments saved, count
    .rept \count
    pushl (\saved + 4 * \count)(%esp)
    .cfi_adjust_cfa_offset 4
    .endr
.endm

// Unwind information describes every push and pop, so that an exception
// thrown below an entry (a test's exit hook) passes through it.
.macro entry_start name
    .p2align 4
    .globl \name
\name:
    .cfi_startproc
.endm

.macro entry_end
    ret
    .cfi_endproc
.endm

.macro save reg
    pushl \reg
    .cfi_adjust_cfa_offset 4
.endm

.macro restore reg
    popl \reg
    .cfi_adjust_cfa_offset -4
.endm

// The body runs with the direction flag clear, as cdecl code expects; the
// flags are not among what the entries keep (except keeps_flags).
.macro call_body body, count
    cld
    call \body
    leal (4 * \count)(%esp), %esp
    .cfi_adjust_cfa_offset -(4 * \count)
.endm

// result_none: returns nothing; EAX, ECX and EDX are kept.
.macro entry_result_none name, body, count
    entry_start \name
    save %eax
    save %ecx
    save %edx
    pass_arguments 12, \count
    call_body \body, \count
    restore %edx
    restore %ecx
    restore %eax
    entry_end
.endm

// result_eax: the result in EAX (AX, AL for narrower ones); ECX and EDX kept.
.macro entry_result_eax name, body, count
    entry_start \name
    save %ecx
    save %edx
    pass_arguments 8, \count
    call_body \body, \count
    restore %edx
    restore %ecx
    entry_end
.endm

// keeps_flags: returns nothing; every register and every flag, the
// direction flag among them, is kept.
.macro entry_keeps_flags name, body, count
    entry_start \name
    pushfl
    .cfi_adjust_cfa_offset 4
    pushal
    .cfi_adjust_cfa_offset 32
    pass_arguments 36, \count
    call_body \body, \count
    popal
    .cfi_adjust_cfa_offset -32
    popfl
    .cfi_adjust_cfa_offset -4
    entry_end
.endm

// The real-number routines need free FPU slots of their own, however many
// the caller holds: fpu_enter saves the caller's whole FPU state (fnsave
// also empties the stack) and loads the caller's control word again, which
// the work mode is built from. fpu_leave adds the exception flags the body
// raised (only masked ones remain: the body dropped the others) to the
// caller's status word and restores everything. EAX is saved by the entry.
.macro fpu_enter
    subl $(FPU_IMAGE + REAL_SLOT), %esp
    .cfi_adjust_cfa_offset (FPU_IMAGE + REAL_SLOT)
    fnsave (%esp)
    fldcw (%esp)
.endm

.macro fpu_leave
    fnstsw %ax
    andw $0x003F, %ax
    orw %ax, 4(%esp)
    frstor (%esp)
.endm

// fpu_none: returns nothing; EAX, ECX, EDX and the caller's FPU state kept,
// except exception flags the work raised.
.macro entry_fpu_none name, body, count
    entry_start \name
    save %eax
    save %ecx
    save %edx
    fpu_enter
    pass_arguments (12 + FPU_IMAGE + REAL_SLOT), \count
    call_body \body, \count
    fpu_leave
    addl $(FPU_IMAGE + REAL_SLOT), %esp
    .cfi_adjust_cfa_offset -(FPU_IMAGE + REAL_SLOT)
    restore %edx
    restore %ecx
    restore %eax
    entry_end
.endm

// fpu_st0: the result pushed onto the caller's FPU stack as its ST(0), as
// the caller's own load would push it; everything else as fpu_none.
.macro entry_fpu_st0 name, body, count
    entry_start \name
    save %eax
    save %ecx
    save %edx
    fpu_enter
    pass_arguments (12 + FPU_IMAGE + REAL_SLOT), \count
    call_body \body, \count
    fstpt FPU_IMAGE(%esp)
    fpu_leave
    fldt FPU_IMAGE(%esp)
    addl $(FPU_IMAGE + REAL_SLOT), %esp
    .cfi_adjust_cfa_offset -(FPU_IMAGE + REAL_SLOT)
    restore %edx
    restore %ecx
    restore %eax
    entry_end
.endm

#define ENTRY(kind, name, argument_dwords) \
    entry_##kind SYM(name), SYM(name##_body), argument_dwords

    .text

// kind               routine               argument dwords
ENTRY(result_none,    con_write_text,       1)
ENTRY(result_none,    con_write_char,       1)
ENTRY(result_none,    con_newline,          0)
ENTRY(result_eax,     text_length,          1)
ENTRY(result_eax,     con_text_length,      1)
ENTRY(result_none,    con_clear_screen,     0)
ENTRY(result_none,    con_goto,             2)
ENTRY(result_none,    con_set_color,        1)
ENTRY(result_eax,     con_get_color,        0)
ENTRY(result_none,    con_get_buffer_size,  2)
ENTRY(result_none,    con_write_int,        1)
ENTRY(result_none,    con_write_dec,        1)
ENTRY(result_none,    con_write_hex,        1)
ENTRY(result_none,    con_write_hex_sized,  2)
ENTRY(result_none,    con_write_bin,        1)
ENTRY(result_none,    con_write_bin_sized,  2)

ENTRY(result_eax,     con_poll_key,         1)
ENTRY(result_eax,     con_read_char,        0)
ENTRY(result_none,    con_pause,            1)
ENTRY(result_none,    con_flush_input,      0)
ENTRY(result_eax,     con_read_line,        2)
ENTRY(result_eax,     con_read_int,         1)
ENTRY(result_eax,     con_read_dec,         1)
ENTRY(result_eax,     con_read_hex,         1)
ENTRY(result_eax,     parse_int,            3)
ENTRY(result_eax,     parse_dec,            3)
ENTRY(result_none,    con_wait_key,         0)
ENTRY(result_eax,     get_command_tail,     1)

ENTRY(fpu_none,       con_write_real,       3)
ENTRY(fpu_st0,        con_read_real,        0)
// Reads the caller's FPU stack itself, so it saves and restores it itself.
ENTRY(result_none,    con_show_fpu_stack,   0)

ENTRY(keeps_flags,    con_dump_memory,      3)
ENTRY(result_eax,     file_create_output,   1)
ENTRY(result_eax,     file_open_input,      1)
ENTRY(result_eax,     file_close,           1)
ENTRY(result_eax,     file_read,            4)
ENTRY(result_eax,     file_write,           3)
ENTRY(result_none,    con_write_system_error, 0)
ENTRY(result_none,    msg_box_show,         2)
ENTRY(result_eax,     msg_box_ask,          2)
ENTRY(result_eax,     rng_next32,           0)
ENTRY(result_eax,     rng_below,            1)
ENTRY(result_none,    rng_seed_from_clock,  0)
ENTRY(result_none,    time_local_filetime,  1)
ENTRY(result_eax,     time_ms_of_day,       0)
ENTRY(result_eax,     text_compare,         2)
ENTRY(result_none,    text_copy,            2)
ENTRY(keeps_flags,    text_trim,            2)
ENTRY(result_none,    text_upper,           1)

    .globl SYM(caller_frame_marker)
    // A constant text, kept beside the code so that it is reached by a
    // PC-relative offset.
SYM(caller_frame_marker):
    .byte 1, 0

// con_dump_registers: the flags are pushed first, before any instruction
// can change them; pushal then stores EAX..EDI, its ESP slot being ignored.
// The C routine gets the address of the saved block; it runs with the
// direction flag clear and a 16-byte aligned stack, as the ABI wants.
    .p2align 4
    .globl SYM(con_dump_registers)
SYM(con_dump_registers):
    pushfl
    pushal
    cld
    movl %esp, %ebx
    andl $-16, %esp
    subl $12, %esp
    pushl %ebx
    call SYM(write_register_dump)
    movl %ebx, %esp
    popal
    popfl
    ret

// con_dump_frame_named(param_count, local_count, saved_count, name): the
// saved frame pointer at 0(%ebp) is the caller's frame base; 24(%ebp) is
// the address just above the four arguments.
    .p2align 4
    .globl SYM(con_dump_frame_named)
SYM(con_dump_frame_named):
    pushl %ebp
    movl %esp, %ebp
    pushfl
    pushal
    cld
    movl %esp, %ebx
    andl $-16, %esp
    subl $8, %esp
    leal 24(%ebp), %eax
    pushl %eax
    pushl 0(%ebp)
    pushl 20(%ebp)
    pushl 16(%ebp)
    pushl 12(%ebp)
    pushl 8(%ebp)
    call SYM(write_frame_dump)
    movl %ebx, %esp
    popal
    popfl
    popl %ebp
    ret

// con_dump_frame(param_count, local_count, saved_count): forwards with
// caller_frame_marker. Its frame is exactly a saved frame pointer with the
// four arguments right below it, which is what the named routine's
// validity check counts on; the marker's address is put in place through
// EAX, which is given back before the call.
    .p2align 4
    .globl SYM(con_dump_frame)
SYM(con_dump_frame):
    pushl %ebp
    movl %esp, %ebp
    pushl %eax
    call 1f
1:  popl %eax
    leal (SYM(caller_frame_marker) - 1b)(%eax), %eax
    xchgl %eax, (%esp)
    pushl 16(%ebp)
    pushl 12(%ebp)
    pushl 8(%ebp)
    call SYM(con_dump_frame_named)
    leal 16(%esp), %esp     // lea, unlike add, leaves the flags alone
    popl %ebp
    ret
