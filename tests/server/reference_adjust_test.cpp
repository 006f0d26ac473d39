// References follow deletions: moved, shrunk, or #REF!, in formulas of the
// edited sheet and of other sheets, composed over long series of edits.
#include "server/engine/reference_adjust.h"

#include <gtest/gtest.h>

#include <random>

#include "server/engine/calculation.h"
#include "server/engine/workbook.h"
#include "server/files/cell_reference.h"

namespace sheetwright::engine {
namespace {

StructuralEdit Rows(int32_t first, int32_t last) { return {EditKind::DeleteRows, first, 1, last, kMaxColumns}; }
StructuralEdit Columns(int32_t first, int32_t last) { return {EditKind::DeleteColumns, 1, first, kMaxRows, last}; }
StructuralEdit Up(int32_t r1, int32_t c1, int32_t r2, int32_t c2) { return {EditKind::DeleteShiftUp, r1, c1, r2, c2}; }
StructuralEdit Left(int32_t r1, int32_t c1, int32_t r2, int32_t c2) {
  return {EditKind::DeleteShiftLeft, r1, c1, r2, c2};
}

// Adjusts `formula` on Sheet1, whose edits are `edits` (Sheet2 unedited).
std::wstring Adjust(std::wstring formula, std::vector<StructuralEdit> edits) {
  const EditMapper mapper(edits);
  AdjustFormulaReferences(formula, L"Sheet1", [&](std::wstring_view name) -> const EditMapper* {
    return EqualsNoCase(name, L"Sheet1") ? &mapper : nullptr;
  });
  return formula;
}

TEST(ReferenceAdjust, FormulasFollowDeletions) {
  struct Case {
    const wchar_t* formula;
    std::vector<StructuralEdit> edits;
    const wchar_t* expected;
  } cases[] = {
      {L"A5+B2", {Rows(3, 3)}, L"A4+B2"},
      {L"$A$5*2", {Rows(1, 2)}, L"$A$3*2"},
      {L"A3", {Rows(3, 3)}, L"#REF!"},
      {L"SUM(A1:A10)", {Rows(3, 5)}, L"SUM(A1:A7)"},
      {L"SUM(A3:A5)", {Rows(3, 5)}, L"SUM(#REF!)"},
      {L"SUM(A3:B8)", {Rows(1, 4)}, L"SUM(A1:B4)"},
      {L"SUM(4:6)+C:C", {Rows(5, 5)}, L"SUM(4:5)+C:C"},
      {L"D1+B1+A:A", {Columns(2, 2)}, L"C1+#REF!+A:A"},
      {L"SUM(B1:E1)", {Columns(1, 2)}, L"SUM(A1:C1)"},
      {L"Sheet2!A5+Sheet1!A5+'Sheet1'!A5", {Rows(1, 1)}, L"Sheet2!A5+Sheet1!A4+'Sheet1'!A4"},
      {L"Sheet1!A1", {Rows(1, 1)}, L"Sheet1!#REF!"},
      {L"B5+C5", {Up(2, 2, 3, 2)}, L"B3+C5"},
      {L"B2", {Up(2, 2, 3, 2)}, L"#REF!"},
      {L"SUM(B1:B9)+SUM(B1:C9)", {Up(2, 2, 3, 2)}, L"SUM(B1:B7)+SUM(B1:C9)"},
      {L"E2+E5", {Left(2, 1, 2, 2)}, L"C2+E5"},
      {L"\"A5\"&A5", {Rows(1, 1)}, L"\"A5\"&A4"},
      {L"[1]Sheet1!A5+Sheet1:Sheet3!A5", {Rows(1, 1)}, L"[1]Sheet1!A5+Sheet1:Sheet3!A5"},
      // Series compose: row 2, then (new) row 2 again, then row 10 is original row 12.
      {L"A1+A2+A3+A4+A12", {Rows(2, 2), Rows(2, 2), Rows(10, 10)}, L"A1+#REF!+#REF!+A2+#REF!"},
      // Bottom-up deletions give the same result as top-down ones.
      {L"A1+A3+A5+A7", {Rows(6, 6), Rows(4, 4), Rows(2, 2)}, L"A1+A2+A3+A4"},
      {L"A1+A3+A5+A7", {Rows(2, 2), Rows(3, 3), Rows(4, 4)}, L"A1+A2+A3+A4"},
      // Rows then columns then rows again.
      {L"C5", {Rows(1, 1), Columns(1, 1), Rows(1, 1)}, L"B3"},
  };
  for (const Case& c : cases) EXPECT_EQ(Adjust(c.formula, c.edits), c.expected) << c.formula;
}

TEST(ReferenceAdjust, WorkbookFormulasOfEverySheetSettleOnce) {
  Workbook book;
  Sheet& data = book.AddWorksheet(L"Data");
  Sheet& summary = book.AddWorksheet(L"Summary");
  for (int32_t row = 1; row <= 10; ++row) {
    data.Put(row, 1).number = row;
    data.Put(row, 1).type = CellType::Number;
  }
  ASSERT_EQ(book.calculation->EnterFormula(data, 5, 2, L"A4*2"), FormulaProblem::None);
  ASSERT_EQ(book.calculation->EnterFormula(summary, 1, 1, L"SUM(Data!A1:A10)+Data!A7"), FormulaProblem::None);
  ASSERT_EQ(book.calculation->EnterFormula(summary, 2, 1, L"A1"), FormulaProblem::None);
  data.DeleteRows(2, 1);
  data.DeleteRows(6, 1);  // the original row 7
  SettleFormulaReferences(book);
  EXPECT_EQ(book.FormulaText(data.Find(4, 2)->formula), L"A3*2");
  EXPECT_EQ(book.FormulaText(summary.Find(1, 1)->formula), L"SUM(Data!A1:A8)+Data!#REF!");
  EXPECT_EQ(book.FormulaText(summary.Find(2, 1)->formula), L"A1");
  // Calculated again where they are now: A3 holds 4 (rows 2 and 7 are gone).
  EXPECT_EQ(data.Find(4, 2)->number, 8);
  EXPECT_EQ(summary.Find(1, 1)->type, CellType::Error);
  EXPECT_EQ(summary.Find(1, 1)->error, ErrorValue::Ref);
  // Settled edits are not applied twice.
  SettleFormulaReferences(book);
  EXPECT_EQ(book.FormulaText(data.Find(4, 2)->formula), L"A3*2");
}

TEST(ReferenceAdjust, RectanglesShrinkOrGo) {
  const EditMapper mapper(std::vector<StructuralEdit>{Rows(3, 4)});
  EXPECT_EQ(mapper.MapRect(CellRect{1, 1, 10, 2}), (CellRect{1, 1, 8, 2}));
  EXPECT_EQ(mapper.MapRect(CellRect{3, 1, 4, 2}), std::nullopt);
  EXPECT_EQ(mapper.MapRect(CellRect{5, 1, 5, 1}), (CellRect{3, 1, 3, 1}));
}

TEST(ReferenceAdjust, ComposedSeriesMapAsEditByEdit) {
  // Long random series of shifted blocks (bands equal, disjoint and
  // overlapping), row and column deletions: the composed mapper moves every
  // rectangle where moving it through one edit after the other does.
  std::mt19937 random(11);
  auto number = [&](int32_t lo, int32_t hi) { return lo + int32_t(random() % uint32_t(hi - lo + 1)); };
  for (int round = 0; round < 300; ++round) {
    std::vector<StructuralEdit> edits;
    const int length = number(1, 40);
    for (int k = 0; k < length; ++k) {
      const int32_t a = number(1, 30), b = a + number(0, 3), c = number(1, 8), d = c + number(0, 2);
      switch (random() % 8) {
        case 0: edits.push_back(Rows(a, b)); break;
        case 1: edits.push_back(Columns(c, d)); break;
        case 2: case 3: case 4: edits.push_back(Up(a, c, b, d)); break;
        default: edits.push_back(Left(c, a % 9 + 1, d, a % 9 + 1 + (b - a))); break;
      }
    }
    const EditMapper composed(edits);
    for (int probe = 0; probe < 40; ++probe) {
      const int32_t r1 = number(1, 40), c1 = number(1, 12);
      const CellRect rect{r1, c1, r1 + number(0, 6), c1 + number(0, 3)};
      std::optional<CellRect> stepwise = rect;
      for (const StructuralEdit& edit : edits) {
        if (!stepwise) break;
        stepwise = files::MoveRect(*stepwise, edit);
      }
      ASSERT_EQ(composed.MapRect(rect), stepwise) << "round " << round << " probe " << probe;
    }
  }
}

}  // namespace
}  // namespace sheetwright::engine
