#!/usr/bin/python3
"""Writes the seed corpora of the fuzz targets into tests/fuzz/corpus/<target>.

  make_seeds.py            rewrites every seed (regression inputs found by
                           fuzzing are kept: they live in files named found-*)

Seeds are small, valid inputs of each target's form, plus the inputs of
faults that fuzzing found (named "regress-*"), so every build replays them.
"""
import datetime
import io
import os
import sys
import zipfile

import openpyxl

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "files"))
import workbook_fixtures as fx  # noqa: E402

MAIN_NS = fx.MAIN_NS


def out(target, name, data):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    if isinstance(data, str):
        data = data.encode("utf-8")
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def zip_parts(path):
    with zipfile.ZipFile(path) as z:
        return [(n, z.read(n)) for n in z.namelist()]


def as_parts(parts):
    """The target's parts form: 0x01, then name NUL content NUL ..."""
    body = b"\x01"
    for name, content in parts:
        body += name.encode() + b"\0" + content + b"\0"
    return body


def small_book(path):
    wb = openpyxl.Workbook()
    ws = wb.active
    ws.title = "Sheet1"
    ws.append(["Name", "Amount", "When", "Flag"])
    ws.append(["Pen", 3, datetime.datetime(2020, 1, 2), True])
    ws.append(["Ink", 7.5, datetime.datetime(2021, 6, 30, 12, 0), False])
    ws["E2"] = "=B2*2"
    ws["B3"].number_format = "0%"
    wb.create_sheet("Other")["A1"] = "other"
    wb.save(path)


def package_seeds(tmp):
    os.makedirs(tmp, exist_ok=True)
    fx.write_fixtures(tmp)
    small = os.path.join(tmp, "small.xlsx")
    small_book(small)
    for name in ["small.xlsx", "cell_kinds.xlsx", "date1904.xlsx", "kept_features.xlsx"]:
        path = os.path.join(tmp, name)
        raw = open(path, "rb").read()
        if len(raw) < 20000:
            out("package", "zip-" + name, b"\x00" + raw)
        out("package", "parts-" + name, as_parts(zip_parts(path)))

    base = zip_parts(os.path.join(tmp, "cell_kinds.xlsx"))

    def with_part(replaced):
        return as_parts([(n, replaced.get(n, c)) for n, c in base])

    head = ('<?xml version="1.0" encoding="UTF-8"?><worksheet xmlns="%s" xmlns:r="%s"><sheetData>'
            % (MAIN_NS, fx.REL_NS)).encode()
    tail = b"</sheetData></worksheet>"
    sst = ('<?xml version="1.0"?><!-- <sst><si><t>fake</t></si> --><sst xmlns="%s" count="4" uniqueCount="4">'
           '<si><t>plain</t></si><si><t>b</t></si><si><t>c</t></si><si><t>d</t></si></sst>'
           '<!-- ends with </sst> -->' % MAIN_NS).encode()
    out("package", "regress-sst-comment-mentions-root", with_part({"xl/sharedStrings.xml": sst}))
    out("package", "regress-invalid-attribute-name",
        with_part({"xl/worksheets/sheet1.xml": head.replace(b"<sheetData>", b'<sheetPr 1bad="x"/><sheetData>')
                   + b'<row r="1"><c r="A1"><v>1</v></c></row>' + tail}))
    out("package", "regress-comment-with-markup-before-root",
        with_part({"xl/worksheets/sheet1.xml": b'<?xml version="1.0"?><!-- <worksheet><sheetData> -->'
                   + head[38:] + b'<row r="1"><c r="A1"><v>1</v></c></row>' + tail}))
    out("package", "regress-noncharacter-escapes",
        with_part({"xl/worksheets/sheet1.xml": head
                   + b'<row r="1"><c r="A1" t="inlineStr"><is><t>a_xFFFF_b_xFFFE_</t></is></c>'
                   + b'<c r="B1" t="str"><f>"_x005F_x0041_"&amp;"_xFFFF_"</f><v>x</v></c></row>' + tail}))
    out("package", "regress-crlf-in-text",
        with_part({"xl/worksheets/sheet1.xml": head
                   + b'<row r="1"><c r="A1" t="inlineStr"><is><t>Hello\r\nFoo\rBar&#13;</t></is></c></row>' + tail}))
    out("package", "regress-huge-percent-and-bad-dates",
        with_part({"xl/worksheets/sheet1.xml": head
                   + b'<row r="1"><c r="A1"><v>1e300</v></c><c r="B1" t="d"><v>99999-01-01</v></c></row>' + tail}))


SESSION = '"SessionName":"F"'


def cmd(name, **params):
    items = [SESSION] + ['"%s":"%s"' % (k, v) for k, v in params.items()]
    return '{"commandName":"%s","parameter":{%s}}' % (name, ",".join(items))


