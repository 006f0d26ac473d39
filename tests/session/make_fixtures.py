"""Writes the workbooks the session tests drive, into the folder given as argv[1].

Every workbook is small except the paging shapes, whose sizes sit exactly on
the page limits (10,000 cells, 61,440 characters). Run with Debian's
interpreter (/usr/bin/python3) so that python3-openpyxl is found.
"""
import datetime
import os
import sys

from openpyxl import Workbook
from openpyxl.chart import BarChart, Reference


def save(wb, folder, name):
    wb.save(os.path.join(folder, name))


def values(folder):
    """One value per row of column A on sheet "Values"; the test table
    names the row and the text it expects. Sheets "Other" and "Third"
    follow, so switching can be checked by name and by position."""
    wb = Workbook()
    ws = wb.active
    ws.title = "Values"
    rows = [
        2.5,                                   # A1
        1234,                                  # A2
        0,                                     # A3
        -0.5,                                  # A4
        1e20,                                  # A5
        0.0000012,                             # A6
        True,                                  # A7
        False,                                 # A8
        "#DIV/0!",                             # A9: an error value
        None,                                  # A10: empty
        datetime.datetime(2024, 3, 15),        # A11
        datetime.datetime(2024, 3, 15, 6, 0),  # A12
        "Grüße, 東京 😀",                       # A13
        "plain text",                          # A14
        "#N/A",                                # A15: an error value
        3.14159265358979,                      # A16
    ]
    for index, value in enumerate(rows, start=1):
        ws.cell(row=index, column=1, value=value)
    ws["B1"] = "b1"
    ws["B2"] = "b2"
    ws["C3"] = "c3"
    other = wb.create_sheet("Other")
    other["A1"] = "other-a1"
    other["B2"] = "other-b2"
    third = wb.create_sheet("Third")
    third["A1"] = "third-a1"
    save(wb, folder, "values.xlsx")


def grid(folder):
    """Each cell holds its own address, so reading the active cell tells
    where the selection went. "Full" fills A1:F30; "Inner" fills B2:F30 and
    leaves column A and row 1 empty."""
    wb = Workbook()
    full = wb.active
    full.title = "Full"
    inner = wb.create_sheet("Inner")
    for row in range(1, 31):
        for col in "ABCDEF":
            full[f"{col}{row}"] = f"{col}{row}"
            if row >= 2 and col != "A":
                inner[f"{col}{row}"] = f"{col}{row}"
    save(wb, folder, "grid.xlsx")


def header(folder):
    """Row 1 holds titles (one duplicated); rows 2-4 hold data."""
    wb = Workbook()
    ws = wb.active
    ws.title = "People"
    ws.append(["Name", "Age", "Name"])
    ws.append(["Ann", 31, "A."])
    ws.append(["Bob", 42, "B."])
    ws.append(["Cy", 27, "C."])
    second = wb.create_sheet("Below")
    second["A2"] = "Title"
    second["B2"] = "Other"
    second["A3"] = "x"
    save(wb, folder, "header.xlsx")


def shapes(folder):
    """Used ranges of particular shapes, one per sheet."""
    wb = Workbook()
    ws = wb.active
    ws.title = "Empty"
    wb.create_sheet("OnlyC3")["C3"] = "x"
    wb.create_sheet("ZeroC3")["C3"] = 0
    block = wb.create_sheet("BlockB2D4")
    for row in range(2, 5):
        for col in "BCD":
            block[f"{col}{row}"] = f"{col}{row}"
    mixed = wb.create_sheet("Mixed")
    mixed.append([1, True, "#DIV/0!"])
    mixed.append([None, False, "t"])
    save(wb, folder, "shapes.xlsx")


def paging(folder):
    """Sheets whose sizes meet the page limits at known rows."""
    wb = Workbook()
    ws = wb.active
    ws.title = "Cells3x5000"            # 3 columns: page 1 ends after row 3334
    for row in range(1, 5001):
        ws.append([row, row * 2, row * 3])
    chars = wb.create_sheet("Chars1x20000")  # 10 characters a cell: 6144 rows a page
    for row in range(1, 20001):
        chars.append([f"{row:010d}"])
    exact = wb.create_sheet("Exact2x5000")   # 10,000 cells exactly on the last row
    for row in range(1, 5001):
        exact.append([row, -row])
    wide = wb.create_sheet("Wide12000")      # two rows of 12,000 cells
    wide.append(list(range(1, 12001)))
    wide.append(["w"] * 12000)
    save(wb, folder, "paging.xlsx")


def charts(folder):
    """A chart sheet in position 2, between two worksheets."""
    wb = Workbook()
    data = wb.active
    data.title = "Data"
    data["A1"] = "data-a1"
    data["A2"] = 5
    data["A3"] = 7
    chart = BarChart()
    chart.add_data(Reference(data, min_col=1, min_row=2, max_row=3))
    wb.create_chartsheet("Chart", 1).add_chart(chart)
    wb.create_sheet("Second")["A1"] = "second-a1"
    save(wb, folder, "charts.xlsx")


