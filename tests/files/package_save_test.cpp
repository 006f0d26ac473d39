// Saving packages: lossless for what the engine does not model, cells keep
// their styles, structure moves with deleted rows and columns, and the
// result reads back in python3-openpyxl.
#include <gtest/gtest.h>

#include "server/files/utf8.h"
#include "server/files/workbook_files.h"
#include "server/files/zip_reader.h"
#include "tests/files/file_test_support.h"

namespace sheetwright::files {
namespace {

using engine::CellType;
using namespace testing;

class PackageSave : public FixtureCopyTest {
 protected:
  void SetText(engine::Sheet& sheet, int32_t row, int32_t col, const wchar_t* text) {
    engine::Cell& cell = sheet.Put(row, col);
    uint32_t style = cell.style;
    cell.ClearContent();
    cell.style = style;
    cell.type = CellType::Text;
    cell.text = book_.strings.Intern(text);
    book_.dirty = true;
  }
};

TEST_F(PackageSave, UnchangedSaveKeepsEveryPartAndReadsBack) {
  std::string path = LoadCopy("kept_features.xlsx");
  std::set<std::string> before = Dump(path);
  MustSave(book_);
  EXPECT_EQ(Dump(path), before);
  // Parts the save did not touch are byte-for-byte the same.
  ZipReader original(Fixture("kept_features.xlsx"), "original");
  ZipReader saved(path, "saved");
  ASSERT_EQ(saved.entries().size(), original.entries().size());
  for (size_t i = 0; i < original.entries().size(); ++i) {
    SCOPED_TRACE(original.entries()[i].name);
    auto at = saved.Find(original.entries()[i].name);
    ASSERT_TRUE(at.has_value());
    EXPECT_EQ(saved.ReadAll(*at), original.ReadAll(i));
  }
}

TEST_F(PackageSave, StyleKeptWhenValueChanges) {
  std::string path = LoadCopy("kept_features.xlsx");
  engine::Sheet& data = *book_.sheets[0];
  engine::Cell& amount = data.Put(2, 2);
  amount.number = 99.25;
  SetText(data, 1, 1, L"Renamed");
  MustSave(book_);
  std::set<std::string> facts = Dump(path);
  ExpectFacts(facts, {"cell Data!B2 n 99.25", "format Data!B2 0.00", "cell Data!A1 s Renamed", "bold Data!A1",
                      "cell Data!C2 d 2020-01-02T00:00:00", "format Data!C2 yyyy-mm-dd", "cell Data!E2 f =SUM(B2:B3)",
                      "width Data!A 25", "height Data!2 30", "merge Data!F1:G2", "comment Data!A2 fruit",
                      "validation Data!H2:H10 list \"yes,no\"", "name Total Data!$B$2:$B$3",
                      "cell Other!C3 s other value", "sheet Hidden hidden", "sheet Chart visible", "active Other"});
  EXPECT_FALSE(book_.dirty);
  EXPECT_FALSE(data.modified);
}

TEST_F(PackageSave, UnknownPartsSurviveSave) {
  std::string path = LoadCopy("kept_features.xlsx");
  SetText(*book_.sheets[0], 9, 1, L"new");
  MustSave(book_);
  ZipReader original(Fixture("kept_features.xlsx"), "original");
  ZipReader saved(path, "saved");
  for (const ZipEntry& e : original.entries()) {
    SCOPED_TRACE(e.name);
    EXPECT_TRUE(saved.Find(e.name).has_value());
  }
  // The drawing and chart parts of the chart sheet are copied as they were.
  for (const char* part : {"xl/charts/chart1.xml", "xl/comments/comment1.xml"}) {
    SCOPED_TRACE(part);
    auto a = original.Find(part);
    auto b = saved.Find(part);
    if (!a) continue;  // named differently by this openpyxl version
    ASSERT_TRUE(b.has_value());
    EXPECT_EQ(saved.ReadRaw(*b), original.ReadRaw(*a));
  }
  ExpectFacts(Dump(path), {"cell Data!A9 s new", "comment Data!A2 fruit"});
}

TEST_F(PackageSave, DeletedRowsMoveMergesValidationAndUsedRange) {
  std::string path = LoadCopy("kept_features.xlsx");
  engine::Sheet& data = *book_.sheets[0];
  data.DeleteRows(4, 1);  // A5 "below" -> A4, merge A6:B6 -> A5:B5, A7 -> A6
  MustSave(book_);
  std::set<std::string> facts = Dump(path);
  ExpectFacts(facts, {"cell Data!A4 s below", "cell Data!A6 s last", "merge Data!A5:B5", "merge Data!F1:G2",
                      "validation Data!H2:H9 list \"yes,no\"", "height Data!2 30", "width Data!A 25"});
  ExpectNoFacts(facts, {"merge Data!A6:B6", "cell Data!A7 s last"});
  engine::Workbook again;
  MustLoad(path, again);
  engine::Sheet::Bounds b = again.sheets[0]->UsedBounds();
  EXPECT_EQ(b.lastRow, 6);
}

TEST_F(PackageSave, DeletedColumnsMoveWidthsAndMerges) {
  std::string path = LoadCopy("kept_features.xlsx");
  book_.sheets[0]->DeleteColumns(2, 1);  // B goes: C's width moves to B, F1:G2 to E1:F2
  MustSave(book_);
  std::set<std::string> facts = Dump(path);
  ExpectFacts(facts, {"width Data!A 25", "width Data!B 14", "merge Data!E1:F2",
                      "cell Data!B2 d 2020-01-02T00:00:00", "validation Data!G2:G10 list \"yes,no\""});
  ExpectNoFacts(facts, {"width Data!C 14", "merge Data!F1:G2", "merge Data!A6:A6"});
}

TEST_F(PackageSave, NewTextAppendedToSharedStringsKeepsRichEntries) {
  std::string path = LoadCopy("cell_kinds.xlsx");
  SetText(*book_.sheets[0], 8, 1, L"  padded & new  ");
  SetText(*book_.sheets[0], 8, 2, L"tab\u0001 and _x0041_");
  MustSave(book_);
  std::set<std::string> facts = Dump(path);
  ExpectFacts(facts, {"cell Sheet1!A8 s   padded & new  ", "cell Sheet1!B1 s bold and plain", "cell Sheet1!A1 s plain",
                      "cell Sheet1!B4 f =A4+$A$2", "cell Sheet1!F2 e #N/A", "height Sheet1!5 25"});
  engine::Workbook again;
  MustLoad(path, again);
  const engine::Sheet& s = *again.sheets[0];
  ASSERT_NE(s.Find(2, 2), nullptr);
  EXPECT_DOUBLE_EQ(s.Find(2, 2)->number, 20) << "cached formula value kept";
  EXPECT_EQ(s.Find(2, 5)->error, engine::ErrorValue::Div0);
  EXPECT_EQ(again.strings.Text(s.Find(8, 1)->text), L"  padded & new  ");
  EXPECT_EQ(again.strings.Text(s.Find(8, 2)->text), L"tab\u0001 and _x0041_");
  EXPECT_EQ(again.strings.Text(s.Find(1, 5)->text), L"bell\a and _x0041_");
}

TEST_F(PackageSave, ArrayFormulaAndCellMetadataSurviveSave) {
  std::string path = LoadCopy("cell_kinds.xlsx");
  SetText(*book_.sheets[0], 9, 1, L"elsewhere");
  MustSave(book_);
  ZipReader saved(path, "saved");
  std::string sheet = saved.ReadAll(*saved.Find("xl/worksheets/sheet1.xml"));
  EXPECT_NE(sheet.find("<c r=\"C3\" cm=\"1\"><f t=\"array\" ref=\"C3:C4\">A3:A4*2</f><v>2</v></c>"), std::string::npos)
      << sheet;
  // Once the cell holds something else, the attributes that described the old content go.
  engine::Cell& cell = book_.sheets[0]->Put(3, 3);
  cell.ClearContent();
  cell.type = CellType::Number;
  cell.number = 5;
  MustSave(book_);
  ZipReader again(path, "again");
  sheet = again.ReadAll(*again.Find("xl/worksheets/sheet1.xml"));
  EXPECT_NE(sheet.find("<c r=\"C3\"><v>5</v></c>"), std::string::npos) << sheet;
}

TEST_F(PackageSave, DerivedStyleAppendedToCellFormats) {
  std::string path = LoadCopy("kept_features.xlsx");
  engine::Cell& cell = book_.sheets[0]->Put(10, 2);
  cell.type = CellType::Number;
  cell.number = 0.25;
  cell.style = book_.DeriveStyle(cell.style, engine::kNumFmtPercent);
  engine::Cell& date = book_.sheets[0]->Put(11, 2);
  date.type = CellType::Date;
  date.number = 43832;
  date.style = book_.DeriveStyle(date.style, engine::kNumFmtShortDate);
  MustSave(book_);
  ExpectFacts(Dump(path), {"cell Data!B10 n 0.25", "format Data!B10 0%", "cell Data!B11 d 2020-01-02T00:00:00",
                           "format Data!B2 0.00"});
  // A second save after more changes must not append the same formats again.
  book_.sheets[0]->Put(12, 2).number = 1;
  MustSave(book_);
  engine::Workbook again;
  MustLoad(path, again);
  EXPECT_EQ(again.styleNumberFormat.size(), book_.styleNumberFormat.size());
}

TEST_F(PackageSave, ViewStateAndSheetChangesAreWritten) {
  std::string path = LoadCopy("kept_features.xlsx");
  book_.activeSheet = 0;
  book_.sheets[0]->activeRow = 4;
  book_.sheets[0]->activeCol = 2;
  book_.sheets[0]->selection = {engine::CellRect{4, 2, 5, 3}};
  book_.sheets[1]->name = L"Renamed";
  book_.sheets[2]->hidden = false;
  engine::Sheet& added = book_.AddWorksheet(L"Added");
  added.Put(1, 1).type = CellType::Boolean;
  MustSave(book_);
  std::set<std::string> facts = Dump(path);
  ExpectFacts(facts, {"active Data", "selection Data!B4 B4:C5", "sheet Renamed visible", "sheet Hidden visible",
                      "sheet Added visible", "cell Added!A1 b FALSE", "cell Renamed!C3 s other value",
                      "name Total Data!$B$2:$B$3"});
}

TEST_F(PackageSave, NewWorkbookSavesAsFreshPackage) {
  engine::Workbook book;
  engine::Sheet& sheet = book.AddWorksheet(L"Fresh");
  sheet.Put(1, 1).type = CellType::Number;
  sheet.Put(1, 1).number = 42;
  engine::Cell& text = sheet.Put(2, 3);
  text.type = CellType::Text;
  text.text = book.strings.Intern(L"<tag> & \"quote\"");
  engine::Cell& pct = sheet.Put(3, 1);
  pct.type = CellType::Number;
  pct.number = 0.5;
  pct.style = book.DeriveStyle(0, engine::kNumFmtPercent);
  book.fullPath = WideFromUtf8(dir_ + "/fresh.xlsx");
  MustSave(book);
  ExpectFacts(Dump(dir_ + "/fresh.xlsx"), {"sheet Fresh visible", "cell Fresh!A1 n 42.0",
                                           "cell Fresh!C2 s <tag> & \"quote\"", "format Fresh!A3 0%"});
  // And a save after that goes through the package it just wrote.
  sheet.Put(4, 1).type = CellType::Boolean;
  MustSave(book);
  ExpectFacts(Dump(dir_ + "/fresh.xlsx"), {"cell Fresh!A4 b FALSE", "cell Fresh!A1 n 42.0"});
}

}  // namespace
}  // namespace sheetwright::files
