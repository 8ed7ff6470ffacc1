// A 32-bit x86 program on the console runtime, in GNU assembler: a text, a
// signed number, then the registers dumped with known values in them.
// Every call is cdecl: arguments pushed right to left, removed by the caller,
// and the stack 16-byte aligned at each call, as the i386 ABI asks.

// C symbols carry the platform's prefix (an underscore on Windows, none on ELF).
#define CONCAT_(a, b) a##b
#define CONCAT(a, b) CONCAT_(a, b)
#define SYM(name) CONCAT(__USER_LABEL_PREFIX__, name)

    .text

// The texts sit beside the code, reached by a PC-relative offset, so the
// program links as a position-independent executable too.
greeting:
    .asciz "Hello from assembly: "
farewell:
    .asciz "Done."

    .globl SYM(main)
SYM(main):
    pushl %ebp
    movl %esp, %ebp
    pushl %ebx
    subl $4, %esp                   // aligned: return, EBP, EBX and these 4 bytes

    call 1f
1:  popl %ebx                       // EBX: the address of label 1

    leal (greeting - 1b)(%ebx), %eax
    subl $12, %esp
    pushl %eax
    call SYM(con_write_text)
    addl $16, %esp

    subl $12, %esp
    pushl $12345
    call SYM(con_write_int)
    addl $16, %esp
    call SYM(con_newline)

    movl $0x12345678, %eax
    movl $0x9ABCDEF0, %ecx
    movl $0x0BADF00D, %edx
    call SYM(con_dump_registers)

    leal (farewell - 1b)(%ebx), %eax
    subl $12, %esp
    pushl %eax
    call SYM(con_write_text)
    addl $16, %esp
    call SYM(con_newline)

    xorl %eax, %eax                 // exit status 0
    addl $4, %esp
    popl %ebx
    popl %ebp
    ret
