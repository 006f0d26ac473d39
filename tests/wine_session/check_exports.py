#!/usr/bin/env python3
"""Checks that a Windows DLL exports exactly the given names, undecorated.

Reads the export table that `objdump -p` prints; a C++-decorated or missing
name, or any extra export, fails.
    check_exports.py OBJDUMP DLL NAME...
"""
import re
import subprocess
import sys


def exported_names(objdump, dll):
    text = subprocess.run([objdump, "-p", dll], check=True, stdout=subprocess.PIPE,
                          timeout=60).stdout.decode(errors="replace")
    table = text.split("[Ordinal/Name Pointer] Table", 1)
    if len(table) < 2:
        return []
    names = []
    for line in table[1].splitlines()[1:]:
        match = re.match(r"\s+\[\s*\d+\]\s+(\S+)$", line)
        if not match:
            break
        names.append(match.group(1))
    return names


def main():
    objdump, dll, expected = sys.argv[1], sys.argv[2], sorted(sys.argv[3:])
    names = sorted(exported_names(objdump, dll))
    print(f"{dll}: {' '.join(names)}")
    if names != expected:
        print(f"expected exactly: {' '.join(expected)}")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
