#!/usr/bin/env python3
"""Writes the runtime's interface for assembly programmers from the C
headers: include/conrt/conrt.inc for NASM (every routine and public object as
an extern, every enum constant as an equ, every structure as a struc) and
include/conrt/masm/conrt.inc for MASM (every routine as a PROTO, constants as
EQU, structures as STRUCT). With --check it only compares, and fails when a
file differs from what the headers give.

The headers are read as GCC sees them: what they declare for the Microsoft
compilers alone (#ifdef _MSC_VER) is left out.

usage: asm_includes.py [--check] SOURCE_DIR
"""
import re
import sys

HEADERS = ["include/conrt/con_output.h", "include/conrt/con_input.h",
           "include/conrt/con_real.h", "include/conrt/con_diag.h"]
NASM_OUTPUT = "include/conrt/conrt.inc"
MASM_OUTPUT = "include/conrt/masm/conrt.inc"
NASM_FIELDS = {"uint8_t": "resb 1", "uint16_t": "resw 1", "uint32_t": "resd 1", "int32_t": "resd 1"}
MASM_FIELDS = {"uint8_t": "BYTE", "uint16_t": "WORD", "uint32_t": "DWORD", "int32_t": "DWORD"}
# What a pointer parameter points to, for MASM's PTR types.
MASM_POINTEES = {"char": "PTR BYTE", "uint8_t": "PTR BYTE", "bool": "PTR BYTE",
                 "key_record": "PTR KEY_RECORD", "void": "PTR"}
# C parameter names that MASM reserves as operators or directives.
MASM_RESERVED = {"size", "length", "name", "type", "mask", "width", "offset", "high", "low"}

NASM_PREAMBLE = """\
; The console runtime for NASM (32-bit x86): every routine as an extern, the
; constants and the key record. Written by tools/asm_includes.py from the C
; headers (make the change there); docs/reference.md describes each routine.
;
; cdecl: arguments pushed right to left, removed by the caller; results in
; EAX (EDX:EAX for 64 bits, ST0 for reals). Win32 object files take the C
; symbol prefix, an underscore, on every global and extern name: the pragma
; below does it, so one source assembles with -f elf32 and with -f win32.
%ifndef CONRT_INC
%define CONRT_INC
%pragma win32 gprefix _
; ELF objects say that the program's stack need not be executable.
%ifidn __OUTPUT_FORMAT__, elf32
section .note.GNU-stack noalloc noexec nowrite progbits
section .text
%endif
"""

MASM_PREAMBLE = """\
; The console runtime for MASM (ml.exe, 32-bit x86): every routine as a
; PROTO, the constants as EQU and the key record as a STRUCT. Written by
; tools/asm_includes.py from the C headers (make the change there);
; docs/reference.md describes each routine.
;
; Include it after .386 and .model flat, C. Calls are cdecl: INVOKE pushes
; the arguments right to left and removes them after the call. Results come
; in EAX (EDX:EAX for 64 bits, ST0 for reals); the runtime keeps every other
; register. An integer or pointer argument takes one DWORD; a real (a C long
; double) takes three: the 80-bit value in a 12-byte slot, lowest bytes
; first, as INVOKE con_write_real, DWORD PTR r, DWORD PTR r+4, DWORD PTR r+8
; passes the REAL10 r.
;
; llvm-ml takes only part of MASM: no PROTO, no INVOKE, and C names without
; their leading underscore. Assembled with /DCONRT_LLVM_ML, this file
; declares each routine with EXTERN under its decorated name, lets its C
; name stand for that, and defines INVOKE as a macro. Its arguments may be
; registers, constants, DWORD variables, OFFSET name or DWORD PTR operand,
; with no other blanks in them.
IFNDEF CONRT_INC
CONRT_INC EQU 1

IFDEF CONRT_LLVM_ML
; Pushes its arguments last first; conrt_pushed counts the bytes. llvm-ml
; splits arguments at blanks too, so OFFSET and DWORD PTR arrive as words of
; their own. llvm-ml cannot push an address as an immediate: it is stored.
conrt_push_reversed MACRO first, second, third, rest:VARARG
    IFIDNI <first>, <OFFSET>
        IFNB <third>
            conrt_push_reversed third, rest
        ENDIF
        sub esp, 4
        mov DWORD PTR [esp], OFFSET second
    ELSE
    IFIDNI <first>, <DWORD>
        IFNB <rest>
            conrt_push_reversed rest
        ENDIF
        push DWORD PTR third
    ELSE
        IFNB <second>
            conrt_push_reversed second, third, rest
        ENDIF
        push first
    ENDIF
    ENDIF
    conrt_pushed = conrt_pushed + 4
ENDM

INVOKE MACRO routine:REQ, arguments:VARARG
    conrt_pushed = 0
    IFNB <arguments>
        conrt_push_reversed arguments
    ENDIF
    call routine
    IF conrt_pushed
        add esp, conrt_pushed
    ENDIF
ENDM
ENDIF
"""


