// Faults the fuzz targets found in the file layer, one test per fault: texts
// XML cannot carry, formula escapes, a shared-string table whose comments
// mention its root, and packages that load but could not be written again.
// The inputs are also in tests/fuzz/corpus, where the fuzz targets replay them.
#include <gtest/gtest.h>
#include <pugixml.hpp>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <vector>

#include "server/engine/calculation.h"
#include "server/files/utf8.h"
#include "server/files/workbook_files.h"
#include "server/files/zip_reader.h"
#include "server/files/zip_writer.h"
#include "tests/files/file_test_support.h"

namespace sheetwright::files {
namespace {

using engine::CellType;
using namespace testing;

const char kSheetHead[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?><worksheet "
    "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
    "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><sheetData>";
const char kSheetTail[] = "</sheetData></worksheet>";

// cell_kinds.xlsx with some of its parts replaced, some stored under other
// names and some stored a second time under another name, written to `path`.
void WritePackage(const std::string& path, const std::map<std::string, std::string>& replaced,
                  const std::map<std::string, std::string>& renamed = {},
                  const std::map<std::string, std::string>& alsoStoredAs = {}) {
  ZipReader source(Fixture("cell_kinds.xlsx"), "cell_kinds.xlsx");
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  ZipWriter writer(fileno(f), path);
  for (size_t i = 0; i < source.entries().size(); ++i) {
    const std::string& name = source.entries()[i].name;
    auto it = replaced.find(name);
    auto stored = renamed.find(name);
    const std::string content = it != replaced.end() ? it->second : source.ReadAll(i);
    writer.AddDeflated(stored != renamed.end() ? stored->second : name, content);
    auto twice = alsoStoredAs.find(name);
    if (twice != alsoStoredAs.end()) writer.AddDeflated(twice->second, content);
  }
  writer.Finish();
  std::fclose(f);
}

// Every XML part of the package at `path` parses with pugixml.
void ExpectWellFormed(const std::string& path) {
  ZipReader saved(path, "saved");
  for (size_t i = 0; i < saved.entries().size(); ++i) {
    const std::string& name = saved.entries()[i].name;
    if (name.size() < 4 || (name.substr(name.size() - 4) != ".xml" && name.substr(name.size() - 5) != ".rels")) continue;
    SCOPED_TRACE(name);
    const std::string xml = saved.ReadAll(i);
    pugi::xml_document doc;
    pugi::xml_parse_result r = doc.load_buffer(xml.data(), xml.size());
    EXPECT_TRUE(r) << r.description() << " at " << r.offset;
  }
}

class FoundByFuzzing : public ::testing::Test {
 protected:
  void SetUp() override {
    SKIP_WITHOUT_OPENPYXL();
    dir_ = ScratchDir();
  }
  std::string dir_;
};

TEST_F(FoundByFuzzing, TextsAndFormulasSurviveRepeatedSaves) {
  // Characters XML cannot carry raw, literal escape look-alikes and line ends,
  // as text constants (shared strings) and inside formulas.
  const std::wstring kTexts[] = {
      std::wstring(L"a") + wchar_t(0xFFFE) + L"b" + wchar_t(0xFFFF),
      L"_x0041_ stays literal",
      std::wstring(L"bell") + wchar_t(7) + L"tab\tcr\rlf\ncrlf\r\n",
      L"\U0001F600 and _x005F_",
  };
  const std::wstring kFormulas[] = {
      L"\"_x0041_\"",
      std::wstring(L"\"") + wchar_t(0xFFFF) + wchar_t(1) + L"\"&\"x\"",
  };
  const std::string path = dir_ + "/texts.xlsx";
  CopyFile(Fixture("cell_kinds.xlsx"), path);
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE(round);
    engine::Workbook book;
    MustLoad(path, book);
    engine::Sheet& sheet = *book.sheets[0];
    if (round == 0) {
      int32_t row = 20;
      for (const std::wstring& text : kTexts) {
        engine::Cell& cell = sheet.Put(row++, 1);
        cell.type = CellType::Text;
        cell.text = book.strings.Intern(text);
      }
      for (const std::wstring& formula : kFormulas)
        ASSERT_EQ(book.calculation->EnterFormula(sheet, row++, 1, formula), engine::FormulaProblem::None);
    }
    int32_t row = 20;
    for (const std::wstring& text : kTexts) {
      const engine::Cell* cell = sheet.Find(row++, 1);
      ASSERT_NE(cell, nullptr);
      EXPECT_EQ(book.strings.Text(cell->text), text);
    }
    for (const std::wstring& formula : kFormulas) {
      const engine::Cell* cell = sheet.Find(row++, 1);
      ASSERT_NE(cell, nullptr);
      EXPECT_EQ(book.FormulaText(cell->formula), formula);
    }
    sheet.Put(1, 9).type = CellType::Boolean;  // an edit, so the sheet is written again
    book.dirty = true;
    sheet.modified = true;
    MustSave(book);
    ExpectWellFormed(path);
  }
  EXPECT_FALSE(Dump(path).empty()) << "openpyxl reads the saved package";
}

TEST_F(FoundByFuzzing, SharedStringsAreAddedInsideTheRootNotInsideAComment) {
  const std::string sst =
      "<?xml version=\"1.0\"?><!-- <sst><si><t>fake</t></si> --><sst "
      "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" count=\"4\" uniqueCount=\"4\">"
      "<si><t>plain</t></si><si><t>b</t></si><si><t>c</t></si><si><t>d</t></si></sst><!-- ends with </sst> -->";
  const std::string path = dir_ + "/comment.xlsx";
  WritePackage(path, {{"xl/sharedStrings.xml", sst}});
  {
    engine::Workbook book;
    MustLoad(path, book);
    engine::Cell& cell = book.sheets[0]->Put(30, 1);
    cell.type = CellType::Text;
    cell.text = book.strings.Intern(L"added");
    book.sheets[0]->modified = true;
    book.dirty = true;
    MustSave(book);
  }
  ExpectWellFormed(path);
  engine::Workbook again;
  MustLoad(path, again);
  const engine::Cell* cell = again.sheets[0]->Find(30, 1);
  ASSERT_NE(cell, nullptr);
  EXPECT_EQ(again.strings.Text(cell->text), L"added");
  EXPECT_EQ(again.strings.Text(again.sheets[0]->Find(1, 1)->text), L"plain");
}

TEST_F(FoundByFuzzing, WhatLoadsCanBeSavedOrIsRefusedAtOpen) {
  struct Case {
    const char* name;
    std::string sheet;
    bool loads;
  };
  const std::string row = "<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>";
  const Case cases[] = {
      {"attribute name starting with a digit in the kept head",
       std::string(kSheetHead).replace(std::string(kSheetHead).find("<sheetData>"), 11,
                                       "<sheetPr 1bad=\"x\"/><sheetData>") + row + kSheetTail,
       false},
      {"attribute without a name", std::string(kSheetHead) + "<row r=\"1\" =\"2\"/>" + kSheetTail, false},
      {"attributes run together", std::string(kSheetHead) + "<row r=\"1\"s=\"2\"/>" + kSheetTail, false},
      {"'<' in an attribute value", std::string(kSheetHead) + "<row r=\"1\" x=\"<\"/>" + kSheetTail, false},
      {"element name starting with '-'", std::string(kSheetHead) + "<-x/>" + kSheetTail, false},
      {"comment with markup before the root",
       "<?xml version=\"1.0\"?><!-- <worksheet><sheetData> -->" + std::string(kSheetHead).substr(38) + row + kSheetTail,
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir_ + "/case.xlsx";
    WritePackage(path, {{"xl/worksheets/sheet1.xml", c.sheet}});
    engine::Workbook book;
    FileStatus status = LoadWorkbook(WideFromUtf8(path), book);
    EXPECT_EQ(status.ok(), c.loads) << status.description;
    if (!status.ok()) continue;
    book.sheets[0]->Put(2, 2).type = CellType::Boolean;
    book.sheets[0]->modified = true;
    book.dirty = true;
    FileStatus saved = SaveWorkbook(book);
    EXPECT_TRUE(saved.ok()) << saved.description;
    ExpectWellFormed(path);
  }
}

TEST_F(FoundByFuzzing, PartStoredUnderAnotherCaseKeepsItsEdits) {
  // Relationships name "xl/worksheets/sheet1.xml" and "sharedStrings.xml";
  // the package stores them as "sheEt1.xml" and "SharedStrings.xml". Part
  // names compare without case, so these are the same parts: an edit saved
  // must replace them, not be dropped while the old parts are copied.
  const std::string path = dir_ + "/cases.xlsx";
  WritePackage(path, {}, {{"xl/worksheets/sheet1.xml", "xl/worksheets/sheEt1.xml"},
                          {"xl/sharedStrings.xml", "xl/SharedStrings.xml"}});
  {
    engine::Workbook book;
    MustLoad(path, book);
    engine::Cell& cell = book.sheets[0]->Put(engine::kMaxRows, 3);
    cell.type = CellType::Text;
    cell.text = book.strings.Intern(L"added in the last row");
    book.sheets[0]->modified = true;
    book.dirty = true;
    MustSave(book);
  }
  ZipReader saved(path, "saved");
  std::vector<std::string> names;
  for (const ZipEntry& e : saved.entries()) names.push_back(e.name);
  EXPECT_EQ(std::count(names.begin(), names.end(), "xl/worksheets/sheEt1.xml"), 1) << "kept under its stored name";
  EXPECT_EQ(std::count(names.begin(), names.end(), "xl/worksheets/sheet1.xml"), 0);
  engine::Workbook again;
  MustLoad(path, again);
  const engine::Cell* cell = again.sheets[0]->Find(engine::kMaxRows, 3);
  ASSERT_NE(cell, nullptr);
  EXPECT_EQ(again.strings.Text(cell->text), L"added in the last row");
}

TEST_F(FoundByFuzzing, PartStoredTwiceUnderDifferentCaseIsRefusedAtOpen) {
  // Which of the two a relationship means is undecided, and a save could
  // replace only one of them.
  const std::string path = dir_ + "/twice.xlsx";
  WritePackage(path, {}, {}, {{"xl/worksheets/sheet1.xml", "xl/worksheets/Sheet1.xml"}});
  engine::Workbook book;
  const FileStatus status = LoadWorkbook(WideFromUtf8(path), book);
  EXPECT_FALSE(status.ok());
  EXPECT_NE(status.description.find(L"stored twice"), std::wstring::npos) << Narrow(status.description);
}

TEST_F(FoundByFuzzing, TwoSheetsOnOnePartAreRefusedAtOpen) {
  // Both sheets would write the part on save, the second over the first:
  // the edits of the first would be lost.
  const std::string workbook =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?><workbook "
      "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
      "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><sheets>"
      "<sheet name=\"Data\" sheetId=\"1\" r:id=\"rId1\"/><sheet name=\"Copy\" sheetId=\"2\" r:id=\"rId3\"/>"
      "</sheets></workbook>";
  const std::string rels =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Relationships "
      "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
      "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" "
      "Target=\"worksheets/sheet1.xml\"/>"
      "<Relationship Id=\"rId2\" "
      "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings\" "
      "Target=\"sharedStrings.xml\"/>"
      "<Relationship Id=\"rId3\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" "
      "Target=\"/xl/worksheets/Sheet1.xml\"/></Relationships>";
  const std::string path = dir_ + "/shared-part.xlsx";
  WritePackage(path, {{"xl/workbook.xml", workbook}, {"xl/_rels/workbook.xml.rels", rels}});
  engine::Workbook book;
  const FileStatus status = LoadWorkbook(WideFromUtf8(path), book);
  EXPECT_FALSE(status.ok());
  EXPECT_NE(status.description.find(L"'Data' and 'Copy' refer to the same part"), std::wstring::npos)
      << Narrow(status.description);
}

}  // namespace
}  // namespace sheetwright::files
