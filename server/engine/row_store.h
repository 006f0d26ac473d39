// The row records of a sheet, kept in a gap buffer ordered by row number.
//
// Records before the gap hold their real row number. Records after the gap
// hold a stored number; their real number is stored + delta_, so deleting
// rows only moves the gap to the deletion point, drops the records there and
// lowers delta_: no pass over the later rows. A top-down series of deletions
// moves the gap forward a little each time, which keeps the series linear.
//
// The cells of a row are two parallel sorted vectors (column numbers and
// cells), so a numeric cell costs 26 bytes plus the vectors' spare capacity.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "server/engine/cell.h"

namespace sheetwright::engine {

struct RowRecord {
  int32_t row = 0;     // real or stored number, see RowStore
  uint32_t extra = 0;  // opaque id owned by the file layer; 0 = none
  std::vector<uint16_t> cols;  // ascending, 1-based
  std::vector<Cell> cells;     // cells[i] is in column cols[i]

  bool Empty() const { return extra == 0 && cells.empty(); }
  // Index of col in cols, or -1.
  ptrdiff_t IndexOf(int32_t col) const;
  // The cell of col, created (Empty) when absent.
  Cell& Put(int32_t col);
  // Removes the cells of columns [first, last] and returns how many went.
  size_t EraseColumns(int32_t first, int32_t last);
  // Makes room for `count` cells without moving them again.
  void Reserve(size_t count);
  // Gives back the room beyond the cells held.
  void ShrinkToFit();
};

class RowStore {
 public:
  size_t size() const { return buffer_.size() - (gapEnd_ - gapStart_); }
  // Records the buffer holds room for (size() plus the gap).
  size_t capacity() const { return buffer_.size(); }
  bool empty() const { return size() == 0; }

  // Logical index i (0-based, ascending rows) to its record.
  RowRecord& At(size_t i) { return buffer_[Physical(i)]; }
  const RowRecord& At(size_t i) const { return buffer_[Physical(i)]; }
  int32_t RowAt(size_t i) const {
    return i < gapStart_ ? buffer_[i].row : buffer_[i + (gapEnd_ - gapStart_)].row + delta_;
  }

  // First logical index whose row >= row (size() when none).
  size_t LowerBound(int32_t row) const;
  // The record of row, or null.
  RowRecord* Find(int32_t row);
  const RowRecord* Find(int32_t row) const;
  // The record of row, created when absent.
  RowRecord& Obtain(int32_t row);

  // Removes the records of rows [first, first + count) and moves every later
  // row up by count.
  void DeleteRows(int32_t first, int32_t count);
  // Removes the record at logical index i.
  void EraseAt(size_t i);
  void Clear();
  // Makes room for `count` records in all, so that adding up to that many
  // moves no record.
  void Reserve(size_t count);

 private:
  size_t Physical(size_t i) const { return i < gapStart_ ? i : i + (gapEnd_ - gapStart_); }
  void MoveGapTo(size_t logical);
  void Grow();
  // Moves the records into a buffer of `capacity` (>= size()) records.
  void Reallocate(size_t capacity);

  std::vector<RowRecord> buffer_;
  size_t gapStart_ = 0;  // [gapStart_, gapEnd_) is the gap
  size_t gapEnd_ = 0;
  int32_t delta_ = 0;  // real row = stored row + delta_ after the gap
};

}  // namespace sheetwright::engine
