// Test support for the routines that keep every register and flag of their
// caller: naked fixtures load known values, make the call, and store what
// the registers and flags hold after it.
#pragma once

#define STRINGIFY_(x) #x
#define STRINGIFY(x) STRINGIFY_(x)
// C symbols carry the platform's prefix (an underscore on Windows, none on ELF).
#define SYMBOL(name) STRINGIFY(__USER_LABEL_PREFIX__) #name

// clang-format off

// Opens a fixture's frame, saves the test's registers and loads the flags
// word given and EAX..EDI = 0x11111111..0x66666666.
#define KEEPING_PROLOGUE(flags)           \
    "    pushl %ebp\n"                    \
    "    movl %esp, %ebp\n"               \
    "    pushal\n"                        \
    "    pushl $" #flags "\n"             \
    "    popfl\n"                         \
    "    movl $0x11111111, %eax\n"        \
    "    movl $0x22222222, %ebx\n"        \
    "    movl $0x33333333, %ecx\n"        \
    "    movl $0x44444444, %edx\n"        \
    "    movl $0x55555555, %esi\n"        \
    "    movl $0x66666666, %edi\n"

// Stores EAX, EBX, ECX, EDX, ESI, EDI and the flags, in that order, at the
// fixture's first argument, gives the test its registers back and returns.
// (Callers pop their arguments with lea, which unlike add keeps the flags.)
#define KEEPING_EPILOGUE                  \
    "    pushfl\n"                        \
    "    cld\n"                           \
    "    pushl %edi\n"                    \
    "    movl 8(%ebp), %edi\n"            \
    "    movl %eax, 0(%edi)\n"            \
    "    movl %ebx, 4(%edi)\n"            \
    "    movl %ecx, 8(%edi)\n"            \
    "    movl %edx, 12(%edi)\n"           \
    "    movl %esi, 16(%edi)\n"           \
    "    popl 20(%edi)\n"                 \
    "    popl 24(%edi)\n"                 \
    "    popal\n"                         \
    "    popl %ebp\n"                     \
    "    ret\n"

// clang-format on
