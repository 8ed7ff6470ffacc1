; A 32-bit x86 program on the console runtime in MASM (ml.exe): a text, a
; signed number, a real, a key read and the registers dumped with known
; values in them. It needs no C runtime: main is the entry point and ends the
; process itself.
;   ml /c /coff /Cp /safeseh hello_masm.asm
;   link /SUBSYSTEM:CONSOLE /ENTRY:main /SAFESEH hello_masm.obj conrt.lib kernel32.lib user32.lib
; llvm-ml assembles it too, given /DCONRT_LLVM_ML (conrt.inc says why).
; The runtime keeps EBX, ECX, EDX, ESI, EDI and EBP; EAX carries results.

.386
.model flat, C

INCLUDE conrt.inc

IFDEF CONRT_LLVM_ML
EXTERN _ExitProcess@4:PROC
ExitProcess TEXTEQU <_ExitProcess@4>
main TEXTEQU <_main>
ELSE
ExitProcess PROTO STDCALL, exit_code:DWORD
ENDIF

.data
greeting       BYTE "Hello from MASM: ", 0
real_label     BYTE "A real: ", 0
key_prompt     BYTE "Press a key: ", 0
key_label      BYTE "Key code: ", 0
farewell       BYTE "Done.", 0
; A real argument fills a 12-byte slot: the REAL10 and two bytes after it.
one_and_a_half REAL10 1.5
               WORD 0

.code
main PROC
    INVOKE con_write_text, OFFSET greeting
    INVOKE con_write_int, -2024
    INVOKE con_newline

    INVOKE con_write_text, OFFSET real_label
    INVOKE con_write_real, DWORD PTR one_and_a_half, DWORD PTR one_and_a_half+4, DWORD PTR one_and_a_half+8
    INVOKE con_newline

    INVOKE con_write_text, OFFSET key_prompt
    INVOKE con_read_char                ; EAX: the key code, Enter being KEY_CODE_ENTER
    mov ebx, eax
    INVOKE con_newline
    INVOKE con_write_text, OFFSET key_label
    INVOKE con_write_hex_sized, ebx, 2  ; the low two bytes: four hex digits
    INVOKE con_newline

    mov eax, 12345678h
    mov ecx, 9ABCDEF0h
    mov edx, 0BADF00Dh
    INVOKE con_dump_registers

    INVOKE con_write_text, OFFSET farewell
    INVOKE con_newline
    INVOKE ExitProcess, 0
main ENDP

END