def send_seeds():
    seqs = {
        "read-cells": [cmd("GetSingleCell", CellOption="1", CellAddress="B2"),
                       cmd("GetSingleCell", CellOption="0"),
                       cmd("GoToCell", CellOption="1", SpecifiedCellFrom="C3", ActiveCellOption="1"),
                       cmd("GetSingleCell", CellOption="1", CellAddress="A1:B2")],
        "paging": [cmd("GetWorksheetData", SheetOption="1", SheetName="Other"),
                   cmd("GetMoreWorksheetData"), cmd("GetWorksheetData", SheetOption="0")],
        "set-and-save": [cmd("SetCell", SetCellOption="1", SpecifiedCellFrom="B2", SetCellValue="50%"),
                         cmd("SetCell", SetCellOption="1", SpecifiedCellFrom="A2", SpecifiedCellTo="B3",
                             SetCellValue="'=1+2"),
                         cmd("SetCell", SetCellOption="1", SpecifiedCellFrom="C2", SetCellValue="=A1&\\\"x\\\""),
                         cmd("SetCell", SetCellOption="1", SpecifiedCellFrom="D2", SetCellValue="2/29/1900"),
                         cmd("Close", SaveChanges="1"),
                         '{"commandName":"Open","parameter":{"SessionName":"F","FileName":"@BOOK@","SheetName":"Sheet1"}}',
                         cmd("GetSingleCell", CellOption="1", CellAddress="C2")],
        "sheets-macros": [cmd("SwitchToSheet", ActivateSheetOption="1", ActivateSheetName="Other"),
                          cmd("SwitchToSheet", ActivateSheetOption="0", ActivateSheetIndex="2"),
                          cmd("RunMacro", MacroName="Nothing", MacroArgument="a,b,c"),
                          cmd("RemoveFilterFromWorksheet")],
        "pending": [cmd(n) for n in ["Find", "Replace", "DeleteCells", "GetMultipleCells", "GetSingleRow",
                                     "RemoveBlankRows", "ReadRow", "ReadColumn", "GetCellAddress",
                                     "GetColumnName", "GetRowNumber", "SelectRows", "SelectColumns",
                                     "SelectCells", "GetUsedRange", "GetLastCellAddress", "FindNextEmptyCell",
                                     "GoToNextEmptyCell", "GetFindMoreDataResult", "AttachNewFileName"]],
        "wide": [cmd("SetCell", SetCellOption="1", SpecifiedCellFrom="B2", SetCellValue="\\ud800 lone \\udfff"),
                 cmd("SetCell", SetCellOption="1", SpecifiedCellFrom="B3", SetCellValue="\\ud83d\\ude00 pair"),
                 cmd("GetSingleCell", CellOption="1", CellAddress="B2")],
        "attach-detach": ['{"commandName":"Attach","parameter":{"SessionName":"G","FileName":"@BOOK@",'
                          '"SheetName":"Sheet1"}}',
                          '{"commandName":"GetSingleCell","parameter":{"SessionName":"G","CellOption":"1",'
                          '"CellAddress":"A1"}}',
                          '{"commandName":"Detach","parameter":{"SessionName":"G"}}'],
    }
    for name, lines in seqs.items():
        out("send", name, "\n".join(lines) + "\n")
    # Characters no JSON text carries: raw lone surrogates, values past
    # U+10FFFF (five-byte forms the target decodes to such wchar_t values).
    raw = (cmd("SetCell", SetCellOption="1", SpecifiedCellFrom="B2", SetCellValue="X").encode()
           .replace(b'"X"', b'"\xed\xa0\x80 and \xf8\x88\x80\x80\x80"'))
    out("send", "raw-wide", raw + b"\n" + cmd("Close", SaveChanges="1").encode() + b"\n")
    out("send", "regress-noncharacters-saved",
        "\n".join([cmd("SetCell", SetCellOption="1", SpecifiedCellFrom="B2", SetCellValue="a\\uffffb\\ufffe"),
                   cmd("SetCell", SetCellOption="1", SpecifiedCellFrom="B3", SetCellValue="=\\\"\\uffff\\\""),
                   cmd("Close", SaveChanges="1"),
                   '{"commandName":"Open","parameter":{"SessionName":"F","FileName":"@BOOK@","SheetName":"Sheet1"}}',
                   cmd("GetSingleCell", CellOption="1", CellAddress="B2")]) + "\n")
    out("send", "regress-nul-in-parameter",
        '{"commandName":"Open","parameter":{"SessionName":"H","FileName":"@BOOK@\\u0000.csv"}}\n'
        + cmd("SetCell", SetCellOption="1", SpecifiedCellFrom="B2\\u0000", SetCellValue="x") + "\n")
    out("send", "not-json", "{\"commandName\":\n[]\n{}\n")


def text_seeds():
    csv = {
        "typed": 'name,amount,flag,share,when,code\r\n"Smith, J",1234.5,TRUE,50%,1/2/2020,00123\r\n',
        "quotes": '"a ""b"" c","x\r\ny",,  spaced  \n=1+2,#N/A,2020-01-31 13:45\n',
        "regress-apostrophe": "'007,''x\r\n",
        "regress-percent": "3%,12.50%,-0.5%\r\n",
        "regress-phantom-leap-day": "2/28/1900,2/29/1900,3/1/1900\r\n",
        "bom": "\ufeffa,b\r\n1,2\r\n",
    }
    for name, text in csv.items():
        out("csv", name, text)
    for i, a in enumerate(["A1", "$B$3", "b3:c9", "3:5", "B:D", "A1,C3:D4", "A1:C3 B2:D4", "Sheet1!A1",
                           "'Sheet1'!$A$1:$B$2", "XFD1048576", "A0", "XFE1", "R1C1"]):
        out("address", "a%02d" % i, a)
    for i, t in enumerate(["12", "-1.5", "1E3", "00123", "1,000", " 42 ", "50%", "1E300%", "TRUE", "#N/A",
                           "1/2/2020", "2020-01-02", "13:45", "1/2/2020 8:30 AM", "'00123", "=A1+1",
                           "2/29/1900", "1E400", "9999999999999999999%", "12/31/9999 23:59:59"]):
        out("typed_text", "t%02d" % i, t)


def main():
    tmp = os.path.join("/tmp", "sheetwright-seeds-%d" % os.getpid())
    package_seeds(tmp)
    small_book(os.path.join(HERE, "send_book.xlsx"))
    send_seeds()
    text_seeds()


if __name__ == "__main__":
    main()
