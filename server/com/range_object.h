// Range: one or more rectangular areas of one worksheet (single cells,
// blocks, whole rows or columns, multi-area ranges from Union or "A1,B2").
//
// A range obtained through Rows or Columns counts and indexes by rows or
// columns (its Count is the number of rows, Item(n) is row n); any other
// range counts cells, and Item(n) is cell n counted row by row, continuing
// below the range.
//
// Members (name: arguments -> result; failures):
//   Value, Value2 G/P: [RangeValueDataType] -> scalar or 1-based 2-D array
//   Address G: [RowAbsolute, ColumnAbsolute, ReferenceStyle, External, RelativeTo] -> text
//   Rows, Columns, EntireRow, EntireColumn G -> range
//   Count G -> VT_I4 (cells of all areas, or rows / columns)
//   Item G: RowIndex, [ColumnIndex] -> range; off the sheet: 1004
//   Cells G: [RowIndex, ColumnIndex] -> range
//   Offset G: [RowOffset, ColumnOffset] -> range; off the sheet: 1004
//   End G: Direction (xlUp, xlDown, xlToLeft, xlToRight) -> cell
//   SpecialCells M/G: Type (11 = last cell) -> range
//   Select, Activate M/G; Delete M/G: [Shift]; ClearContents M/G
//   Find M/G: What, [After, LookIn, LookAt, SearchOrder, SearchDirection,
//             MatchCase, MatchByte, SearchFormat] -> cell, or Nothing
//   Replace M/G: What, Replacement, [LookAt, SearchOrder, MatchCase, ...] -> True
//   Row, Column G -> VT_I4; Text, Formula G; Worksheet, Parent, Application G
#pragma once

#include <memory>
#include <vector>

#include "server/com/dispatch_object.h"
#include "server/com/server_state.h"
#include "server/engine/sheet.h"

namespace sheetwright::server {

enum class RangeFlavor { Cells, Rows, Columns };

class RangeObject : public DispatchObject {
 public:
  RangeObject(std::shared_ptr<BookState> book, engine::Sheet* sheet, std::vector<engine::CellRect> areas,
              RangeFlavor flavor = RangeFlavor::Cells);

  // A new range object (one reference, owned by the caller).
  static IDispatch* New(std::shared_ptr<BookState> book, engine::Sheet* sheet, std::vector<engine::CellRect> areas,
                        RangeFlavor flavor = RangeFlavor::Cells);
  // The server range behind a caller's object, or null for anything else.
  static RangeObject* From(IDispatch* object);

  const std::shared_ptr<BookState>& book() const { return book_; }
  engine::Sheet* sheet() const { return sheet_; }
  const std::vector<engine::CellRect>& areas() const { return areas_; }

  SW_DISPATCH_MEMBERS(RangeObject)

 private:
  // Throws unless the workbook is open.
  engine::Workbook& Book() const;
  IDispatch* Derived(std::vector<engine::CellRect> areas, RangeFlavor flavor = RangeFlavor::Cells) const;
  // The cell at 0-based offsets from the first area's top-left corner.
  IDispatch* CellAt(int64_t rowOffset, int64_t colOffset) const;

  void Value(Call& call);
  void Value2(Call& call);
  void GetValue(Call& call, bool asValue2);
  void PutValue(Call& call);
  void Address(Call& call);
  void Rows(Call& call);
  void Columns(Call& call);
  void EntireRow(Call& call);
  void EntireColumn(Call& call);
  void Count(Call& call);
  void Item(Call& call);
  void Cells(Call& call);
  void Offset(Call& call);
  void End(Call& call);  // range_end.cpp
  void SpecialCells(Call& call);
  void Select(Call& call);
  void Activate(Call& call);
  void Delete(Call& call);
  void ClearContents(Call& call);
  void Find(Call& call);
  void Replace(Call& call);
  void Row(Call& call);
  void Column(Call& call);
  void Text(Call& call);
  void Formula(Call& call);
  void Calculate(Call& call);
  void Worksheet(Call& call);
  void Application(Call& call);

  std::shared_ptr<BookState> book_;
  engine::Sheet* sheet_;
  std::vector<engine::CellRect> areas_;
  RangeFlavor flavor_;
};

// The row or column number a Cells/Item argument names: a number, or for a
// column also letters ("AA" = 27). Throws DISP_E_TYPEMISMATCH otherwise.
int64_t IndexArgument(const Arguments& args, size_t i, bool allowLetters);

// Range(Cell1, [Cell2]) of a worksheet: an A1 reference text or a range of
// the same sheet for each corner; with two corners the block holding both.
IDispatch* WorksheetRange(const std::shared_ptr<BookState>& book, engine::Sheet* sheet, const Arguments& args);

}  // namespace sheetwright::server
