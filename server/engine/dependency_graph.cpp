#include "server/engine/dependency_graph.h"

#include <algorithm>
#include <tuple>

namespace sheetwright::engine {

namespace {
constexpr size_t kRecentLimit = 256;
}

void DependencyGraph::AddCell(uint32_t sheet, int32_t row, int32_t col, uint32_t node) {
  recentCells_.push_back({SheetCol(sheet, col), row, node});
  if (!bulk_ && recentCells_.size() > kRecentLimit) MergeCells();
}

void DependencyGraph::AddRange(uint32_t sheet, const CellRect& rect, uint32_t node) {
  if (rect.r1 == rect.r2 && rect.c1 == rect.c2) return AddCell(sheet, rect.r1, rect.c1, node);
  recentRanges_.push_back({rect, sheet, node});
  if (!bulk_ && recentRanges_.size() > kRecentLimit) MergeRanges();
}

void DependencyGraph::EndBulk() {
  bulk_ = false;
  if (!recentCells_.empty()) MergeCells();
  if (!recentRanges_.empty()) MergeRanges();
}

void DependencyGraph::Clear() {
  cells_.clear();
  recentCells_.clear();
  ranges_.clear();
  maxRow2_.clear();
  groups_.clear();
  recentRanges_.clear();
}

void DependencyGraph::MergeCells() {
  std::sort(recentCells_.begin(), recentCells_.end());
  const size_t middle = cells_.size();
  cells_.insert(cells_.end(), recentCells_.begin(), recentCells_.end());
  std::inplace_merge(cells_.begin(), cells_.begin() + ptrdiff_t(middle), cells_.end());
  recentCells_.clear();
  if (recentCells_.capacity() > 4 * kRecentLimit) recentCells_.shrink_to_fit();
}

void DependencyGraph::MergeRanges() {
  ranges_.insert(ranges_.end(), recentRanges_.begin(), recentRanges_.end());
  recentRanges_.clear();
  std::sort(ranges_.begin(), ranges_.end(), [](const RangeEdge& a, const RangeEdge& b) {
    return std::tie(a.sheet, a.rect.c1, a.rect.c2, a.rect.r1) < std::tie(b.sheet, b.rect.c1, b.rect.c2, b.rect.r1);
  });
  groups_.clear();
  maxRow2_.assign(ranges_.size(), 0);
  for (size_t i = 0; i < ranges_.size(); ++i) {
    const RangeEdge& e = ranges_[i];
    if (groups_.empty() || groups_.back().sheet != e.sheet || groups_.back().c1 != e.rect.c1 ||
        groups_.back().c2 != e.rect.c2) {
      groups_.push_back({e.sheet, e.rect.c1, e.rect.c2, i, i});
      maxRow2_[i] = e.rect.r2;
    } else {
      maxRow2_[i] = std::max(maxRow2_[i - 1], e.rect.r2);
    }
    groups_.back().end = i + 1;
  }
}

void DependencyGraph::DependentsOf(uint32_t sheet, const CellRect& rect, std::vector<uint32_t>& out) {
  // Cell edges: one sorted run per column of the rectangle (at most the
  // columns that have edges).
  if (!cells_.empty()) {
    auto it = std::lower_bound(cells_.begin(), cells_.end(), CellEdge{SheetCol(sheet, rect.c1), rect.r1, 0});
    const uint32_t last = SheetCol(sheet, rect.c2);
    while (it != cells_.end() && it->sheetCol <= last) {
      if (it->row > rect.r2) {
        // Skip to the next column's first row of interest.
        it = std::lower_bound(it, cells_.end(), CellEdge{it->sheetCol + 1, rect.r1, 0});
        continue;
      }
      if (it->row >= rect.r1) out.push_back(it->node);
      ++it;
    }
  }
  for (const CellEdge& e : recentCells_) {
    if ((e.sheetCol >> 14) != sheet) continue;
    const int32_t col = int32_t(e.sheetCol & 0x3FFF) + 1;
    if (col >= rect.c1 && col <= rect.c2 && e.row >= rect.r1 && e.row <= rect.r2) out.push_back(e.node);
  }
  // Interval edges: groups whose column span meets the rectangle; within a
  // group, ranges starting at or above the last row, scanned back while the
  // running maximum still reaches the first row.
  for (const RangeGroup& g : groups_) {
    if (g.sheet != sheet || g.c2 < rect.c1 || g.c1 > rect.c2) continue;
    size_t i = size_t(std::upper_bound(ranges_.begin() + ptrdiff_t(g.begin), ranges_.begin() + ptrdiff_t(g.end), rect.r2,
                                       [](int32_t r, const RangeEdge& e) { return r < e.rect.r1; }) -
                      ranges_.begin());
    while (i > g.begin) {
      --i;
      if (maxRow2_[i] < rect.r1) break;
      if (ranges_[i].rect.r2 >= rect.r1) out.push_back(ranges_[i].node);
    }
  }
  for (const RangeEdge& e : recentRanges_) {
    if (e.sheet != sheet) continue;
    if (e.rect.r2 < rect.r1 || e.rect.r1 > rect.r2 || e.rect.c2 < rect.c1 || e.rect.c1 > rect.c2) continue;
    out.push_back(e.node);
  }
}

size_t DependencyGraph::MemoryBytes() const {
  return cells_.capacity() * sizeof(CellEdge) + recentCells_.capacity() * sizeof(CellEdge) +
         ranges_.capacity() * sizeof(RangeEdge) + maxRow2_.capacity() * sizeof(int32_t) +
         groups_.capacity() * sizeof(RangeGroup) + recentRanges_.capacity() * sizeof(RangeEdge);
}

}  // namespace sheetwright::engine