def statements(text):
    """Top-level C statements as GCC sees them, comments, preprocessor lines
    and the Microsoft compilers' own declarations removed."""
    text = re.sub(r"/\*.*?\*/", " ", text, flags=re.S)
    text = re.sub(r"//[^\n]*", " ", text)
    lines, skipping = [], []
    for line in text.splitlines():
        directive = line.strip()
        outer = bool(skipping) and skipping[-1][0]
        if re.match(r"#\s*if", directive):
            msvc_only = bool(re.match(r"#\s*(ifdef\s+|if\s+defined\s*\(?\s*)_MSC_VER", directive))
            skipping.append((outer or msvc_only, msvc_only))
        elif re.match(r"#\s*else", directive) and skipping and skipping[-1][1]:
            skipping[-1] = (len(skipping) > 1 and skipping[-2][0], False)
        elif re.match(r"#\s*endif", directive) and skipping:
            skipping.pop()
        elif not directive.startswith("#") and not outer:
            lines.append(line)
    defines = re.findall(r"^#define\s+([A-Z_][A-Z0-9_]*)\s+(.+)$", text, flags=re.M)
    body = " ".join(lines).replace('extern "C" {', " ")
    found, depth, current = [], 0, ""
    for ch in body:
        current += ch
        depth += ch == "{"
        depth -= ch == "}"
        if ch == ";" and depth == 0:
            found.append(" ".join(current.split()))
            current = ""
    return found, defines


def constant_value(expression):
    """A define's value without its C casts: ((file_handle)(intptr_t)-1) is -1."""
    bare = re.sub(r"\(\s*[A-Za-z_]\w*\s*\**\s*\)", "", expression).strip()
    while bare.startswith("(") and bare.endswith(")"):
        bare = bare[1:-1].strip()
    return bare


def declarations(source_dir):
    """Per header, its items in order: ("constant", name, value),
    ("struct", name, [(type, field)]), ("routine", name, [(type, parameter)],
    statement) and ("object", name, statement)."""
    result = []
    for header in HEADERS:
        with open(f"{source_dir}/{header}", encoding="utf-8") as f:
            found, defines = statements(f.read())
        items = []
        for statement in found:
            enum = re.match(r"enum \{(.*)\};", statement)
            struct = re.match(r"typedef struct (\w+) \{(.*)\} \w+;", statement)
            routine = re.match(r"(?:extern )?[\w\s\*]*?\b(\w+)\s*\((.*)\);", statement)
            array = re.match(r"extern [\w\s\*]*?\b(\w+)\s*\[\d+\];", statement)
            if enum:
                for item in filter(str.strip, enum.group(1).split(",")):
                    name, value = (part.strip() for part in item.split("="))
                    items.append(("constant", name, value))
            elif struct:
                fields = [tuple(f.split()) for f in map(str.strip, struct.group(2).split(";")) if f]
                items.append(("struct", struct.group(1), fields))
            elif statement.startswith("typedef"):
                continue
            elif routine:
                parameters = []
                for parameter in map(str.strip, routine.group(2).split(",")):
                    if parameter != "void":
                        kind, name = re.match(r"(.*?)\s*\b(\w+)$", parameter).groups()
                        parameters.append((kind, name))
                items.append(("routine", routine.group(1), parameters, statement))
            elif array:
                items.append(("object", array.group(1), statement))
            else:
                sys.exit(f"asm_includes.py: cannot translate: {statement}")
        items += [("constant", name, constant_value(value)) for name, value in defines]
        result.append((header.rsplit("/", 1)[1], items))
    return result


