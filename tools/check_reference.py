#!/usr/bin/env python3
"""Checks docs/reference.md against the C headers and the library: every
routine and object the headers declare has an entry whose C signature is
the declaration, each entry has its results, registers, bad input and NASM
call, and every entry names something the library defines.

usage: check_reference.py SOURCE_DIR LIBRARY NM
"""
import os
import re
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from asm_includes import HEADERS, statements  # noqa: E402

ENTRY = re.compile(r"^### (\w+)\n```c\n(.*?)\n```\n(.*?)(?=^### |\Z)", re.S | re.M)
PARTS = ("- Results:", "Registers:", "- Bad input:", "```nasm\n")


def declared(source_dir):
    """Name -> declaration of every routine and object in the headers."""
    found = {}
    for header in HEADERS:
        with open(os.path.join(source_dir, header), encoding="utf-8") as f:
            for statement in statements(f.read())[0]:
                match = re.match(r"(?:extern )?[\w\s\*]*?\b(\w+)\s*(\(.*\)|\[\d+\]);$", statement)
                if match and not statement.startswith(("typedef", "enum")):
                    found[match.group(1)] = statement
    return found


def defined_symbols(library, nm):
    listing = subprocess.run([nm, "--defined-only", "-g", library], capture_output=True,
                             text=True, check=True).stdout
    names = {line.split()[-1] for line in listing.splitlines() if len(line.split()) == 3}
    return names | {name[1:] for name in names if name.startswith("_")}


def main():
    source_dir, library, nm = sys.argv[1:4]
    with open(os.path.join(source_dir, "docs/reference.md"), encoding="utf-8") as f:
        entries = {name: (" ".join(signature.split()), body)
                   for name, signature, body in ENTRY.findall(f.read())}
    routines = declared(source_dir)
    symbols = defined_symbols(library, nm)
    faults = [f"no entry for {name}" for name in routines if name not in entries]
    for name, (signature, body) in entries.items():
        if name not in routines:
            faults.append(f"entry {name} is not in the headers")
        elif signature != routines[name]:
            faults.append(f"entry {name}: the header says {routines[name]}")
        if name not in symbols:
            faults.append(f"entry {name} is not defined by the library")
        faults += [f"entry {name} lacks {part.strip()}" for part in PARTS if part not in body]
    print("\n".join(faults) or f"{len(entries)} entries, all declared and defined")
    sys.exit(1 if faults else 0)


if __name__ == "__main__":
    main()
