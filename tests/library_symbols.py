#!/usr/bin/env python3
"""Installs the runtime from a build directory into a fresh prefix and checks
that the installed library defines, as strong global symbols, exactly the
routines and data the public headers declare. Weak symbols, C++ names and
PC thunks (the compiler's shared copies of inline code) are counted apart;
they must be C++ or compiler names, which no C program can define.

library_symbols.py NM BUILD_DIR PREFIX HEADER...
PREFIX: what the platform puts before C names ("_" on Windows), or "none".
"""
import glob
import re
import subprocess
import sys
import tempfile


def declared(headers):
    names = set()
    for path in headers:
        text = open(path, encoding="utf-8").read()
        text = re.sub(r"/\*.*?\*/|//[^\n]*", "", text, flags=re.S)
        text = "\n".join(l for l in text.splitlines() if not l.lstrip().startswith("#"))
        names |= set(re.findall(r"(\w+)\s*\([^;{}]*\)\s*;", text))
        names |= set(re.findall(r"\bextern\s+[^;(\"]*?\b(\w+)\s*(?:\[[^\]]*\])?\s*;", text))
    return names


def defined(nm, archive):
    out = subprocess.run([nm, "--defined-only", "-g", archive], capture_output=True,
                         text=True, check=True).stdout
    strong, weak = set(), set()
    for line in out.splitlines():
        parts = line.split()
        if len(parts) == 3:
            shared = parts[1] in "WVu" or re.match(r"__x86\.get_pc_thunk\.|_*Z", parts[2])
            (weak if shared else strong).add(parts[2])
    return strong, weak


def main():
    nm, build, prefix, headers = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4:]
    prefix = "" if prefix == "none" else prefix
    with tempfile.TemporaryDirectory() as installed:
        subprocess.run(["cmake", "--install", build, "--prefix", installed], check=True,
                       capture_output=True)
        # lib/ on Windows, the i386 multiarch directory below it on Linux.
        archive = glob.glob(f"{installed}/lib/**/libconrt.a", recursive=True)[0]
        strong, weak = defined(nm, archive)
    wanted = {prefix + name for name in declared(headers)}
    failed = False
    for name in sorted(strong - wanted):
        print(f"defined but not declared in the public headers: {name}")
        failed = True
    for name in sorted(wanted - strong):
        print(f"declared in the public headers but not defined: {name}")
        failed = True
    plain = {n for n in weak if not re.match(r"_*Z|DW\.ref\.|__x86\.|\.", n)}
    for name in sorted(plain):
        print(f"a weak symbol with a C name: {name}")
        failed = True
    print(f"{len(strong)} global symbols, {len(wanted)} declared, {len(weak)} weak")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
