#include "server/engine/sheet.h"

#include <algorithm>
#include <atomic>
#include <tuple>

namespace sheetwright::engine {

uint64_t Sheet::NextId() {
  static std::atomic<uint64_t> next{1};
  return next++;
}

size_t Sheet::FirstAtOrAfter(const RowRecord& record, int32_t col) {
  if (col <= 1) return 0;
  if (col > 65535) return record.cols.size();
  return size_t(std::lower_bound(record.cols.begin(), record.cols.end(), uint16_t(col)) - record.cols.begin());
}

const Cell* Sheet::Find(int32_t row, int32_t col) const {
  const RowRecord* record = rows_.Find(row);
  if (!record) return nullptr;
  const ptrdiff_t i = record->IndexOf(col);
  return i < 0 ? nullptr : &record->cells[size_t(i)];
}

Cell& Sheet::Put(int32_t row, int32_t col) {
  Touch();
  return rows_.Obtain(row).Put(col);
}

void Sheet::Clear(int32_t row, int32_t col) {
  RowRecord* record = rows_.Find(row);
  if (!record) return;
  const ptrdiff_t i = record->IndexOf(col);
  if (i < 0) return;
  Touch();
  Cell& cell = record->cells[size_t(i)];
  cell.ClearContent();
  if (cell.style == 0) {
    record->cols.erase(record->cols.begin() + i);
    record->cells.erase(record->cells.begin() + i);
    if (record->Empty()) rows_.EraseAt(rows_.LowerBound(row));
  }
}

void Sheet::ReserveRow(int32_t row, size_t count) {
  if (RowRecord* record = rows_.Find(row)) record->Reserve(count);
}

size_t Sheet::FitRow(int32_t row) {
  RowRecord* record = rows_.Find(row);
  if (!record) return 0;
  record->ShrinkToFit();
  return record->cells.size();
}

uint32_t Sheet::RowExtra(int32_t row) const {
  const RowRecord* record = rows_.Find(row);
  return record ? record->extra : 0;
}

void Sheet::SetRowExtra(int32_t row, uint32_t id) {
  Touch();
  rows_.Obtain(row).extra = id;
}

Sheet::Bounds Sheet::UsedBounds() const {
  if (boundsVersion_ == version_) return bounds_;
  Bounds b{0, kMaxColumns + 1, 0, 0};
  for (size_t i = 0; i < rows_.size(); ++i) {
    const RowRecord& record = rows_.At(i);
    size_t first = 0;
    while (first < record.cells.size() && !record.cells[first].IsUsed()) ++first;
    if (first == record.cells.size()) continue;
    size_t last = record.cells.size() - 1;
    while (!record.cells[last].IsUsed()) --last;
    const int32_t row = rows_.RowAt(i);
    if (b.firstRow == 0) b.firstRow = row;
    b.lastRow = row;
    b.firstCol = std::min<int32_t>(b.firstCol, record.cols[first]);
    b.lastCol = std::max<int32_t>(b.lastCol, record.cols[last]);
  }
  if (b.firstRow == 0) b = Bounds{1, 1, 1, 1};
  bounds_ = b;
  boundsVersion_ = version_;
  return b;
}

size_t Sheet::CellCount() const {
  size_t count = 0;
  for (size_t i = 0; i < rows_.size(); ++i) count += rows_.At(i).cells.size();
  return count;
}

void Sheet::SetFormulaId(int32_t row, int32_t col, uint32_t formula) {
  RowRecord* record = rows_.Find(row);
  if (!record) return;
  const size_t k = FirstAtOrAfter(*record, col);
  if (k >= record->cols.size() || record->cols[k] != col || !record->cells[k].formula) return;
  record->cells[k].formula = formula;
  Touch();
}

void Sheet::DeleteRows(int32_t first, int32_t count) {
  if (count <= 0) return;
  Touch();
  rows_.DeleteRows(first, count);
  edits.push_back({EditKind::DeleteRows, first, 1, first + count - 1, kMaxColumns});
}

void Sheet::DeleteColumns(int32_t first, int32_t count) {
  if (count <= 0) return;
  Touch();
  const int32_t last = first + count - 1;
  for (size_t i = 0; i < rows_.size();) {
    RowRecord& record = rows_.At(i);
    record.EraseColumns(first, last);
    for (size_t k = FirstAtOrAfter(record, first); k < record.cols.size(); ++k)
      record.cols[k] = uint16_t(record.cols[k] - count);
    if (record.Empty()) {
      rows_.EraseAt(i);
    } else {
      ++i;
    }
  }
  edits.push_back({EditKind::DeleteColumns, 1, first, kMaxRows, last});
}

void Sheet::DeleteShiftUp(int32_t r1, int32_t c1, int32_t r2, int32_t c2) {
  Touch();
  const int32_t height = r2 - r1 + 1;
  // Take the cells of c1..c2 out of every row from r1 down, keep those below
  // the block, then put them back height rows higher.
  std::vector<std::tuple<int32_t, uint16_t, Cell>> moved;
  for (size_t i = rows_.LowerBound(r1); i < rows_.size();) {
    const int32_t row = rows_.RowAt(i);
    RowRecord& record = rows_.At(i);
    const size_t from = FirstAtOrAfter(record, c1);
    size_t to = from;
    while (to < record.cols.size() && record.cols[to] <= c2) ++to;
    if (row > r2)
      for (size_t k = from; k < to; ++k) moved.emplace_back(row - height, record.cols[k], record.cells[k]);
    record.EraseColumns(c1, c2);
    if (record.Empty()) {
      rows_.EraseAt(i);
    } else {
      ++i;
    }
  }
  for (const auto& [row, col, cell] : moved) rows_.Obtain(row).Put(col) = cell;
  edits.push_back({EditKind::DeleteShiftUp, r1, c1, r2, c2});
}

void Sheet::DeleteShiftUpBlocks(std::vector<CellRect> blocks) {
  if (blocks.empty()) return;
  Touch();
  std::sort(blocks.begin(), blocks.end(), [](const CellRect& a, const CellRect& b) {
    return a.c1 != b.c1 ? a.c1 < b.c1 : a.r1 < b.r1;
  });
  // The blocks of one column span, top down, and the cells of that span
  // that survive, with the rows they move to (ascending).
  struct Group {
    int32_t c1, c2;
    size_t first, last;  // blocks[first..last)
    size_t span = 0;
    int32_t removedAbove = 0;
    std::vector<std::tuple<int32_t, uint16_t, Cell>> moved;
    size_t cursor = 0;
  };
  std::vector<Group> groups;
  int32_t top = kMaxRows;
  for (size_t first = 0; first < blocks.size();) {
    size_t last = first;
    while (last < blocks.size() && blocks[last].c1 == blocks[first].c1) ++last;
    Group group;
    group.c1 = blocks[first].c1;
    group.c2 = blocks[first].c2;
    group.first = group.span = first;
    group.last = last;
    groups.push_back(std::move(group));
    top = std::min(top, blocks[first].r1);
    first = last;
  }
  // Pass 1: take the spans' cells out of every row from the top block down.
  for (size_t i = rows_.LowerBound(top); i < rows_.size(); ++i) {
    const int32_t row = rows_.RowAt(i);
    RowRecord& record = rows_.At(i);
    for (Group& g : groups) {
      if (row < blocks[g.first].r1) continue;
      while (g.span < g.last && blocks[g.span].r2 < row) {
        g.removedAbove += blocks[g.span].r2 - blocks[g.span].r1 + 1;
        ++g.span;
      }
      const size_t from = FirstAtOrAfter(record, g.c1);
      size_t to = from;
      while (to < record.cols.size() && record.cols[to] <= g.c2) ++to;
      if (from == to) continue;
      if (!(g.span < g.last && row >= blocks[g.span].r1))
        for (size_t k = from; k < to; ++k) g.moved.emplace_back(row - g.removedAbove, record.cols[k], record.cells[k]);
      record.EraseColumns(g.c1, g.c2);
    }
  }
  // Pass 2: put them back where they moved to, walking the rows once more;
  // a row without a record (rare) gets one afterwards.
  std::vector<std::tuple<int32_t, uint16_t, Cell>> homeless;
  for (size_t i = rows_.LowerBound(top); i < rows_.size(); ++i) {
    const int32_t row = rows_.RowAt(i);
    RowRecord& record = rows_.At(i);
    for (Group& g : groups) {
      for (; g.cursor < g.moved.size() && std::get<0>(g.moved[g.cursor]) <= row; ++g.cursor) {
        const auto& [to, col, cell] = g.moved[g.cursor];
        if (to == row) {
          record.Put(col) = cell;
        } else {
          homeless.push_back(g.moved[g.cursor]);
        }
      }
    }
  }
  for (Group& g : groups) homeless.insert(homeless.end(), g.moved.begin() + ptrdiff_t(g.cursor), g.moved.end());
  for (const auto& [row, col, cell] : homeless) rows_.Obtain(row).Put(col) = cell;
  for (size_t i = rows_.LowerBound(top); i < rows_.size();) {
    if (rows_.At(i).Empty()) {
      rows_.EraseAt(i);
    } else {
      ++i;
    }
  }
  for (const Group& g : groups)
    for (size_t k = g.last; k-- > g.first;) edits.push_back({EditKind::DeleteShiftUp, blocks[k].r1, g.c1, blocks[k].r2, g.c2});
}

void Sheet::DeleteShiftLeft(int32_t r1, int32_t c1, int32_t r2, int32_t c2) {
  Touch();
  const int32_t width = c2 - c1 + 1;
  for (size_t i = rows_.LowerBound(r1); i < rows_.size() && rows_.RowAt(i) <= r2;) {
    RowRecord& record = rows_.At(i);
    record.EraseColumns(c1, c2);
    for (size_t k = FirstAtOrAfter(record, c1); k < record.cols.size(); ++k)
      record.cols[k] = uint16_t(record.cols[k] - width);
    if (record.Empty()) {
      rows_.EraseAt(i);
    } else {
      ++i;
    }
  }
  edits.push_back({EditKind::DeleteShiftLeft, r1, c1, r2, c2});
}

}  // namespace sheetwright::engine
