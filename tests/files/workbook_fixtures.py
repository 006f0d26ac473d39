#!/usr/bin/python3
"""Writes the workbook fixtures of the file-layer tests, and reads workbooks back.

  workbook_fixtures.py write DIR      writes every fixture into DIR
  workbook_fixtures.py dump FILE      prints what openpyxl sees in FILE, one fact a line

openpyxl is the independent reader and writer: fixtures it writes are files
real tools produce, and what the server saves must read back through it.
Parts openpyxl cannot write (cached formula values, shared formulas, rich
text, inline strings) come from small hand-written packages.
"""
import datetime
import os
import sys
import zipfile

import openpyxl
from openpyxl.comments import Comment
from openpyxl.chart import BarChart, Reference
from openpyxl.styles import Font
from openpyxl.worksheet.datavalidation import DataValidation
from openpyxl.workbook.defined_name import DefinedName

MAIN_NS = "http://schemas.openxmlformats.org/spreadsheetml/2006/main"
REL_NS = "http://schemas.openxmlformats.org/officeDocument/2006/relationships"


def write_kept_features(path):
    """Everything a save must keep although the engine does not model it."""
    wb = openpyxl.Workbook()
    ws = wb.active
    ws.title = "Data"
    ws["A1"] = "Name"
    ws["A1"].font = Font(bold=True)
    ws["B1"] = "Amount"
    ws["A2"] = "apple"
    ws["B2"] = 1.5
    ws["B2"].number_format = "0.00"
    ws["C2"] = datetime.datetime(2020, 1, 2)
    ws["C2"].number_format = "yyyy-mm-dd"
    ws["D2"] = True
    ws["E2"] = "=SUM(B2:B3)"
    ws["A3"] = "pear"
    ws["B3"] = 2
    ws["A5"] = "below"
    ws["A7"] = "last"
    ws.column_dimensions["A"].width = 25
    ws.column_dimensions["C"].width = 14
    ws.row_dimensions[2].height = 30
    ws.merge_cells("F1:G2")
    ws.merge_cells("A6:B6")
    ws["A2"].comment = Comment("fruit", "tester")
    dv = DataValidation(type="list", formula1='"yes,no"', allow_blank=True)
    ws.add_data_validation(dv)
    dv.add("H2:H10")
    wb.defined_names.append(DefinedName("Total", attr_text="Data!$B$2:$B$3"))
    other = wb.create_sheet("Other")
    other["C3"] = "other value"
    hidden = wb.create_sheet("Hidden")
    hidden["A1"] = 7
    hidden.sheet_state = "hidden"
    chart = BarChart()
    chart.add_data(Reference(ws, min_col=2, min_row=1, max_row=3), titles_from_data=True)
    chartsheet = wb.create_chartsheet("Chart")
    chartsheet.add_chart(chart)
    wb.active = 1
    other.sheet_view.selection[0].activeCell = "C3"
    other.sheet_view.selection[0].sqref = "C3:D4"
    wb.save(path)


def write_date1904(path):
    wb = openpyxl.Workbook()
    wb.epoch = openpyxl.utils.datetime.CALENDAR_MAC_1904
    ws = wb.active
    ws["A1"] = datetime.datetime(2020, 1, 2)
    ws["A1"].number_format = "d-mmm-yy"
    wb.save(path)


