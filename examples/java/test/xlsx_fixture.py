"""Writes a workbook from a JSON description, or describes a workbook as JSON.

    xlsx_fixture.py write DESCRIPTION.json WORKBOOK.xlsx
    xlsx_fixture.py read WORKBOOK.xlsx DESCRIPTION.json

A description is {"sheets": [{"name": NAME, "rows": [[CELL, ...], ...]}, ...]}, sheets in tab
order, rows from row 1 and cells from column A; a cell is a string, a number or null. JSON files
are UTF-8 and written with ASCII escapes, so no locale setting can change the text.
"""
import json
import sys

import openpyxl


def write(description_path, workbook_path):
    with open(description_path, encoding="utf-8") as source:
        description = json.load(source)
    workbook = openpyxl.Workbook()
    workbook.remove(workbook.active)
    for sheet in description["sheets"]:
        worksheet = workbook.create_sheet(sheet["name"])
        for row in sheet["rows"]:
            worksheet.append(row)
    workbook.save(workbook_path)


def read(workbook_path, description_path):
    workbook = openpyxl.load_workbook(workbook_path)
    sheets = []
    for worksheet in workbook.worksheets:
        rows = [list(row) for row in worksheet.iter_rows(values_only=True)]
        sheets.append({"name": worksheet.title, "rows": rows})
    with open(description_path, "w", encoding="utf-8") as target:
        json.dump({"sheets": sheets}, target, ensure_ascii=True, default=str)


if __name__ == "__main__":
    if len(sys.argv) != 4 or sys.argv[1] not in ("write", "read"):
        sys.exit(__doc__)
    (write if sys.argv[1] == "write" else read)(sys.argv[2], sys.argv[3])