def reading(folder):
    """Blocks, titles and used ranges for the reading commands. "Block"
    holds its own addresses in C3:E9 only; "Formatted" holds values in A1:B3
    and a fill (no value) in D7, so its used range reaches D7; "Titles" has
    a header row with non-ASCII, empty and duplicate titles over rows 2-4."""
    from openpyxl.styles import PatternFill

    wb = Workbook()
    block = wb.active
    block.title = "Block"
    for row in range(3, 10):
        for col in "CDE":
            block[f"{col}{row}"] = f"{col}{row}"
    formatted = wb.create_sheet("Formatted")
    for row in range(1, 4):
        formatted[f"A{row}"] = row
        formatted[f"B{row}"] = f"b{row}"
    formatted["D7"].fill = PatternFill("solid", fgColor="FFFF00")
    titles = wb.create_sheet("Titles")
    titles.append(["Name", "Preis €", None, "Größe 東京", "Name"])
    titles.append(["Ann", 3.5, "c2", "S", "dup2"])
    titles.append(["Bob", 4, "c3", "M", "dup3"])
    titles.append(["Cy", 0, "c4", "L", "dup4"])
    save(wb, folder, "reading.xlsx")


def editing(folder):
    """Sheets for find, replace, empty-cell search and blank rows.
    "Words": apple in B2, D3 and C5 (C5 as APPLE pie), pear in A4, 12 in E2.
    "Gaps": B2:D2 and B3:B6 hold values with holes (E2 and B5 empty), a
    formula giving empty text in B7. "Blank": data in B3:D10 with rows 5
    and 8 blank."""
    wb = Workbook()
    words = wb.active
    words.title = "Words"
    words["B2"] = "apple"
    words["D3"] = "apple"
    words["C5"] = "APPLE pie"
    words["A4"] = "pear"
    words["E2"] = 12
    words["F6"] = "Total: 5"
    words["F7"] = True
    gaps = wb.create_sheet("Gaps")
    for address in ("B2", "C2", "D2", "B3", "B4", "B6", "F2"):
        gaps[address] = address
    gaps["B7"] = '=""'
    blank = wb.create_sheet("Blank")
    for row in range(3, 11):
        if row in (5, 8):
            continue
        for col in "BCD":
            blank[f"{col}{row}"] = f"{col}{row}"
    save(wb, folder, "editing.xlsx")


def references(folder):
    """Formulas across two sheets, a defined name, a conditional format, a
    merged cell, a validation, a hyperlink and a print area, for deletions."""
    from openpyxl.formatting.rule import FormulaRule
    from openpyxl.workbook.defined_name import DefinedName
    from openpyxl.worksheet.datavalidation import DataValidation
    wb = Workbook()
    data = wb.active
    data.title = "Data"
    for row in range(1, 11):
        data[f"A{row}"] = row
        data[f"B{row}"] = f"=A{row}*2"
    data["C1"] = "=SUM(A1:A10)"
    data["C2"] = "=A5"
    data.merge_cells("D4:E6")
    data.conditional_formatting.add("A1:A10", FormulaRule(formula=["$A1>$A$5"], fill=None))
    validation = DataValidation(type="whole", operator="lessThan", formula1="$A$10")
    validation.add("F2:F9")
    data.add_data_validation(validation)
    data["G8"].hyperlink = "https://example.com/"
    data.print_area = "A1:C9"
    summary = wb.create_sheet("Summary")
    summary["A1"] = "=SUM(Data!A1:A10)"
    summary["A2"] = "=Data!A5+Data!A6"
    summary["A3"] = "=Data!$B$9"
    picked = DefinedName("Picked", attr_text="Data!$A$4:$A$8")
    if hasattr(wb.defined_names, "add"):
        wb.defined_names.add(picked)
    else:
        wb.defined_names.append(picked)
    save(wb, folder, "references.xlsx")


def formulas(folder):
    """Formulas without cached values (openpyxl writes none): the server
    calculates them when the file opens."""
    wb = Workbook()
    ws = wb.active
    ws.title = "Calc"
    ws["A1"] = 4
    ws["A2"] = 0
    ws["B1"] = "=A1*2"
    ws["B2"] = "=A1/A2"
    ws["B3"] = "=NA()"
    ws["B4"] = "=SQRT(-1)"
    ws["B5"] = '=A1&"x"'
    ws["B6"] = "=NOSUCHFUNCTION(1)"
    ws["B7"] = "=Nowhere!A1"
    ws["B8"] = '=1+"a"'
    ws["B9"] = "=A1:A2 C1:C2"
    ws["B10"] = "=B1>5"
    save(wb, folder, "formulas.xlsx")


def filtered(folder):
    """An AutoFilter on A1:C8 of "Data" hiding rows 3 and 5 (B = "no"),
    and row 10, outside the filter, hidden by hand."""
    wb = Workbook()
    data = wb.active
    data.title = "Data"
    data.append(["Name", "Keep", "Count"])
    for row in range(2, 11):
        data.append([f"n{row}", "no" if row in (3, 5) else "yes", row])
    data.auto_filter.ref = "A1:C8"
    data.auto_filter.add_filter_column(1, ["yes"])
    for row in (3, 5, 10):
        data.row_dimensions[row].hidden = True
    save(wb, folder, "filtered.xlsx")


def main():
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    for make in (values, grid, header, shapes, paging, charts, reading, editing, references, formulas, filtered):
        make(folder)


if __name__ == "__main__":
    main()
