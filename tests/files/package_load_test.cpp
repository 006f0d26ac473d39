// Loading packages: every sheet in order with its kind and state, each kind
// of cell value, formulas with their cached values, dates by number format
// and date system, and the view state as stored.
#include <gtest/gtest.h>

#include "server/files/workbook_files.h"
#include "tests/files/file_test_support.h"

namespace sheetwright::files {
namespace {

using engine::CellType;
using namespace testing;

std::wstring TextOf(const engine::Workbook& book, const engine::Cell* cell) {
  return std::wstring(cell ? book.strings.Text(cell->text) : L"<absent>");
}

TEST(PackageLoad, SheetsKeepOrderKindStateAndActiveTab) {
  SKIP_WITHOUT_OPENPYXL();
  engine::Workbook book;
  MustLoad(Fixture("kept_features.xlsx"), book);
  ASSERT_EQ(book.sheets.size(), 4u);
  EXPECT_EQ(book.sheets[0]->name, L"Data");
  EXPECT_EQ(book.sheets[1]->name, L"Other");
  EXPECT_EQ(book.sheets[2]->name, L"Hidden");
  EXPECT_TRUE(book.sheets[2]->hidden);
  EXPECT_EQ(book.sheets[3]->name, L"Chart");
  EXPECT_EQ(book.sheets[3]->kind, engine::SheetKind::ChartSheet);
  EXPECT_EQ(book.WorksheetCount(), 3u);
  EXPECT_EQ(book.activeSheet, 1u);
  EXPECT_EQ(book.sheets[1]->activeRow, 3);
  EXPECT_EQ(book.sheets[1]->activeCol, 3);
  ASSERT_EQ(book.sheets[1]->selection.size(), 1u);
  EXPECT_EQ(book.sheets[1]->selection[0], (engine::CellRect{3, 3, 4, 4}));
  EXPECT_FALSE(book.dirty);
  EXPECT_EQ(book.name, L"kept_features.xlsx");
  EXPECT_EQ(book.fullPath.front(), L'/');
}

TEST(PackageLoad, ValuesReadAsTheirTypes) {
  SKIP_WITHOUT_OPENPYXL();
  engine::Workbook book;
  MustLoad(Fixture("kept_features.xlsx"), book);
  const engine::Sheet& data = *book.sheets[0];
  EXPECT_EQ(TextOf(book, data.Find(1, 1)), L"Name");
  ASSERT_NE(data.Find(2, 2), nullptr);
  EXPECT_EQ(data.Find(2, 2)->type, CellType::Number);
  EXPECT_DOUBLE_EQ(data.Find(2, 2)->number, 1.5);
  ASSERT_NE(data.Find(2, 3), nullptr);
  EXPECT_EQ(data.Find(2, 3)->type, CellType::Date) << "a number in a date format is a date";
  EXPECT_DOUBLE_EQ(data.Find(2, 3)->number, 43832);
  EXPECT_EQ(data.Find(2, 4)->type, CellType::Boolean);
  EXPECT_TRUE(data.Find(2, 4)->boolean);
  ASSERT_NE(data.Find(2, 5), nullptr);
  EXPECT_EQ(book.FormulaText(data.Find(2, 5)->formula), L"SUM(B2:B3)");
  EXPECT_DOUBLE_EQ(data.Find(2, 5)->number, 3.5) << "calculated at load: the file has no value";
}

TEST(PackageLoad, CellKindsAndCachedFormulaValues) {
  SKIP_WITHOUT_OPENPYXL();
  engine::Workbook book;
  MustLoad(Fixture("cell_kinds.xlsx"), book);
  const engine::Sheet& s = *book.sheets[0];
  struct Case {
    const char* name;
    int32_t row, col;
    CellType type;
    std::wstring text;
    double number;
    std::wstring formula;
  };
  const Case cases[] = {
      {"shared string", 1, 1, CellType::Text, L"plain", 0, L""},
      {"rich text reduced to its text", 1, 2, CellType::Text, L"bold and plain", 0, L""},
      {"phonetic run left out", 1, 3, CellType::Text, L"ruby", 0, L""},
      {"inline string with references", 1, 4, CellType::Text, L"inline & <text> \u263A", 0, L""},
      {"escaped control character and escaped underscore", 1, 5, CellType::Text, L"bell\a and _x0041_", 0, L""},
      {"number formula keeps cached value", 2, 2, CellType::Number, L"", 20, L"A2*2"},
      {"string formula result", 2, 3, CellType::Text, L"x10", 0, L"\"x\"&A2"},
      {"shared formula master", 3, 2, CellType::Number, L"", 11, L"A3+$A$2"},
      {"shared formula follower moved", 4, 2, CellType::Number, L"", 12, L"A4+$A$2"},
      {"shared formula second follower", 5, 2, CellType::Number, L"", 13, L"A5+$A$2"},
      {"ISO date cell", 6, 1, CellType::Date, L"", 43832.5, L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const engine::Cell* cell = s.Find(c.row, c.col);
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->type, c.type);
    if (c.type == CellType::Text) {
      EXPECT_EQ(book.strings.Text(cell->text), c.text);
    }
    if (c.type == CellType::Number || c.type == CellType::Date) {
      EXPECT_DOUBLE_EQ(cell->number, c.number);
    }
    EXPECT_EQ(book.FormulaText(cell->formula), c.formula);
  }
  ASSERT_NE(s.Find(2, 4), nullptr);
  EXPECT_EQ(s.Find(2, 4)->type, CellType::Boolean);
  EXPECT_TRUE(s.Find(2, 4)->boolean);
  ASSERT_NE(s.Find(2, 5), nullptr);
  EXPECT_EQ(s.Find(2, 5)->type, CellType::Error);
  EXPECT_EQ(s.Find(2, 5)->error, engine::ErrorValue::Div0);
  EXPECT_EQ(s.Find(2, 6)->error, engine::ErrorValue::NA);
  EXPECT_EQ(s.Find(6, 2), nullptr) << "a cell with neither value nor style is not stored";
  EXPECT_NE(s.RowExtra(5), 0u) << "row height kept with the row";
}

TEST(PackageLoad, Date1904SystemIsRead) {
  SKIP_WITHOUT_OPENPYXL();
  engine::Workbook book;
  MustLoad(Fixture("date1904.xlsx"), book);
  EXPECT_TRUE(book.date1904);
  const engine::Cell* cell = book.sheets[0]->Find(1, 1);
  ASSERT_NE(cell, nullptr);
  EXPECT_EQ(cell->type, CellType::Date);
  EXPECT_DOUBLE_EQ(cell->number, 43832 - 1462);
}

}  // namespace
}  // namespace sheetwright::files
