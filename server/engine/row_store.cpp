#include "server/engine/row_store.h"

#include <algorithm>
#include <utility>

namespace sheetwright::engine {

ptrdiff_t RowRecord::IndexOf(int32_t col) const {
  auto it = std::lower_bound(cols.begin(), cols.end(), uint16_t(col));
  if (it == cols.end() || *it != col) return -1;
  return it - cols.begin();
}

Cell& RowRecord::Put(int32_t col) {
  if (cols.empty() || cols.back() < col) {
    cols.push_back(uint16_t(col));
    cells.emplace_back();
    return cells.back();
  }
  auto it = std::lower_bound(cols.begin(), cols.end(), uint16_t(col));
  const ptrdiff_t at = it - cols.begin();
  if (*it == col) return cells[size_t(at)];
  cols.insert(it, uint16_t(col));
  return *cells.emplace(cells.begin() + at);
}

size_t RowRecord::EraseColumns(int32_t first, int32_t last) {
  auto from = std::lower_bound(cols.begin(), cols.end(), uint16_t(first));
  auto to = std::upper_bound(from, cols.end(), uint16_t(std::min(last, 65535)));
  const ptrdiff_t a = from - cols.begin(), b = to - cols.begin();
  if (a == b) return 0;
  cols.erase(from, to);
  cells.erase(cells.begin() + a, cells.begin() + b);
  return size_t(b - a);
}

void RowRecord::Reserve(size_t count) {
  cols.reserve(count);
  cells.reserve(count);
}

void RowRecord::ShrinkToFit() {
  if (cols.capacity() != cols.size()) cols.shrink_to_fit();
  if (cells.capacity() != cells.size()) cells.shrink_to_fit();
}

size_t RowStore::LowerBound(int32_t row) const {
  // Both segments are sorted by real row; search the one that can hold it.
  if (gapStart_ > 0 && buffer_[gapStart_ - 1].row >= row) {
    auto it = std::lower_bound(buffer_.begin(), buffer_.begin() + ptrdiff_t(gapStart_), row,
                               [](const RowRecord& r, int32_t v) { return r.row < v; });
    return size_t(it - buffer_.begin());
  }
  const int32_t stored = row - delta_;
  auto it = std::lower_bound(buffer_.begin() + ptrdiff_t(gapEnd_), buffer_.end(), stored,
                             [](const RowRecord& r, int32_t v) { return r.row < v; });
  return gapStart_ + size_t(it - (buffer_.begin() + ptrdiff_t(gapEnd_)));
}

RowRecord* RowStore::Find(int32_t row) {
  const size_t i = LowerBound(row);
  return i < size() && RowAt(i) == row ? &At(i) : nullptr;
}

const RowRecord* RowStore::Find(int32_t row) const {
  const size_t i = LowerBound(row);
  return i < size() && RowAt(i) == row ? &At(i) : nullptr;
}

RowRecord& RowStore::Obtain(int32_t row) {
  // Appending after the last row, or to it, is the loader's path: no search.
  const size_t n = size();
  size_t i;
  if (n == 0 || RowAt(n - 1) < row) {
    i = n;
  } else if (RowAt(n - 1) == row) {
    return At(n - 1);
  } else {
    i = LowerBound(row);
    if (RowAt(i) == row) return At(i);
  }
  MoveGapTo(i);
  if (gapStart_ == gapEnd_) Grow();
  RowRecord& record = buffer_[gapStart_++];
  record = RowRecord{};
  record.row = row;
  return record;
}

void RowStore::MoveGapTo(size_t logical) {
  // With an empty gap a record "moves" onto itself: only its number form
  // changes (no self-move, which would empty its vectors).
  while (gapStart_ > logical) {  // records before the gap go behind it
    const size_t from = --gapStart_, to = --gapEnd_;
    if (from != to) buffer_[to] = std::move(buffer_[from]);
    buffer_[to].row -= delta_;
  }
  while (gapStart_ < logical) {  // records behind the gap come before it
    const size_t from = gapEnd_++, to = gapStart_++;
    if (from != to) buffer_[to] = std::move(buffer_[from]);
    buffer_[to].row += delta_;
  }
}

void RowStore::Grow() { Reallocate(std::max<size_t>(16, buffer_.size() * 2)); }

void RowStore::Reserve(size_t count) {
  if (count > buffer_.size()) Reallocate(count);
}

void RowStore::Reallocate(size_t capacity) {
  const size_t tail = buffer_.size() - gapEnd_;
  std::vector<RowRecord> grown(capacity);
  for (size_t i = 0; i < gapStart_; ++i) grown[i] = std::move(buffer_[i]);
  for (size_t i = 0; i < tail; ++i) grown[capacity - tail + i] = std::move(buffer_[gapEnd_ + i]);
  buffer_ = std::move(grown);
  gapEnd_ = capacity - tail;
}

void RowStore::DeleteRows(int32_t first, int32_t count) {
  if (count <= 0) return;
  const size_t from = LowerBound(first);
  const size_t to = LowerBound(first + count);
  MoveGapTo(from);
  for (size_t i = from; i < to; ++i) buffer_[gapEnd_++] = RowRecord{};
  delta_ -= count;
  if (gapEnd_ == buffer_.size()) delta_ = 0;  // nothing stored behind the gap
}

void RowStore::EraseAt(size_t i) {
  MoveGapTo(i);
  buffer_[gapEnd_++] = RowRecord{};
}

void RowStore::Clear() {
  buffer_.clear();
  gapStart_ = gapEnd_ = 0;
  delta_ = 0;
}

}  // namespace sheetwright::engine
