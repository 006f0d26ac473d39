// Which formulas read which cells, kept compact for workbooks of many
// formulas: a formula's reference to one cell is a 12-byte edge in a flat
// array sorted by (sheet, column, row); a reference to a block (A1:A100,
// C:C) is one interval, found through a per-column-span list sorted by
// first row with a running maximum of last rows. New edges wait in short
// unsorted lists that are merged in when they grow, so entering formulas
// one by one stays cheap.
//
// Edges name formulas by node id (see calculation.h). Edges of a formula
// that was replaced stay until the next rebuild; the caller skips nodes
// that are no longer alive.
#pragma once

#include <cstdint>
#include <vector>

#include "server/engine/sheet.h"

namespace sheetwright::engine {

class DependencyGraph {
 public:
  void AddCell(uint32_t sheet, int32_t row, int32_t col, uint32_t node);
  void AddRange(uint32_t sheet, const CellRect& rect, uint32_t node);
  void Clear();
  // While bulk, new edges are only gathered; EndBulk sorts them in once.
  void BeginBulk() { bulk_ = true; }
  void EndBulk();

  // Appends to `out` the nodes whose formulas read a cell of `rect` on
  // `sheet` (possibly with repeats and dead nodes).
  void DependentsOf(uint32_t sheet, const CellRect& rect, std::vector<uint32_t>& out);

  size_t EdgeCount() const { return cells_.size() + recentCells_.size() + ranges_.size() + recentRanges_.size(); }
  size_t MemoryBytes() const;

 private:
  struct CellEdge {
    uint32_t sheetCol;  // sheet << 14 | (col - 1)
    int32_t row;
    uint32_t node;
    bool operator<(const CellEdge& o) const { return sheetCol != o.sheetCol ? sheetCol < o.sheetCol : row < o.row; }
  };
  struct RangeEdge {
    CellRect rect;
    uint32_t sheet;
    uint32_t node;
  };
  // Ranges of one sheet and column span, by first row.
  struct RangeGroup {
    uint32_t sheet;
    int32_t c1, c2;
    size_t begin, end;  // into ranges_
  };
  static uint32_t SheetCol(uint32_t sheet, int32_t col) { return sheet << 14 | uint32_t(col - 1); }
  void MergeCells();
  void MergeRanges();

  std::vector<CellEdge> cells_;  // sorted
  std::vector<CellEdge> recentCells_;
  std::vector<RangeEdge> ranges_;  // sorted by (sheet, c1, c2, r1)
  std::vector<int32_t> maxRow2_;   // running maximum of r2 within each group
  std::vector<RangeGroup> groups_;
  std::vector<RangeEdge> recentRanges_;
  bool bulk_ = false;
};

}  // namespace sheetwright::engine
