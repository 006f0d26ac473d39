// A worksheet (or chart sheet) of a workbook: 1,048,576 rows by 16,384
// columns, stored sparsely as row records (see row_store.h).
//
// Every change of cells or structure sets `modified`. Structural changes are
// also appended to `edits`, in order, so that the file layer can move what
// the engine does not model (merged cells, column widths, conditional
// formats, the dimension ...) when it saves; the file layer clears `edits`
// after a successful save.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "server/engine/cell.h"
#include "server/engine/row_store.h"

namespace sheetwright::engine {

constexpr int32_t kMaxRows = 1048576;
constexpr int32_t kMaxColumns = 16384;

// Opaque data another layer attaches to a sheet or workbook.
struct AttachedData {
  virtual ~AttachedData() = default;
};

enum class SheetKind : uint8_t { Worksheet, ChartSheet };

// A rectangle of cells, 1-based and inclusive.
struct CellRect {
  int32_t r1 = 1, c1 = 1, r2 = 1, c2 = 1;
  bool operator==(const CellRect&) const = default;
};

enum class EditKind : uint8_t {
  DeleteRows,       // rows r1..r2 removed, later rows moved up (c1, c2 = 1, kMaxColumns)
  DeleteColumns,    // columns c1..c2 removed, later columns moved left (r1, r2 = 1, kMaxRows)
  DeleteShiftUp,    // block removed, cells below it in c1..c2 moved up
  DeleteShiftLeft,  // block removed, cells right of it in r1..r2 moved left
};

struct StructuralEdit {
  EditKind kind;
  int32_t r1, c1, r2, c2;
};

class Sheet {
 public:
  struct Bounds {
    int32_t firstRow, firstCol, lastRow, lastCol;
  };

  std::wstring name;
  SheetKind kind = SheetKind::Worksheet;
  bool hidden = false;  // state hidden or veryHidden, kept by the file layer
  bool modified = false;
  std::vector<StructuralEdit> edits;
  // How many of `edits` the workbook's formulas already follow (see
  // SettleFormulaReferences).
  size_t settledEdits = 0;
  std::unique_ptr<AttachedData> fileData;

  // View state: the active cell and the selection (never empty when read
  // through the object model; the file layer may leave it empty = A1).
  int32_t activeRow = 1;
  int32_t activeCol = 1;
  std::vector<CellRect> selection;

  // The cell at (row, col), or null when absent.
  const Cell* Find(int32_t row, int32_t col) const;
  // The cell at (row, col), created Empty when absent (an existing cell and
  // its style are kept). Ascending (row, col) appends are amortised O(1).
  // The reference is valid until the next change of this sheet.
  Cell& Put(int32_t row, int32_t col);
  // The cell at (row, col) for changing in place (a formula's calculated
  // value), or null when absent; counts as a change of the sheet. The caller
  // keeps the cell used (content or style).
  Cell* FindForUpdate(int32_t row, int32_t col);
  // Value and formula gone, style kept; a cell left with nothing is removed.
  void Clear(int32_t row, int32_t col);
  // Replaces the formula of an existing formula cell (its value is kept).
  void SetFormulaId(int32_t row, int32_t col, uint32_t formula);
  // Empties `edits` once the file layer has applied them.
  void ForgetEdits() {
    edits.clear();
    settledEdits = 0;
  }

  // Storage hints for bulk loading; neither changes contents or version.
  // Room for `count` row records in all.
  void ReserveRows(size_t count) { rows_.Reserve(count); }
  // Room for `count` cells in row, when the row has a record (none is made).
  void ReserveRow(int32_t row, size_t count);
  // Gives back the spare room of row's cells; returns how many it holds.
  size_t FitRow(int32_t row);

  uint32_t RowExtra(int32_t row) const;
  void SetRowExtra(int32_t row, uint32_t id);

  // f(int32_t row) for every row with a record (cells or RowExtra), ascending.
  template <class F>
  void ForEachRow(F&& f) const {
    for (size_t i = 0; i < rows_.size(); ++i) f(rows_.RowAt(i));
  }
  // f(int32_t col, const Cell&) for every stored cell of row, ascending.
  template <class F>
  void ForEachCellInRow(int32_t row, F&& f) const {
    const RowRecord* record = rows_.Find(row);
    if (!record) return;
    for (size_t i = 0; i < record->cells.size(); ++i) f(int32_t(record->cols[i]), record->cells[i]);
  }
  // f(int32_t row, int32_t col, const Cell&) for every stored cell with
  // r1 <= row <= r2 and c1 <= col <= c2, by rows.
  template <class F>
  void ForEachCellIn(const CellRect& rect, F&& f) const {
    for (size_t i = rows_.LowerBound(rect.r1); i < rows_.size(); ++i) {
      const int32_t row = rows_.RowAt(i);
      if (row > rect.r2) break;
      const RowRecord& record = rows_.At(i);
      for (size_t k = FirstAtOrAfter(record, rect.c1); k < record.cols.size() && record.cols[k] <= rect.c2; ++k)
        f(row, int32_t(record.cols[k]), record.cells[k]);
    }
  }

  // Cells holding a value, a formula or a style; an empty sheet gives A1:A1.
  Bounds UsedBounds() const;
  // Number of stored cells.
  size_t CellCount() const;

  void DeleteRows(int32_t first, int32_t count);
  void DeleteColumns(int32_t first, int32_t count);
  void DeleteShiftUp(int32_t r1, int32_t c1, int32_t r2, int32_t c2);
  void DeleteShiftLeft(int32_t r1, int32_t c1, int32_t r2, int32_t c2);
  // Deletes several blocks at once, shifting up: the same cells (and the
  // same edits, per column span bottom block first) as deleting them one by
  // one from the bottom. The blocks do not overlap, and their column spans
  // are equal or disjoint. A few passes over the rows below the top block
  // per column instead of one per block.
  void DeleteShiftUpBlocks(std::vector<CellRect> blocks);

  // Low-level access for bulk readers (the value array, find).
  const RowStore& rows() const { return rows_; }
  // Identifies this sheet's current contents: (id, version) changes with
  // every change of cells or structure, and no two sheets share an id.
  uint64_t id() const { return id_; }
  uint64_t version() const { return version_; }
  static size_t FirstAtOrAfter(const RowRecord& record, int32_t col);

 private:
  void Touch() {
    modified = true;
    ++version_;
  }

  RowStore rows_;
  uint64_t id_ = NextId();
  uint64_t version_ = 0;
  static uint64_t NextId();
  mutable uint64_t boundsVersion_ = ~uint64_t(0);
  mutable Bounds bounds_{1, 1, 1, 1};
};

}  // namespace sheetwright::engine
