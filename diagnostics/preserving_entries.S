// Entry points that keep every register and flag of their caller (i386,
// cdecl): con_dump_registers, which must see its caller's own registers,
// con_dump_frame_named and con_dump_frame, which must see its frame,
// con_dump_memory, and text_trim.
// Each saves every register and the flags before anything else, hands a
// pointer to what it saved to a C routine, and restores all of it, so the
// caller carries on as if nothing had happened. Only position-independent
// addressing is used, so the code links into PIE and Windows images alike.

// C symbols carry the platform's prefix (an underscore on Windows, none on ELF).
#define CONCAT_(a, b) a##b
#define CONCAT(a, b) CONCAT_(a, b)
#define SYM(name) CONCAT(__USER_LABEL_PREFIX__, name)

    .text

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

// con_dump_memory(start, count, unit_size): the same saving around the C
// routine; the arguments lie 40, 44 and 48 bytes above the saved block.
    .p2align 4
    .globl SYM(con_dump_memory)
SYM(con_dump_memory):
    pushfl
    pushal
    cld
    movl %esp, %ebx
    andl $-16, %esp
    subl $4, %esp
    pushl 48(%ebx)
    pushl 44(%ebx)
    pushl 40(%ebx)
    call SYM(write_memory_dump)
    movl %ebx, %esp
    popal
    popfl
    ret

// text_trim(text, character): its caller's flags, the direction flag among
// them, and every register come back as they were.
    .p2align 4
    .globl SYM(text_trim)
SYM(text_trim):
    pushfl
    pushal
    cld
    movl %esp, %ebx
    andl $-16, %esp
    subl $8, %esp
    pushl 44(%ebx)
    pushl 40(%ebx)
    call SYM(trim_trailing)
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