def nasm_include(headers):
    out = [NASM_PREAMBLE.rstrip("\n")]
    for header, items in headers:
        out.append(f"\n; {header}")
        for item in items:
            if item[0] == "constant":
                out.append(f"{item[1]} equ {item[2]}")
            elif item[0] == "struct":
                out.append(f"struc {item[1]}")
                out += [f"    .{field}: {NASM_FIELDS[kind]}" for kind, field in item[2]]
                out.append("endstruc")
            else:
                out.append(f"extern {item[1]:<22} ; {item[-1]}")
    out.append("\n%endif")
    return "\n".join(out) + "\n"


def masm_value(value):
    """C hexadecimal (0x1C0D) in MASM's form (1C0Dh, 0Fh for 0xF)."""
    def convert(match):
        digits = match.group(1).upper()
        return ("0" if digits[0].isalpha() else "") + digits + "h"
    return re.sub(r"\b0[xX]([0-9A-Fa-f]+)\b", convert, value)


def masm_parameters(parameters):
    result = []
    for kind, name in parameters:
        name = name + "_" if name.lower() in MASM_RESERVED else name
        if kind == "long double":
            result += [f"{name}_{part}:DWORD" for part in ("low", "middle", "high")]
        elif "*" in kind:
            pointee = kind.replace("const", "").replace("*", "").strip()
            result.append(f"{name}:{MASM_POINTEES[pointee]}")
        else:
            result.append(f"{name}:DWORD")
    return result


def masm_include(headers):
    out = [MASM_PREAMBLE.rstrip("\n")]
    for header, items in headers:
        out.append(f"\n; {header}")
        names = []
        for item in items:
            if item[0] == "constant":
                out.append(f"{item[1]} EQU {masm_value(item[2])}")
            elif item[0] == "struct":
                name = item[1].upper()
                out.append(f"{name} STRUCT")
                out += [f"    {field} {MASM_FIELDS[kind]} ?" for kind, field in item[2]]
                out.append(f"{name} ENDS")
            else:
                names.append(item)
        if not names:
            continue
        out.append("IFNDEF CONRT_LLVM_ML")
        for item in names:
            if item[0] == "routine":
                declaration = ", ".join([f"{item[1]} PROTO C"] + masm_parameters(item[2]))
            else:
                declaration = f"EXTERNDEF C {item[1]}:BYTE"
            out.append(f"{declaration:<58} ; {item[-1]}")
        out.append("ELSE")
        for item in names:
            kind = "PROC" if item[0] == "routine" else "BYTE"
            out.append(f"EXTERN _{item[1]}:{kind}")
            out.append(f"{item[1]} TEXTEQU <_{item[1]}>")
        out.append("ENDIF")
    out.append("\nENDIF")
    return "\n".join(out) + "\n"


def main():
    check = sys.argv[1] == "--check"
    source_dir = sys.argv[-1]
    headers = declarations(source_dir)
    failed = False
    for output, text in ((NASM_OUTPUT, nasm_include(headers)), (MASM_OUTPUT, masm_include(headers))):
        path = f"{source_dir}/{output}"
        if check:
            with open(path, encoding="utf-8") as f:
                if f.read() != text:
                    print(f"{output} differs from the C headers: run tools/asm_includes.py {source_dir}")
                    failed = True
        else:
            with open(path, "w", encoding="utf-8") as f:
                f.write(text)
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