def raw_package(path, sheet_xml, shared_strings=None, workbook_extra="", styles=None, workbook_xml=None):
    """A minimal package around hand-written sheet XML."""
    overrides = [
        ("/xl/workbook.xml", "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"),
        ("/xl/worksheets/sheet1.xml", "application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"),
    ]
    rels = ['<Relationship Id="rId1" Type="%s/worksheet" Target="worksheets/sheet1.xml"/>' % REL_NS]
    if shared_strings is not None:
        overrides.append(("/xl/sharedStrings.xml",
                          "application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml"))
        rels.append('<Relationship Id="rId2" Type="%s/sharedStrings" Target="sharedStrings.xml"/>' % REL_NS)
    if styles is not None:
        overrides.append(("/xl/styles.xml", "application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml"))
        rels.append('<Relationship Id="rId3" Type="%s/styles" Target="styles.xml"/>' % REL_NS)
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("[Content_Types].xml",
                   '<?xml version="1.0" encoding="UTF-8"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
                   '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
                   '<Default Extension="xml" ContentType="application/xml"/>'
                   + "".join('<Override PartName="%s" ContentType="%s"/>' % o for o in overrides) + "</Types>")
        z.writestr("_rels/.rels",
                   '<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
                   '<Relationship Id="rId1" Type="%s/officeDocument" Target="xl/workbook.xml"/></Relationships>' % REL_NS)
        z.writestr("xl/workbook.xml", workbook_xml or (
                   '<?xml version="1.0" encoding="UTF-8"?><workbook xmlns="%s" xmlns:r="%s">%s'
                   '<sheets><sheet name="Sheet1" sheetId="1" r:id="rId1"/></sheets></workbook>'
                   % (MAIN_NS, REL_NS, workbook_extra)))
        z.writestr("xl/_rels/workbook.xml.rels",
                   '<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
                   + "".join(rels) + "</Relationships>")
        z.writestr("xl/worksheets/sheet1.xml", sheet_xml)
        if shared_strings is not None:
            z.writestr("xl/sharedStrings.xml", shared_strings)
        if styles is not None:
            z.writestr("xl/styles.xml", styles)


def sheet(body, head=""):
    return ('<?xml version="1.0" encoding="UTF-8"?><worksheet xmlns="%s" xmlns:r="%s">%s<sheetData>%s</sheetData></worksheet>'
            % (MAIN_NS, REL_NS, head, body))


def write_cell_kinds(path):
    """Cached formula values, shared formulas, inline and rich strings, errors."""
    sst = ('<?xml version="1.0" encoding="UTF-8"?><sst xmlns="%s" count="4" uniqueCount="4">'
           '<si><t>plain</t></si>'
           '<si><r><rPr><b/></rPr><t>bold </t></r><r><t xml:space="preserve">and plain</t></r></si>'
           '<si><t>ruby</t><rPh sb="0" eb="1"><t>RUBY</t></rPh></si>'
           '<si><t>bell_x0007_ and _x005F_x0041_</t></si>'
           '</sst>' % MAIN_NS)
    body = ('<row r="1"><c r="A1" t="s"><v>0</v></c><c r="B1" t="s"><v>1</v></c><c r="C1" t="s"><v>2</v></c>'
            '<c r="D1" t="inlineStr"><is><t>inline &amp; &lt;text&gt; &#x263A;</t></is></c>'
            '<c r="E1" t="s"><v>3</v></c></row>'
            '<row r="2"><c r="A2"><v>10</v></c><c r="B2"><f>A2*2</f><v>20</v></c>'
            '<c r="C2" t="str"><f>"x"&amp;A2</f><v>x10</v></c><c r="D2" t="b"><f>A2&gt;5</f><v>1</v></c>'
            '<c r="E2" t="e"><f>1/0</f><v>#DIV/0!</v></c><c r="F2" t="e"><v>#N/A</v></c></row>'
            '<row r="3"><c r="A3"><v>1</v></c><c r="B3"><f t="shared" ref="B3:B5" si="0">A3+$A$2</f><v>11</v></c>'
            '<c r="C3" cm="1"><f t="array" ref="C3:C4">A3:A4*2</f><v>2</v></c></row>'
            '<row r="4"><c r="A4"><v>2</v></c><c r="B4"><f t="shared" si="0"/><v>12</v></c></row>'
            '<row r="5" ht="25" customHeight="1"><c r="A5"><v>3</v></c><c r="B5"><f t="shared" si="0"/><v>13</v></c></row>'
            '<row r="6"><c r="A6" t="d"><v>2020-01-02T12:00:00</v></c><c r="B6" s="0"/></row>')
    raw_package(path, sheet(body), shared_strings=sst)


