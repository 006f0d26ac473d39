// The sheet's sparse storage against a plain map model: random edits and
// deletions must leave exactly the cells the model says.
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "server/engine/address.h"
#include "server/engine/sheet.h"
#include "server/engine/text_match.h"
#include "server/engine/typed_input.h"
#include "server/engine/value_text.h"
#include "tests/common/number_text_cases.h"

namespace sheetwright::engine {

namespace {

using Model = std::map<std::pair<int32_t, int32_t>, double>;

Model Snapshot(const Sheet& sheet) {
  Model cells;
  sheet.ForEachRow([&](int32_t row) {
    sheet.ForEachCellInRow(row, [&](int32_t col, const Cell& cell) { cells[{row, col}] = cell.number; });
  });
  return cells;
}

Model Shifted(const Model& model, int32_t r1, int32_t c1, int32_t r2, int32_t c2, bool up) {
  Model out;
  for (const auto& [key, value] : model) {
    auto [r, c] = key;
    const bool inRows = r >= r1 && r <= r2, inCols = c >= c1 && c <= c2;
    if (inRows && inCols) continue;
    if (up && inCols && r > r2) r -= r2 - r1 + 1;
    if (!up && inRows && c > c2) c -= c2 - c1 + 1;
    out[{r, c}] = value;
  }
  return out;
}

}  // namespace

TEST(SheetStorageTest, RandomEditsAndDeletionsMatchAMapModel) {
  std::mt19937 random(20261209);
  Sheet sheet;
  Model model;
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
  for (int step = 0; step < 4000; ++step) {
    SCOPED_TRACE("step " + std::to_string(step));
    const int op = pick(0, 9);
    if (op <= 4) {
      const int r = pick(1, 60), c = pick(1, 8);
      const double v = step;
      Cell& cell = sheet.Put(r, c);
      cell.type = CellType::Number;
      cell.number = v;
      model[{r, c}] = v;
    } else if (op == 5) {
      const int r = pick(1, 60), c = pick(1, 8);
      sheet.Clear(r, c);
      model.erase({r, c});
    } else if (op == 6) {
      const int first = pick(1, 60), count = pick(1, 4);
      sheet.DeleteRows(first, count);
      model = Shifted(model, first, 1, first + count - 1, kMaxColumns, true);
    } else if (op == 7) {
      const int first = pick(1, 8), count = pick(1, 2);
      sheet.DeleteColumns(first, count);
      model = Shifted(model, 1, first, kMaxRows, first + count - 1, false);
    } else {
      const int r1 = pick(1, 60), c1 = pick(1, 8), r2 = r1 + pick(0, 3), c2 = c1 + pick(0, 2);
      if (op == 8) {
        sheet.DeleteShiftUp(r1, c1, r2, c2);
      } else {
        sheet.DeleteShiftLeft(r1, c1, r2, c2);
      }
      model = Shifted(model, r1, c1, r2, c2, op == 8);
    }
    ASSERT_EQ(Snapshot(sheet), model) << "after operation " << op;
  }
  EXPECT_EQ(sheet.CellCount(), model.size());
}

TEST(SheetStorageTest, TopDownRowDeletionsKeepRowExtrasWithTheirRows) {
  Sheet sheet;
  for (int r = 1; r <= 1000; ++r) {
    Cell& cell = sheet.Put(r, 1);
    cell.type = CellType::Number;
    cell.number = r;
    sheet.SetRowExtra(r, uint32_t(r));
  }
  // Every other row, top-down, as blank-row removal does.
  for (int r = 2; r <= 501; ++r) sheet.DeleteRows(r, 1);
  for (int r = 1; r <= 500; ++r) {
    ASSERT_NE(sheet.Find(r, 1), nullptr) << r;
    EXPECT_EQ(sheet.Find(r, 1)->number, 2 * r - 1);
    EXPECT_EQ(sheet.RowExtra(r), uint32_t(2 * r - 1));
  }
  EXPECT_EQ(sheet.Find(501, 1), nullptr);
  EXPECT_EQ(sheet.edits.size(), 500u);
  EXPECT_EQ(sheet.UsedBounds().lastRow, 500);
}

TEST(SheetStorageTest, StorageHintsKeepEveryCellAndRowNumber) {
  // The hints reallocate the row buffer while rows sit behind its gap with a
  // pending renumbering (after a deletion), and resize rows in place.
  Sheet sheet;
  Model model;
  for (int r = 1; r <= 200; ++r) {
    for (int c = 1; c <= r % 7 + 1; ++c) {
      Cell& cell = sheet.Put(r, c * 2);
      cell.type = CellType::Number;
      cell.number = r * 100 + c;
      model[{r, c * 2}] = cell.number;
    }
  }
  sheet.DeleteRows(50, 10);
  model = Shifted(model, 50, 1, 59, kMaxColumns, true);
  const uint64_t version = sheet.version();
  sheet.ReserveRows(5000);
  ASSERT_EQ(Snapshot(sheet), model);
  sheet.ReserveRow(3, 500);
  sheet.ReserveRow(191, 500);  // no such row now: nothing is made
  EXPECT_EQ(sheet.FitRow(3), 4u);
  EXPECT_EQ(sheet.FitRow(191), 0u);
  EXPECT_EQ(sheet.Find(191, 2), nullptr);
  EXPECT_EQ(sheet.rows().Find(191), nullptr);
  const RowRecord* row3 = sheet.rows().Find(3);
  ASSERT_NE(row3, nullptr);
  EXPECT_EQ(row3->cells.capacity(), row3->cells.size());
  EXPECT_EQ(row3->cols.capacity(), row3->cols.size());
  EXPECT_EQ(sheet.version(), version) << "hints are no change of contents";
  ASSERT_EQ(Snapshot(sheet), model);
  // Rows keep their numbers through later edits as well.
  for (int r = 1; r <= 3; ++r) sheet.DeleteRows(1, 1);
  model = Shifted(model, 1, 1, 3, kMaxColumns, true);
  Cell& added = sheet.Put(100, 1);
  added.type = CellType::Number;
  added.number = -1;
  model[{100, 1}] = -1;
  EXPECT_EQ(Snapshot(sheet), model);
}

TEST(SheetStorageTest, UsedBoundsCountFormattedCellsButNotEmptyOnes) {
  Sheet sheet;
  EXPECT_EQ(sheet.UsedBounds().lastRow, 1);
  sheet.Put(3, 4).style = 5;  // formatted, empty
  sheet.Put(9, 2);            // nothing at all
  const Sheet::Bounds b = sheet.UsedBounds();
  EXPECT_EQ(b.firstRow, 3);
  EXPECT_EQ(b.firstCol, 4);
  EXPECT_EQ(b.lastRow, 3);
  EXPECT_EQ(b.lastCol, 4);
  sheet.Clear(3, 4);
  EXPECT_NE(sheet.Find(3, 4), nullptr) << "a cleared cell keeps its style";
}

TEST(TextMatcherTest, WildcardsEscapesAndCase) {
  struct Case {
    const wchar_t* pattern;
    bool whole, matchCase;
    const wchar_t* text;
    bool matches;
  } cases[] = {
      {L"a*c", true, false, L"abbbc", true},   {L"a*c", true, false, L"abbbcd", false},
      {L"a*c", false, false, L"xxabcx", true}, {L"a?c", true, false, L"abc", true},
      {L"a?c", true, false, L"ac", false},     {L"a~*c", true, false, L"a*c", true},
      {L"a~*c", true, false, L"abc", false},   {L"~?", false, false, L"why?", true},
      {L"ABC", true, true, L"abc", false},     {L"ABC", true, false, L"abc", true},
      {L"*", true, false, L"", true},          {L"", false, false, L"anything", true},
      {L"\u00C9t\u00E9", true, false, L"\u00E9T\u00C9", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.pattern, c.pattern + wcslen(c.pattern)));
    EXPECT_EQ(TextMatcher(c.pattern, c.whole, c.matchCase).Matches(c.text), c.matches);
  }
  std::wstring text = L"aXbxc";
  EXPECT_TRUE(TextMatcher(L"x", false, false).ReplaceAll(text, L"--"));
  EXPECT_EQ(text, L"a--b--c");
  text = L"a-b";
  EXPECT_FALSE(TextMatcher(L"z", false, false).ReplaceAll(text, L"y"));
}

TEST(ValueTextTest, NumbersAndDatesAsTheApplicationShowsThem) {
  for (const NumberTextCase& c : kNumberTextCases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(NumberText(c.value), c.text);
  }
  EXPECT_EQ(DateText(43832), L"1/2/2020");
  EXPECT_EQ(DateText(43832.75), L"1/2/2020 6:00:00 PM");
  EXPECT_EQ(DateText(1), L"1/1/1900");
  EXPECT_EQ(DateText(60), L"2/29/1900");
  EXPECT_EQ(DateText(61), L"3/1/1900");
  EXPECT_EQ(DateSerial(2020, 1, 2), 43832);
  EXPECT_EQ(DateSerial(1900, 1, 1), 1);
  EXPECT_EQ(SerialToOleDate(1, false), 2);
  EXPECT_EQ(OleDateToSerial(SerialToOleDate(30, false), false), 30);
}

}  // namespace sheetwright::engine
