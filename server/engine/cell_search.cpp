#include "server/engine/cell_search.h"

#include <algorithm>
#include <tuple>

namespace sheetwright::engine {

namespace {

using Accept = std::function<bool(int32_t, int32_t, const Cell&)>;

// A position in search order: (major, minor) is (row, col) by rows and
// (col, row) by columns.
struct Key {
  int32_t major, minor;
  bool operator<(const Key& o) const { return std::tie(major, minor) < std::tie(o.major, o.minor); }
  bool operator<=(const Key& o) const { return !(o < *this); }
};

// Scans the stored cells of one area by rows, in (lo, hi] forwards or
// [lo, hi) backwards ... expressed as inclusive bounds first/last in order.
std::optional<CellPosition> ScanByRows(const Sheet& sheet, const CellRect& area, Key first, Key last, bool forward,
                                       const Accept& accept) {
  const RowStore& rows = sheet.rows();
  if (last < first) return std::nullopt;
  if (forward) {
    for (size_t i = rows.LowerBound(first.major); i < rows.size(); ++i) {
      const int32_t row = rows.RowAt(i);
      if (row > last.major) break;
      const RowRecord& record = rows.At(i);
      const int32_t from = row == first.major ? std::max(first.minor, area.c1) : area.c1;
      const int32_t to = row == last.major ? std::min(last.minor, area.c2) : area.c2;
      for (size_t k = Sheet::FirstAtOrAfter(record, from); k < record.cols.size() && record.cols[k] <= to; ++k)
        if (accept(row, record.cols[k], record.cells[k])) return CellPosition{row, record.cols[k]};
    }
  } else {
    size_t i = rows.LowerBound(last.major + 1);
    while (i-- > 0) {
      const int32_t row = rows.RowAt(i);
      if (row < first.major) break;
      const RowRecord& record = rows.At(i);
      const int32_t from = row == first.major ? std::max(first.minor, area.c1) : area.c1;
      const int32_t to = row == last.major ? std::min(last.minor, area.c2) : area.c2;
      size_t k = Sheet::FirstAtOrAfter(record, to + 1);
      while (k-- > 0 && record.cols[k] >= from)
        if (accept(row, record.cols[k], record.cells[k])) return CellPosition{row, record.cols[k]};
    }
  }
  return std::nullopt;
}

// By columns: walks the columns of the range in order; within a column the
// rows are visited through each row record's binary search. Rows without
// a cell in the column cost one search each, so this is used per column
// only over rows that hold records.
std::optional<CellPosition> ScanByColumns(const Sheet& sheet, const CellRect& area, Key first, Key last,
                                          bool forward, const Accept& accept) {
  if (last < first) return std::nullopt;
  const RowStore& rows = sheet.rows();
  const size_t rowBegin = rows.LowerBound(area.r1);
  const size_t rowEnd = rows.LowerBound(area.r2 + 1);
  if (rowBegin == rowEnd) return std::nullopt;
  // The columns that hold cells in the area, so empty columns cost nothing.
  std::vector<int32_t> columns;
  for (size_t i = rowBegin; i < rowEnd; ++i) {
    const RowRecord& record = rows.At(i);
    for (size_t k = Sheet::FirstAtOrAfter(record, std::max(first.major, area.c1));
         k < record.cols.size() && record.cols[k] <= std::min(last.major, area.c2); ++k)
      columns.push_back(record.cols[k]);
  }
  std::sort(columns.begin(), columns.end());
  columns.erase(std::unique(columns.begin(), columns.end()), columns.end());
  if (!forward) std::reverse(columns.begin(), columns.end());
  for (int32_t col : columns) {
    const int32_t fromRow = col == first.major ? std::max(first.minor, area.r1) : area.r1;
    const int32_t toRow = col == last.major ? std::min(last.minor, area.r2) : area.r2;
    if (fromRow > toRow) continue;
    const size_t a = rows.LowerBound(fromRow), b = rows.LowerBound(toRow + 1);
    for (size_t n = 0; n < b - a; ++n) {
      const size_t i = forward ? a + n : b - 1 - n;
      const RowRecord& record = rows.At(i);
      const ptrdiff_t k = record.IndexOf(col);
      if (k >= 0 && accept(rows.RowAt(i), col, record.cells[size_t(k)])) return CellPosition{rows.RowAt(i), col};
    }
  }
  return std::nullopt;
}

std::optional<CellPosition> Scan(const Sheet& sheet, const CellRect& area, Key first, Key last, SearchOrder order,
                                 const Accept& accept) {
  return order.byRows ? ScanByRows(sheet, area, first, last, order.forward, accept)
                      : ScanByColumns(sheet, area, first, last, order.forward, accept);
}

Key KeyOf(CellPosition p, bool byRows) { return byRows ? Key{p.row, p.col} : Key{p.col, p.row}; }
Key FirstKey(const CellRect& a, bool byRows) { return byRows ? Key{a.r1, a.c1} : Key{a.c1, a.r1}; }
Key LastKey(const CellRect& a, bool byRows) { return byRows ? Key{a.r2, a.c2} : Key{a.c2, a.r2}; }

// The key just after / before k inside the area's order.
std::optional<Key> Next(Key k, const CellRect& a, bool byRows) {
  const int32_t minorLast = byRows ? a.c2 : a.r2, minorFirst = byRows ? a.c1 : a.r1;
  const int32_t majorLast = byRows ? a.r2 : a.c2;
  if (k.minor < minorLast) return Key{k.major, k.minor + 1};
  if (k.major < majorLast) return Key{k.major + 1, minorFirst};
  return std::nullopt;
}
std::optional<Key> Previous(Key k, const CellRect& a, bool byRows) {
  const int32_t minorLast = byRows ? a.c2 : a.r2, minorFirst = byRows ? a.c1 : a.r1;
  const int32_t majorFirst = byRows ? a.r1 : a.c1;
  if (k.minor > minorFirst) return Key{k.major, k.minor - 1};
  if (k.major > majorFirst) return Key{k.major - 1, minorLast};
  return std::nullopt;
}

bool Contains(const CellRect& a, CellPosition p) { return p.row >= a.r1 && p.row <= a.r2 && p.col >= a.c1 && p.col <= a.c2; }

}  // namespace

std::optional<CellPosition> SearchAreas(const Sheet& sheet, const std::vector<CellRect>& areas, CellPosition after,
                                        SearchOrder order, const Accept& accept) {
  if (areas.empty()) return std::nullopt;
  size_t home = 0;
  while (home < areas.size() && !Contains(areas[home], after)) ++home;
  if (home == areas.size()) return std::nullopt;
  const bool byRows = order.byRows;
  const Key at = KeyOf(after, byRows);
  const size_t n = areas.size();
  const CellRect& homeArea = areas[home];
  std::optional<CellPosition> found;
  if (order.forward) {
    // Rest of the home area, the later areas, the earlier ones, then the
    // home area from its start up to and including `after`.
    if (auto next = Next(at, homeArea, byRows))
      if ((found = Scan(sheet, homeArea, *next, LastKey(homeArea, byRows), order, accept))) return found;
    for (size_t s = 1; s < n; ++s) {
      const CellRect& area = areas[(home + s) % n];
      if ((found = Scan(sheet, area, FirstKey(area, byRows), LastKey(area, byRows), order, accept))) return found;
    }
    return Scan(sheet, homeArea, FirstKey(homeArea, byRows), at, order, accept);
  }
  if (auto previous = Previous(at, homeArea, byRows))
    if ((found = Scan(sheet, homeArea, FirstKey(homeArea, byRows), *previous, order, accept))) return found;
  for (size_t s = 1; s < n; ++s) {
    const CellRect& area = areas[(home + n - s) % n];
    if ((found = Scan(sheet, area, FirstKey(area, byRows), LastKey(area, byRows), order, accept))) return found;
  }
  return Scan(sheet, homeArea, at, LastKey(homeArea, byRows), order, accept);
}

}  // namespace sheetwright::engine
