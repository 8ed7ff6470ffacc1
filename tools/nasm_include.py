#!/usr/bin/env python3
"""Writes include/conrt/conrt.inc, the runtime's interface for NASM, from the
C headers: every routine and public object as an extern, every enum constant
as an equ, every structure as a struc. With --check it only compares, and
fails when the file differs from what the headers give.

usage: nasm_include.py [--check] SOURCE_DIR
"""
import re
import sys

HEADERS = ["include/conrt/con_output.h", "include/conrt/con_input.h",
           "include/conrt/con_real.h", "include/conrt/con_diag.h"]
OUTPUT = "include/conrt/conrt.inc"
FIELD_SIZES = {"uint8_t": "resb 1", "uint16_t": "resw 1", "uint32_t": "resd 1", "int32_t": "resd 1"}

PREAMBLE = """\
; The console runtime for NASM (32-bit x86): every routine as an extern, the
; constants and the key record. Written by tools/nasm_include.py from the C
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


def statements(text):
    """Top-level C statements, comments and preprocessor lines removed."""
    text = re.sub(r"/\*.*?\*/", " ", text, flags=re.S)
    text = re.sub(r"//[^\n]*", " ", text)
    lines = [line for line in text.splitlines() if not line.lstrip().startswith("#")]
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


def translate(statement, out):
    enum = re.match(r"enum \{(.*)\};", statement)
    struct = re.match(r"typedef struct (\w+) \{(.*)\} \w+;", statement)
    routine = re.match(r"(?:extern )?[\w\s\*]*?\b(\w+)\s*(\(.*\)|\[\d+\]);", statement)
    if enum:
        for item in enum.group(1).split(","):
            if item.strip():
                name, value = (part.strip() for part in item.split("="))
                out.append(f"{name} equ {value}")
    elif struct:
        out.append(f"struc {struct.group(1)}")
        for field in filter(None, (f.strip() for f in struct.group(2).split(";"))):
            kind, name = field.split()
            out.append(f"    .{name}: {FIELD_SIZES[kind]}")
        out.append("endstruc")
    elif statement.startswith("typedef"):
        return
    elif routine:
        out.append(f"extern {routine.group(1):<22} ; {statement}")
    else:
        sys.exit(f"nasm_include.py: cannot translate: {statement}")


def generate(source_dir):
    out = [PREAMBLE.rstrip("\n")]
    for header in HEADERS:
        with open(f"{source_dir}/{header}", encoding="utf-8") as f:
            found, defines = statements(f.read())
        out.append(f"\n; {header.rsplit('/', 1)[1]}")
        for statement in found:
            translate(statement, out)
        for name, value in defines:
            out.append(f"{name} equ {constant_value(value)}")
    out.append("\n%endif")
    return "\n".join(out) + "\n"


def main():
    check = sys.argv[1] == "--check"
    source_dir = sys.argv[-1]
    text = generate(source_dir)
    path = f"{source_dir}/{OUTPUT}"
    if check:
        with open(path, encoding="utf-8") as f:
            if f.read() != text:
                sys.exit(f"{OUTPUT} differs from the C headers: run tools/nasm_include.py {source_dir}")
        return
    with open(path, "w", encoding="utf-8") as f:
        f.write(text)


if __name__ == "__main__":
    main()