def write_formulas(path):
    """Formulas as openpyxl writes them: no cached values at all."""
    wb = openpyxl.Workbook()
    ws = wb.active
    ws.title = "Data"
    for i in range(1, 6):
        ws.cell(i, 1, i * 10)
    ws["B1"] = "=SUM(A1:A5)"
    ws["B2"] = "=A2*2"
    ws["B3"] = "=B2+B1"
    ws["B4"] = '=IF(A1>5,"big","small")'
    ws["B5"] = "=1/0"
    ws["B6"] = "=Total*2"
    other = wb.create_sheet("My Sheet")
    other["A1"] = "='Data'!B1+1"
    other["A2"] = "=SUM(Data!A:A)"
    other["A3"] = "=VLOOKUP(30,Data!A1:B5,2,FALSE)"
    other["A4"] = "=ISBLANK(Data!C1)"
    wb.defined_names.append(DefinedName("Total", attr_text="Data!$B$1"))
    wb.save(path)


def write_cached_unknown(path):
    """A formula calling a function the server does not know, with its cached
    value, and a formula reading it."""
    body = ('<row r="1"><c r="A1"><v>2</v></c><c r="B1"><f>FUTUREFUNC(A1)</f><v>42</v></c>'
            '<c r="C1"><f>B1+1</f><v>43</v></c><c r="D1"><f>A1*5</f><v>999</v></c></row>')
    raw_package(path, sheet(body))


def write_entity_attack(path, kind):
    if kind == "external":
        doc = ('<?xml version="1.0"?><!DOCTYPE worksheet [<!ENTITY xxe SYSTEM "file:///etc/passwd">]>'
               '<worksheet xmlns="%s"><sheetData><row r="1"><c r="A1" t="inlineStr"><is><t>&xxe;</t></is></c></row>'
               '</sheetData></worksheet>' % MAIN_NS)
        raw_package(path, doc)
    else:
        lol = "".join('<!ENTITY l%d "&l%d;&l%d;&l%d;&l%d;&l%d;&l%d;&l%d;&l%d;&l%d;&l%d;">' % ((i,) + (i - 1,) * 10)
                      for i in range(1, 10))
        wb = ('<?xml version="1.0"?><!DOCTYPE workbook [<!ENTITY l0 "lol">%s]><workbook xmlns="%s" xmlns:r="%s">'
              '<sheets><sheet name="&l9;" sheetId="1" r:id="rId1"/></sheets></workbook>' % (lol, MAIN_NS, REL_NS))
        raw_package(path, sheet(""), workbook_xml=wb)


def write_filtered(path):
    """An AutoFilter on A1:C8 hiding rows 3 and 5; row 10 hidden by hand."""
    wb = openpyxl.Workbook()
    ws = wb.active
    ws.append(["Name", "Keep", "Count"])
    for row in range(2, 11):
        ws.append([f"n{row}", "no" if row in (3, 5) else "yes", row])
    ws.auto_filter.ref = "A1:C8"
    for row in (3, 5, 10):
        ws.row_dimensions[row].hidden = True
    wb.save(path)

