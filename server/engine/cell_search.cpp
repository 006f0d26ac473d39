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

// The first accepted stored cell of one area by rows between the inclusive
// keys first and last, walking forwards or backwards.
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

// The stored cells of a sheet in column order, rebuilt when the sheet
// changed; chained searches by columns reuse it.
struct ColumnIndex {
  uint64_t sheetId = 0, version = 0;
  std::vector<std::pair<int32_t, int32_t>> cells;  // (col, row), ascending
};

const std::vector<std::pair<int32_t, int32_t>>& ColumnOrder(const Sheet& sheet) {
  thread_local ColumnIndex index;
  if (index.sheetId != sheet.id() || index.version != sheet.version()) {
    index.cells.clear();
    const RowStore& rows = sheet.rows();
    for (size_t i = 0; i < rows.size(); ++i) {
      const RowRecord& record = rows.At(i);
      const int32_t row = rows.RowAt(i);
      for (uint16_t col : record.cols) index.cells.emplace_back(col, row);
    }
    std::sort(index.cells.begin(), index.cells.end());
    index.sheetId = sheet.id();
    index.version = sheet.version();
  }
  return index.cells;
}

// By columns: walks the column-ordered index between the two keys, skipping
// cells outside the area's rows.
std::optional<CellPosition> ScanByColumns(const Sheet& sheet, const CellRect& area, Key first, Key last,
                                          bool forward, const Accept& accept) {
  if (last < first) return std::nullopt;
  const auto& order = ColumnOrder(sheet);
  auto lo = std::lower_bound(order.begin(), order.end(), std::make_pair(first.major, first.minor));
  auto hi = std::upper_bound(order.begin(), order.end(), std::make_pair(last.major, last.minor));
  auto visit = [&](const std::pair<int32_t, int32_t>& entry) -> std::optional<CellPosition> {
    const auto [col, row] = entry;
    if (row < area.r1 || row > area.r2 || col < area.c1 || col > area.c2) return std::nullopt;
    const Cell* cell = sheet.Find(row, col);
    if (cell && accept(row, col, *cell)) return CellPosition{row, col};
    return std::nullopt;
  };
  if (forward) {
    for (auto it = lo; it != hi; ++it)
      if (auto found = visit(*it)) return found;
  } else {
    for (auto it = hi; it != lo;)
      if (auto found = visit(*--it)) return found;
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
