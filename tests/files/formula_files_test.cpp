// Formulas in files: cached values stay as loaded, formulas without one are
// calculated at load (other sheets, quoted names and defined names
// included), a formula calling an unknown function keeps its cached value
// until what it reads changes, and a saved file carries the calculated
// values that python3-openpyxl reads with data_only=True.
#include <gtest/gtest.h>

#include "server/engine/calculation.h"
#include "server/engine/typed_input.h"
#include "server/files/workbook_files.h"
#include "tests/files/file_test_support.h"

namespace sheetwright::files {
namespace {

using engine::CellType;
using namespace testing;

class FormulaFiles : public FixtureCopyTest {
 protected:
  void Type(engine::Sheet& sheet, int32_t row, int32_t col, const std::wstring& text) {
    ASSERT_TRUE(engine::StoreTypedValue(book_, sheet, row, col, engine::InterpretTypedText(text)));
  }
};

TEST_F(FormulaFiles, FormulasWithoutValuesAreCalculatedAtLoadAndSavedForReaders) {
  const std::string path = LoadCopy("formulas.xlsx");
  engine::Sheet& data = *book_.FindSheet(L"Data");
  engine::Sheet& other = *book_.FindSheet(L"My Sheet");
  EXPECT_EQ(data.Find(1, 2)->number, 150);
  EXPECT_EQ(data.Find(3, 2)->number, 190);
  EXPECT_EQ(book_.strings.Text(data.Find(4, 2)->text), L"big");
  EXPECT_EQ(data.Find(5, 2)->type, CellType::Error);
  EXPECT_EQ(data.Find(6, 2)->number, 300);
  EXPECT_EQ(other.Find(1, 1)->number, 151);
  EXPECT_EQ(other.Find(2, 1)->number, 150);
  EXPECT_EQ(other.Find(3, 1)->number, 190);
  EXPECT_EQ(other.Find(4, 1)->boolean, true);
  EXPECT_EQ(book_.FormulaText(other.Find(1, 1)->formula), L"'Data'!B1+1");

  // A change reaches the other sheet before the save.
  Type(data, 1, 1, L"110");
  MustSave(book_);
  ExpectFacts(DumpValues(path), {
                                    "value Data!B1 n 250.0",
                                    "value Data!B3 n 290.0",
                                    "value Data!B4 s big",
                                    "value Data!B5 e #DIV/0!",
                                    "value Data!B6 n 500.0",
                                    "value My Sheet!A1 n 251.0",
                                    "value My Sheet!A2 n 250.0",
                                    "value My Sheet!A3 n 290.0",
                                    "value My Sheet!A4 b TRUE",
                                });
  // The formulas themselves are saved as they were written.
  ExpectFacts(Dump(path), {"cell Data!B1 f =SUM(A1:A5)", "cell My Sheet!A1 f ='Data'!B1+1", "cell Data!B6 f =Total*2"});
}

TEST_F(FormulaFiles, CachedValuesStayUntilWhatTheyReadChanges) {
  LoadCopy("cached_unknown.xlsx");
  engine::Sheet& sheet = *book_.sheets[0];
  // Cached values are kept as loaded, even a wrong one.
  EXPECT_EQ(sheet.Find(1, 2)->number, 42);
  EXPECT_EQ(sheet.Find(1, 3)->number, 43);
  EXPECT_EQ(sheet.Find(1, 4)->number, 999);
  // A full calculation leaves the unknown function's value alone.
  book_.calculation->CalculateFull();
  EXPECT_EQ(sheet.Find(1, 2)->number, 42);
  EXPECT_EQ(sheet.Find(1, 4)->number, 10);
  // Once what it reads changes, it is calculated: #NAME?.
  Type(sheet, 1, 1, L"3");
  EXPECT_EQ(sheet.Find(1, 2)->type, CellType::Error);
  EXPECT_EQ(sheet.Find(1, 2)->error, engine::ErrorValue::Name);
  EXPECT_EQ(sheet.Find(1, 3)->type, CellType::Error);
  EXPECT_EQ(sheet.Find(1, 4)->number, 15);
}

}  // namespace
}  // namespace sheetwright::files
