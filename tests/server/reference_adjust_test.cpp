// References follow deletions: moved, shrunk, or #REF!, in formulas of the
// edited sheet and of other sheets, composed over long series of edits.
#include "server/engine/reference_adjust.h"

#include <gtest/gtest.h>

#include "server/engine/workbook.h"

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
  data.Put(5, 2).formula = book.strings.Intern(L"A4*2");
  summary.Put(1, 1).formula = book.strings.Intern(L"SUM(Data!A1:A10)+Data!A7");
  summary.Put(2, 1).formula = book.strings.Intern(L"A1");
  data.DeleteRows(2, 1);
  data.DeleteRows(6, 1);  // the original row 7
  SettleFormulaReferences(book);
  EXPECT_EQ(book.strings.Text(data.Find(4, 2)->formula), L"A3*2");
  EXPECT_EQ(book.strings.Text(summary.Find(1, 1)->formula), L"SUM(Data!A1:A8)+Data!#REF!");
  EXPECT_EQ(book.strings.Text(summary.Find(2, 1)->formula), L"A1");
  // Settled edits are not applied twice.
  SettleFormulaReferences(book);
  EXPECT_EQ(book.strings.Text(data.Find(4, 2)->formula), L"A3*2");
}

TEST(ReferenceAdjust, RectanglesShrinkOrGo) {
  const EditMapper mapper(std::vector<StructuralEdit>{Rows(3, 4)});
  EXPECT_EQ(mapper.MapRect(CellRect{1, 1, 10, 2}), (CellRect{1, 1, 8, 2}));
  EXPECT_EQ(mapper.MapRect(CellRect{3, 1, 4, 2}), std::nullopt);
  EXPECT_EQ(mapper.MapRect(CellRect{5, 1, 5, 1}), (CellRect{3, 1, 3, 1}));
}

}  // namespace
}  // namespace sheetwright::engine
