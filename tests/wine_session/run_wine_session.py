#!/usr/bin/env python3
"""Drives the Windows build of the library through real COM under Wine.

The Windows build's server DLL is registered in the build's Wine prefix with
regsvr32 (ProgID "Excel.Application", hosted out of process by Wine's dllhost
surrogate, as the library asks for a local server). The Windows build of the
command-line tool then sends the requests of session.jsonl to the Windows
library: open an openpyxl-written workbook, read cells and every page of a
sheet, write cells, switch sheets, attach a second session through the
Running Object Table, close with saving, open the saved file again. The same
requests go to the Linux build's tool on a copy of the workbook.

Checked: every reply is the same on both sides (with the workbook's path in
place of each side's own), the replies named in EXPECTED hold what they must,
the sheet's pages together hold every row, and openpyxl reads the same cells
from both saved files, the written ones included.
"""
import argparse
import json
import os
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "common"))
from wine_prefix import ensure_prefix, stop_wineserver, wine_environment  # noqa: E402

DATA_ROWS = 6000  # with the title row and 4 columns: three pages of at most 10,000 cells
WRITTEN = "Grüße 😀"

# Reply index (0-based, one per request line) -> text the reply must contain.
EXPECTED = {
    0: '{"defaultResponse":{"status":true}}',
    1: '"columns":["Item 1"]',
    2: '"columns":["3"]',
    6: '{"defaultResponse":{"status":true}}',
    7: '{"defaultResponse":{"status":true}}',
    8: '"errorCode":"EXCEL_QUV_SETCELL_101"',
    9: '"columns":["' + WRITTEN + '"]',
    11: '{"defaultResponse":{"status":true}}',
    13: '"1.2E-06"',
    15: '{"defaultResponse":{"status":true}}',
    16: '"columns":["' + WRITTEN + '"]',
    17: '"columns":["9"]',
    18: '{"defaultResponse":{"status":true}}',
    20: '{"defaultResponse":{"status":true}}',
    21: '{"defaultResponse":{"status":true}}',
    22: '"columns":["' + WRITTEN + '"]',
}
# Reply indexes that must not succeed: a sheet that does not exist.
MUST_FAIL = {14}
PAGE_REPLIES = (3, 4, 5)  # 4 columns: pages of 2,500 rows, the last of 1,001


def make_workbook(path):
    import openpyxl
    book = openpyxl.Workbook()
    data = book.active
    data.title = "Data"
    data.append(["Item", "Qty", "Note", "Count"])
    for i in range(1, DATA_ROWS + 1):
        data.append([f"Item {i}", i * 1.5, "é" if i % 2 else None, i])
    notes = book.create_sheet("Notes")
    notes["A1"] = "Résumé ✓"
    for row, value in enumerate([1.2e-06, 12345.6789012346, -0.5, 1e15, True, "x"], start=1):
        notes.cell(row=row, column=2, value=value)
    book.save(path)


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def write_requests(template, book, target):
    text = template.replace('"BOOK"', json.dumps(book, ensure_ascii=False))
    with open(target, "w", encoding="utf-8") as f:
        f.write(text)


def run(command, output, env=None, cwd=None):
    """Runs command with its output going to files, not pipes: the COM
    surrogate the Windows tool starts inherits them and outlives the tool."""
    with open(output, "wb") as out, open(output + ".err", "wb") as err:
        result = subprocess.run(command, env=env, cwd=cwd, stdout=out, stderr=err, timeout=600)
    with open(output, "rb") as out:
        text = out.read().decode("utf-8")
    if result.returncode != 0:
        with open(output + ".err", "rb") as err:
            sys.stderr.write(err.read().decode(errors="replace"))
        raise SystemExit(f"{command} exited with {result.returncode}")
    return text.replace("\r\n", "\n").splitlines()


def cells(path):
    import openpyxl
    book = openpyxl.load_workbook(path)
    return {sheet.title: [[c.value for c in row] for row in sheet.iter_rows()]
            for sheet in book.worksheets}


