#!/usr/bin/env python3
"""Runs the platform table on both sides and compares the outputs.

The Linux build runs directly; the Windows build runs under Wine in a prefix
kept in the build folder (created on first use, which takes a while, then
reused). Every line must be the same on both sides, except the cases listed
in KNOWN_DIFFERENCES, each with the reason it cannot matter to the library.
"""
import argparse
import os
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "common"))
from wine_prefix import ensure_prefix, wine_environment  # noqa: E402

# Case name -> why the difference cannot matter to the library.
NAN_REASON = ("no cell, argument or text the library handles holds NaN; Wine answers "
              "whatever its C conversion gives, the stand-in reports an overflow")
DATE_RANGE_REASON = ("Wine checks the date range only for R8 sources; nothing converts an R4 "
                     "or a currency amount to VT_DATE (the server builds dates itself)")
TEXT_DATE_REASON = ("Wine reads a number with points as a time; no layer converts text to "
                    "VT_DATE (the server parses typed dates itself)")
SHORT_NAME_REASON = ("Wine matches the pattern against the 8.3 short name too (BOOK~1.XLS); "
                     "the log's only pattern, \"Norvix.Sheetwright.log.*\", matches the same "
                     "names either way")
DOS_RULE_REASON = ("Windows reads '?' before a dot or the end and \"*.\" with the MS-DOS rules "
                   "(zero characters, names without an extension); Wine does not, the stand-in "
                   "follows Windows. The log's only pattern does not use them")
KNOWN_DIFFERENCES = {
    "R8 nan -> VT_I2": NAN_REASON,
    "R8 nan -> VT_I4": NAN_REASON,
    "R8 nan -> VT_I8": NAN_REASON,
    "R8 nan -> VT_DATE": NAN_REASON,
    "R4 3.3999999521443642e+38 -> VT_DATE": DATE_RANGE_REASON,
    "R4 16777216 -> VT_DATE": DATE_RANGE_REASON,
    "CY 9223372036854775807e-4 -> VT_DATE": DATE_RANGE_REASON,
    'BSTR "12.5" -> VT_DATE': TEXT_DATE_REASON,
    'BSTR "1.5.2" -> VT_DATE': TEXT_DATE_REASON,
    'BSTR "&H1F" -> VT_CY': "Wine refuses hexadecimal text as currency; nothing converts text to VT_CY",
    "MultiByteToWideChar encoded surrogate": (
        "how many U+FFFD replace an invalid sequence: the stand-in follows Unicode's maximal "
        "subpart rule, Wine merges some; requests are checked as UTF-8 before conversion"),
    "MultiByteToWideChar above 10FFFF": (
        "how many U+FFFD replace an invalid sequence (see above)"),
    "MultiByteToWideChar bad flag": (
        "Wine accepts MB_PRECOMPOSED with CP_UTF8, Windows refuses it with ERROR_INVALID_FLAGS "
        "as the stand-in does; the library passes no flags"),
    "WideCharToMultiByte UTF-8 with used-default": (
        "Wine ignores lpUsedDefaultChar with CP_UTF8, Windows refuses it with "
        "ERROR_INVALID_PARAMETER as the stand-in does; the library passes null"),
    'FindFirstFileW "Book?.xlsx"': DOS_RULE_REASON,
    'FindFirstFileW "*."': DOS_RULE_REASON,
    'FindFirstFileW "Norvix.Sheetwright.log.?"': DOS_RULE_REASON,
    'FindFirstFileW "*.xls"': SHORT_NAME_REASON,
    'FindFirstFileW "*s"': SHORT_NAME_REASON,
    "registration references": (
        "Wine's table holds a second reference for the marshalled object while it is "
        "registered; both give every reference back on Revoke (\"references after revoking\")"),
}

FIXTURE_FILES = [
    "Book.xlsx", "book2.XLSX", "notes", "a.b.c", "Report.xlsx.bak",
    "Norvix.Sheetwright.log", "Norvix.Sheetwright.log.1", "Norvix.Sheetwright.log.5",
    "sub/inner.xlsx",
]


def make_fixture(folder):
    shutil.rmtree(folder, ignore_errors=True)
    for name in FIXTURE_FILES:
        path = os.path.join(folder, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w") as f:
            f.write("x")


def run(command, env=None, cwd=None):
    result = subprocess.run(command, env=env, cwd=cwd, stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE, timeout=300)
    if result.returncode != 0:
        sys.stderr.write(result.stderr.decode(errors="replace"))
        raise SystemExit(f"{command[0]} exited with {result.returncode}")
    return result.stdout.decode("ascii").replace("\r\n", "\n").splitlines()


def case_map(lines, side):
    cases = {}
    for line in lines:
        name, _, result = line.partition(": ")
        if name in cases:
            raise SystemExit(f"{side}: case printed twice: {name}")
        cases[name] = result
    return cases


def main():
    parser = argparse.ArgumentParser()
    for option in ("linux", "windows", "wine", "work", "prefix"):
        parser.add_argument("--" + option, required=True)
    args = parser.parse_args()

    fixture = os.path.join(args.work, "fixture")
    make_fixture(fixture)
    linux_lines = run([args.linux, fixture])

    ensure_prefix(args.wine, args.prefix)
    env = wine_environment(args.prefix)
    windows_fixture = "Z:" + os.path.abspath(fixture).replace("/", "\\")
    windows_lines = run([args.wine, args.windows, windows_fixture], env=env, cwd=args.work)

    for side, lines in (("linux", linux_lines), ("windows", windows_lines)):
        with open(os.path.join(args.work, side + ".txt"), "w") as f:
            f.write("\n".join(lines) + "\n")

    linux = case_map(linux_lines, "linux")
    windows = case_map(windows_lines, "windows")
    failures = []
    if [l.partition(": ")[0] for l in linux_lines] != [l.partition(": ")[0] for l in windows_lines]:
        failures.append("the two sides print different cases or a different order")
    known_seen = set()
    for name, expected in windows.items():
        actual = linux.get(name)
        if actual == expected:
            continue
        if name in KNOWN_DIFFERENCES:
            known_seen.add(name)
            continue
        failures.append(f"{name}\n    windows: {expected}\n    linux:   {actual}")
    for name in sorted(set(KNOWN_DIFFERENCES) - known_seen):
        print(f"note: listed difference no longer differs: {name}")
    print(f"{len(windows)} cases, {len(known_seen)} listed differences")
    if failures:
        print(f"{len(failures)} differences:")
        print("\n".join(failures))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
