; A 32-bit x86 program on the console runtime in NASM: a text, a signed
; number, a real, a key read and the registers dumped with known values in
; them. The same source assembles for Linux (nasm -f elf32) and Windows
; (nasm -f win32); conrt.inc gives the names their platform's form.
; Every call is cdecl: arguments pushed right to left, removed by the caller.
; The runtime keeps EBX, ECX, EDX, ESI, EDI and EBP; EAX carries results.

%include "conrt.inc"

section .data
greeting:   db "Hello from NASM: ", 0
real_label: db "A real: ", 0
key_prompt: db "Press a key: ", 0
key_label:  db "Key code: ", 0
farewell:   db "Done.", 0
one_and_a_half: dq 1.5

section .text
global main
main:
    push ebx

    push greeting
    call con_write_text
    add esp, 4
    push -2024
    call con_write_int
    add esp, 4
    call con_newline

    ; A real goes as an 80-bit x87 value in a 12-byte argument slot.
    push real_label
    call con_write_text
    add esp, 4
    sub esp, 12
    fld qword [one_and_a_half]
    fstp tword [esp]
    call con_write_real
    add esp, 12
    call con_newline

    push key_prompt
    call con_write_text
    add esp, 4
    call con_read_char              ; EAX: the key code, Enter being KEY_CODE_ENTER
    mov ebx, eax
    call con_newline
    push key_label
    call con_write_text
    add esp, 4
    push 2                          ; the low two bytes: four hex digits
    push ebx
    call con_write_hex_sized
    add esp, 8
    call con_newline

    mov eax, 0x12345678
    mov ecx, 0x9ABCDEF0
    mov edx, 0x0BADF00D
    call con_dump_registers

    push farewell
    call con_write_text
    add esp, 4
    call con_newline

    xor eax, eax                    ; exit status 0
    pop ebx
    ret