def check_replies(linux, windows, book_linux, book_windows):
    failures = []
    if len(linux) != len(windows):
        failures.append(f"{len(linux)} replies on Linux, {len(windows)} under Wine")
    for index, (left, right) in enumerate(zip(linux, windows)):
        # Each side names its own copy of the workbook, JSON-escaped.
        same_left = left.replace(json.dumps(book_linux)[1:-1], "BOOK")
        same_right = right.replace(json.dumps(book_windows)[1:-1], "BOOK")
        if same_left != same_right:
            failures.append(f"reply {index + 1} differs\n    linux: {left}\n    wine:  {right}")
    for index, text in EXPECTED.items():
        reply = windows[index] if index < len(windows) else ""
        if text not in reply:
            failures.append(f"reply {index + 1} lacks {text}: {reply}")
    for index in MUST_FAIL:
        reply = windows[index] if index < len(windows) else '"status":true'
        if '"status":true' in reply:
            failures.append(f"reply {index + 1} should fail: {reply}")
    rows = 0
    for index in PAGE_REPLIES:
        if index < len(windows) and windows[index].startswith("{"):
            rows += len(json.loads(windows[index]).get("tableResponse", {})
                        .get("TableVariable", {}).get("rows", []))
    if rows != DATA_ROWS + 1:
        failures.append(f"the pages of Data hold {rows} rows, not {DATA_ROWS + 1}")
    if len(windows) > PAGE_REPLIES[1] and '"moreRecordsAvailable":true' not in windows[PAGE_REPLIES[0]]:
        failures.append("the first page of Data does not announce more pages")
    return failures


def check_saved(linux_book, windows_book):
    failures = []
    linux, windows = cells(linux_book), cells(windows_book)
    if linux != windows:
        failures.append("openpyxl reads different cells from the two saved files")
    data = windows.get("Data", [])
    if len(data) != DATA_ROWS + 1:
        failures.append(f"the saved Data sheet has {len(data)} rows")
    else:
        if data[1][2] != WRITTEN:
            failures.append(f"C2 saved as {data[1][2]!r}")
        if [data[r][3] for r in (1, 2, 3)] != [9, 9, 9]:
            failures.append(f"D2:D4 saved as {[data[r][3] for r in (1, 2, 3)]!r}")
        if data[0][0] != "Item":
            failures.append(f"the title A1 saved as {data[0][0]!r}")
        if data[5][0] != "Item 5" or data[5][1] != 7.5:
            failures.append(f"row 6 saved as {data[5]!r}")
    if windows.get("Notes", [[None]])[0][0] != "Résumé ✓":
        failures.append("the Notes sheet lost its text")
    return failures


def main():
    parser = argparse.ArgumentParser()
    for option in ("linux-tool", "windows-dir", "wine", "work", "prefix", "requests"):
        parser.add_argument("--" + option, required=True)
    args = parser.parse_args()

    shutil.rmtree(args.work, ignore_errors=True)
    os.makedirs(args.work)
    with open(args.requests, encoding="utf-8") as f:
        template = f.read()

    linux_book = os.path.join(args.work, "linux", "Book.xlsx")
    windows_book = os.path.join(args.work, "wine", "Book.xlsx")
    os.makedirs(os.path.dirname(linux_book))
    os.makedirs(os.path.dirname(windows_book))
    make_workbook(linux_book)
    shutil.copy(linux_book, windows_book)

    linux_requests = os.path.join(args.work, "linux", "requests.jsonl")
    write_requests(template, linux_book, linux_requests)
    linux = run([args.linux_tool, linux_requests], os.path.join(args.work, "linux", "replies.jsonl"))

    ensure_prefix(args.wine, args.prefix)
    env = wine_environment(args.prefix)
    # A surrogate left from an earlier run would still hold the old server.
    stop_wineserver(args.wine, env)
    server = os.path.join(args.windows_dir, "Norvix.Sheetwright.Server.dll")
    tool = os.path.join(args.windows_dir, "sheetwright.exe")
    run([args.wine, "regsvr32", "/s", windows_path(server)],
        os.path.join(args.work, "wine", "regsvr32.txt"), env=env)
    windows_requests = os.path.join(args.work, "wine", "requests.jsonl")
    book_windows = windows_path(windows_book)
    write_requests(template, book_windows, windows_requests)
    try:
        windows = run([args.wine, windows_path(tool), windows_path(windows_requests)],
                      os.path.join(args.work, "wine", "replies.jsonl"), env=env, cwd=args.work)
    finally:
        stop_wineserver(args.wine, env)

    failures = check_replies(linux, windows, linux_book, book_windows)
    failures += check_saved(linux_book, windows_book)
    print(f"{len(windows)} replies under Wine, compared with {len(linux)} on Linux")
    if failures:
        print("\n".join(failures))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
