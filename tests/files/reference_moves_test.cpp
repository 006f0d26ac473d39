// References moved by the engine's deletions, and shared formulas filled
// from their first cell.
#include <gtest/gtest.h>

#include "server/files/cell_reference.h"
#include "server/files/formula_shift.h"
#include "server/files/sheet_layout.h"

namespace sheetwright::files {
namespace {

using engine::CellRect;
using engine::EditKind;
using engine::StructuralEdit;

TEST(ReferenceMoves, RectanglesFollowDeletedRowsColumnsAndBlocks) {
  struct Case {
    const char* name;
    CellRect rect;
    StructuralEdit edit;
    std::optional<CellRect> expected;
  };
  const StructuralEdit rows4to5{EditKind::DeleteRows, 4, 1, 5, engine::kMaxColumns};
  const StructuralEdit colB{EditKind::DeleteColumns, 1, 2, engine::kMaxRows, 2};
  const StructuralEdit blockUp{EditKind::DeleteShiftUp, 2, 2, 3, 3};
  const StructuralEdit blockLeft{EditKind::DeleteShiftLeft, 2, 2, 3, 3};
  const Case cases[] = {
      {"above the deleted rows stays", {1, 1, 3, 2}, rows4to5, CellRect{1, 1, 3, 2}},
      {"below moves up", {7, 1, 8, 2}, rows4to5, CellRect{5, 1, 6, 2}},
      {"spanning shrinks", {3, 1, 6, 2}, rows4to5, CellRect{3, 1, 4, 2}},
      {"inside is deleted", {4, 1, 5, 3}, rows4to5, std::nullopt},
      {"starting inside keeps the rest", {5, 1, 7, 1}, rows4to5, CellRect{4, 1, 5, 1}},
      {"right of the column moves left", {1, 3, 2, 4}, colB, CellRect{1, 2, 2, 3}},
      {"column deleted entirely", {1, 2, 9, 2}, colB, std::nullopt},
      {"below the block in its columns moves up", {5, 2, 6, 3}, blockUp, CellRect{3, 2, 4, 3}},
      {"beside the block stays", {5, 4, 6, 4}, blockUp, CellRect{5, 4, 6, 4}},
      {"cut across by the block stays", {5, 1, 6, 3}, blockUp, CellRect{5, 1, 6, 3}},
      {"right of the block in its rows moves left", {2, 5, 3, 6}, blockLeft, CellRect{2, 3, 3, 4}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(MoveRect(c.rect, c.edit), c.expected);
  }
}

TEST(ReferenceMoves, SheetMarkupFollowsASeriesOfDeletions) {
  // Cells B6 and B4 shifted up (bottom first, as a list deletion records
  // them), then row 1 deleted; the markup around the cells is moved through
  // the whole series at once.
  engine::Sheet sheet;
  sheet.name = L"Data";
  sheet.Put(1, 1).type = engine::CellType::Boolean;
  sheet.DeleteShiftUp(6, 2, 6, 2);
  sheet.DeleteShiftUp(4, 2, 4, 2);
  sheet.DeleteRows(1, 1);
  SheetLayout layout;
  layout.prefix = "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
                  "<cols><col min=\"3\" max=\"5\" width=\"9\"/></cols>";
  layout.suffix =
      "<mergeCells count=\"3\"><mergeCell ref=\"B10:B11\"/><mergeCell ref=\"B10:C11\"/>"
      "<mergeCell ref=\"A1:B1\"/></mergeCells>"
      "<conditionalFormatting sqref=\"B5:B8 A1:A1048576\"><cfRule type=\"expression\" priority=\"1\">"
      "<formula>B5&gt;B8</formula></cfRule></conditionalFormatting></worksheet>";
  AdjustSheetLayout(layout, sheet, true, "xl/worksheets/sheet1.xml");
  EXPECT_NE(layout.prefix.find("<col min=\"3\" max=\"5\""), std::string::npos) << layout.prefix;
  // Within column B the merge follows both blocks and the row; across B:C
  // only the row; in row 1 it is deleted with it. A whole column stays whole.
  EXPECT_NE(layout.suffix.find("<mergeCells count=\"2\"><mergeCell ref=\"B7:B8\"/><mergeCell ref=\"B9:C10\"/>"
                               "</mergeCells>"),
            std::string::npos)
      << layout.suffix;
  EXPECT_NE(layout.suffix.find("sqref=\"B3:B5 A1:A1048576\""), std::string::npos) << layout.suffix;
}

TEST(ReferenceMoves, RangeTextsParseAndPrint) {
  EXPECT_EQ(SqrefText(ParseSqref("A1 $C$3:D4  B2:A1 bogus")), "A1 C3:D4 A1:B2");
  EXPECT_EQ(ParseRangeRef("B:C"), (CellRect{1, 2, engine::kMaxRows, 3}));
  EXPECT_EQ(ParseRangeRef("3:5"), (CellRect{3, 1, 5, engine::kMaxColumns}));
  EXPECT_FALSE(ParseCellRef("XFE1").has_value());
  EXPECT_FALSE(ParseCellRef("A1048577").has_value());
  EXPECT_EQ(CellRef(1048576, 16384), "XFD1048576");
}

TEST(FormulaShift, RelativePartsMoveAbsoluteAndQuotedStay) {
  struct Case {
    const char* formula;
    int32_t rows, cols;
    const char* expected;
  };
  const Case cases[] = {
      {"A1+$A$2", 2, 0, "A3+$A$2"},
      {"SUM(A1:B2)*$C1", 1, 1, "SUM(B2:C3)*$C2"},
      {"\"A1\"&Sheet1!B2&'My Sheet'!C3", 1, 0, "\"A1\"&Sheet1!B3&'My Sheet'!C4"},
      {"LOG10(A1)+ATAN2(1,2)", 1, 0, "LOG10(A2)+ATAN2(1,2)"},
      {"A1-1E+5", 1, 0, "A2-1E+5"},
      {"A1", -1, 0, "#REF!"},
      {"Table1[Col1]+A$1", 5, 1, "Table1[Col1]+B$1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.formula);
    EXPECT_EQ(ShiftFormula(c.formula, c.rows, c.cols), c.expected);
  }
}

}  // namespace
}  // namespace sheetwright::files
