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

Cell* Sheet::FindForUpdate(int32_t row, int32_t col) {
  RowRecord* record = rows_.Find(row);
  if (!record) return nullptr;
  const ptrdiff_t i = record->IndexOf(col);
  if (i < 0) return nullptr;
  // A cell changed in place stays in the used range: known bounds stay known.
  const bool boundsKnown = boundsVersion_ == version_ && record->cells[size_t(i)].IsUsed();
  Touch();
  if (boundsKnown) boundsVersion_ = version_;
  return &record->cells[size_t(i)];
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

namespace {

// Makes the cells dest[a, b) a copy of src[c, d) (columns and cells), in
// place where the columns already agree, as they do in a dense block.
void ReplaceSegment(RowRecord& dest, size_t a, size_t b, const RowRecord& src, size_t c, size_t d) {
  const size_t have = b - a, want = d - c;
  if (have > want) {
    dest.cols.erase(dest.cols.begin() + ptrdiff_t(a + want), dest.cols.begin() + ptrdiff_t(b));
    dest.cells.erase(dest.cells.begin() + ptrdiff_t(a + want), dest.cells.begin() + ptrdiff_t(b));
  } else if (have < want) {
    dest.cols.insert(dest.cols.begin() + ptrdiff_t(b), want - have, uint16_t(0));
    dest.cells.insert(dest.cells.begin() + ptrdiff_t(b), want - have, Cell{});
  }
  // Mostly one cell or a few: a plain loop, not a call of memmove.
  for (size_t k = 0; k < want; ++k) {
    dest.cols[a + k] = src.cols[c + k];
    dest.cells[a + k] = src.cells[c + k];
  }
}

// The cells of `record` in columns c1..c2, as [first, second), looking from
// index `from` on (no cell before it lies in c1..c2).
inline std::pair<size_t, size_t> ColumnSegment(const RowRecord& record, int32_t c1, int32_t c2, size_t from) {
  const size_t size = record.cols.size();
  size_t a = from;
  if (size - a > 16) {
    a = size_t(std::lower_bound(record.cols.begin() + ptrdiff_t(a), record.cols.end(), c1,
                                [](uint16_t col, int32_t c) { return col < c; }) - record.cols.begin());
  } else {
    while (a < size && record.cols[a] < c1) ++a;
  }
  size_t b = a;
  while (b < size && record.cols[b] <= c2) ++b;
  return {a, b};
}

}  // namespace

void Sheet::DeleteShiftUpBlocks(std::vector<CellRect> blocks) {
  if (blocks.empty()) return;
  Touch();
  std::sort(blocks.begin(), blocks.end(), [](const CellRect& a, const CellRect& b) {
    return a.c1 != b.c1 ? a.c1 < b.c1 : a.r1 < b.r1;
  });
  // A column span (the blocks with one c1, top down) and where its pass
  // stands: the next record whose row survives, and the row it moves to.
  struct Span {
    int32_t c1, c2;
    size_t first, last;  // blocks[first, last)
    size_t block;        // the first block not passed yet
    int32_t removed;     // rows of the blocks passed
    size_t source = 0;
    int32_t to = 0;
  };
  std::vector<Span> spans;
  int32_t top = kMaxRows;
  for (size_t first = 0; first < blocks.size();) {
    size_t last = first;
    while (last < blocks.size() && blocks[last].c1 == blocks[first].c1) ++last;
    spans.push_back(Span{blocks[first].c1, blocks[first].c2, first, last, first, 0});
    top = std::min(top, blocks[first].r1);
    first = last;
  }
  const size_t count = rows_.size();
  auto advance = [&](Span& span, size_t i) {
    for (; i < count; ++i) {
      const int32_t row = rows_.RowAt(i);
      while (span.block < span.last && blocks[span.block].r2 < row) {
        span.removed += blocks[span.block].r2 - blocks[span.block].r1 + 1;
        ++span.block;
      }
      if (span.block < span.last && row >= blocks[span.block].r1) continue;  // deleted
      span.to = row - span.removed;
      break;
    }
    span.source = i;
  };
  for (Span& span : spans) advance(span, rows_.LowerBound(blocks[span.first].r1));

  // One pass over the records from the top block down, each span merged in:
  // a record whose row receives a surviving row takes that row's cells of
  // the span (copied in place: cells only move up, so a record is read as a
  // source before it is written as a destination); a record whose row
  // receives nothing loses its cells of the span. Cells whose new row has
  // no record wait until the pass is over, so the record indexes stay valid.
  std::vector<std::tuple<int32_t, uint16_t, Cell>> homeless;
  for (size_t dest = rows_.LowerBound(top); dest < count; ++dest) {
    const int32_t destRow = rows_.RowAt(dest);
    RowRecord& record = rows_.At(dest);
    size_t hint = 0;  // the spans are in column order: each looks on from the last
    for (Span& span : spans) {
      if (destRow < blocks[span.first].r1) continue;
      while (span.source < count && span.to < destRow) {
        const RowRecord& from = rows_.At(span.source);
        const auto [c, d] = ColumnSegment(from, span.c1, span.c2, 0);
        for (size_t k = c; k < d; ++k) homeless.emplace_back(span.to, from.cols[k], from.cells[k]);
        advance(span, span.source + 1);
      }
      auto [a, b] = ColumnSegment(record, span.c1, span.c2, hint);
      if (span.source < count && span.to == destRow) {
        if (span.source != dest) {
          const RowRecord& from = rows_.At(span.source);
          const auto [c, d] = ColumnSegment(from, span.c1, span.c2, 0);
          ReplaceSegment(record, a, b, from, c, d);
          b = a + (d - c);
        }
        advance(span, span.source + 1);
      } else if (a != b) {
        record.cols.erase(record.cols.begin() + ptrdiff_t(a), record.cols.begin() + ptrdiff_t(b));
        record.cells.erase(record.cells.begin() + ptrdiff_t(a), record.cells.begin() + ptrdiff_t(b));
        b = a;
      }
      hint = b;
    }
  }
  for (const auto& [row, col, cell] : homeless) rows_.Obtain(row).Put(col) = cell;
  for (size_t i = rows_.LowerBound(top); i < rows_.size();) {
    if (rows_.At(i).Empty()) {
      rows_.EraseAt(i);
    } else {
      ++i;
    }
  }
  for (const Span& span : spans)
    for (size_t k = span.last; k-- > span.first;)
      edits.push_back({EditKind::DeleteShiftUp, blocks[k].r1, span.c1, blocks[k].r2, span.c2});
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