def write_fixtures(folder):
    os.makedirs(folder, exist_ok=True)
    write_filtered(os.path.join(folder, "filtered.xlsx"))
    write_kept_features(os.path.join(folder, "kept_features.xlsx"))
    write_date1904(os.path.join(folder, "date1904.xlsx"))
    write_cell_kinds(os.path.join(folder, "cell_kinds.xlsx"))
    write_formulas(os.path.join(folder, "formulas.xlsx"))
    write_cached_unknown(os.path.join(folder, "cached_unknown.xlsx"))
    write_entity_attack(os.path.join(folder, "external_entity.xlsx"), "external")
    write_entity_attack(os.path.join(folder, "entity_expansion.xlsx"), "expansion")
    raw_package(os.path.join(folder, "malformed_sheet.xlsx"), sheet('<row r="1"><c r="A1"><v>1</v></row>'))
    raw_package(os.path.join(folder, "missing_sheet_part.xlsx"), sheet(""))
    with zipfile.ZipFile(os.path.join(folder, "missing_sheet_part.xlsx"), "r") as src:
        parts = {n: src.read(n) for n in src.namelist() if n != "xl/worksheets/sheet1.xml"}
    with zipfile.ZipFile(os.path.join(folder, "missing_sheet_part.xlsx"), "w", zipfile.ZIP_DEFLATED) as z:
        for n, data in parts.items():
            z.writestr(n, data)
    with zipfile.ZipFile(os.path.join(folder, "no_workbook.xlsx"), "w") as z:
        z.writestr("hello.txt", "not a workbook")


def cell_text(c):
    v = c.value
    if v is None:
        return None
    if isinstance(v, bool):
        kind, text = "b", "TRUE" if v else "FALSE"
    elif isinstance(v, (int, float)):
        kind, text = "n", repr(float(v))
    elif isinstance(v, datetime.datetime):
        kind, text = "d", v.isoformat()
    elif isinstance(v, str) and c.data_type == "f":
        kind, text = "f", v
    elif isinstance(v, str) and c.data_type == "e":
        kind, text = "e", v
    else:
        kind, text = "s", str(v)
    return "%s %s" % (kind, text)


def dump(path):
    wb = openpyxl.load_workbook(path)
    out = []
    out.append("active %s" % wb.active.title)
    for ws in wb.worksheets + list(wb.chartsheets):
        out.append("sheet %s %s" % (ws.title, ws.sheet_state))
    for ws in wb.worksheets:
        t = ws.title
        for row in ws.iter_rows():
            for c in row:
                text = cell_text(c)
                if text is not None:
                    out.append("cell %s!%s %s" % (t, c.coordinate, text))
                if c.has_style and c.number_format != "General":
                    out.append("format %s!%s %s" % (t, c.coordinate, c.number_format))
                if c.font is not None and c.font.b:
                    out.append("bold %s!%s" % (t, c.coordinate))
                if c.comment is not None:
                    out.append("comment %s!%s %s" % (t, c.coordinate, c.comment.text))
        for key, dim in sorted(ws.column_dimensions.items()):
            if dim.width and dim.customWidth:
                out.append("width %s!%s %g" % (t, key, dim.width))
        for key, dim in sorted(ws.row_dimensions.items()):
            if dim.height:
                out.append("height %s!%d %g" % (t, key, dim.height))
        for rng in ws.merged_cells.ranges:
            out.append("merge %s!%s" % (t, rng.coord))
        for dv in ws.data_validations.dataValidation:
            out.append("validation %s!%s %s %s" % (t, dv.sqref, dv.type, dv.formula1))
        out.append("selection %s!%s %s" % (t, ws.sheet_view.selection[0].activeCell, ws.sheet_view.selection[0].sqref))
    for dn in wb.defined_names.definedName:
        out.append("name %s %s" % (dn.name, dn.attr_text))
    print("\n".join(out))


def dump_values(path):
    """The values a reader that does not calculate sees (data_only=True)."""
    wb = openpyxl.load_workbook(path, data_only=True)
    out = []
    for ws in wb.worksheets:
        for row in ws.iter_rows():
            for c in row:
                text = cell_text(c)
                if text is not None:
                    out.append("value %s!%s %s" % (ws.title, c.coordinate, text))
    print("\n".join(out))


if __name__ == "__main__":
    if sys.argv[1] == "write":
        write_fixtures(sys.argv[2])
    elif sys.argv[1] == "dump":
        dump(sys.argv[2])
    elif sys.argv[1] == "values":
        dump_values(sys.argv[2])
