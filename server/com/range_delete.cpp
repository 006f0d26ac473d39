// Delete of a range: whole rows, whole columns, or cells shifted up or left.
#include <algorithm>

#include "server/com/range_object.h"
#include "server/engine/address.h"
#include "server/engine/workbook.h"

namespace sheetwright::server {

using engine::CellRect;

namespace {

constexpr const wchar_t* kClass = L"Range";
constexpr LONG kShiftUp = -4162;
constexpr LONG kShiftLeft = -4159;

bool Overlap(const CellRect& a, const CellRect& b) {
  return a.r1 <= b.r2 && b.r1 <= a.r2 && a.c1 <= b.c2 && b.c1 <= a.c2;
}

// Sorted by first row, an area can only overlap the areas that start
// before its last row, so thousands of scattered cells are checked in about
// linear time.
void RejectOverlaps(std::vector<CellRect> areas) {
  std::sort(areas.begin(), areas.end(), [](const CellRect& a, const CellRect& b) { return a.r1 < b.r1; });
  for (size_t i = 0; i < areas.size(); ++i)
    for (size_t j = i + 1; j < areas.size() && areas[j].r1 <= areas[i].r2; ++j)
      if (Overlap(areas[i], areas[j])) ThrowApplicationError(L"Cannot use that command on overlapping selections.");
}

// Areas whose column spans are equal or disjoint can be deleted with cells
// shifted up one column span at a time.
bool ColumnSpansSeparate(const std::vector<CellRect>& areas) {
  std::vector<std::pair<int32_t, int32_t>> spans;
  spans.reserve(areas.size());
  for (const CellRect& a : areas) spans.emplace_back(a.c1, a.c2);
  std::sort(spans.begin(), spans.end());
  spans.erase(std::unique(spans.begin(), spans.end()), spans.end());
  for (size_t k = 1; k < spans.size(); ++k)
    if (spans[k].first <= spans[k - 1].second) return false;
  return true;
}

}  // namespace

void RangeObject::Delete(Call& call) {
  engine::Workbook& book = Book();
  std::vector<CellRect> areas = areas_;
  const bool allRows = std::all_of(areas.begin(), areas.end(), engine::IsWholeRows);
  const bool allColumns = std::all_of(areas.begin(), areas.end(), engine::IsWholeColumns);
  const bool anyWhole = std::any_of(areas.begin(), areas.end(),
                                    [](const CellRect& a) { return engine::IsWholeRows(a) || engine::IsWholeColumns(a); });
  RejectOverlaps(areas);
  if (allRows) {
    // Bottom first, so the numbers of the areas above stay valid.
    std::sort(areas.begin(), areas.end(), [](const CellRect& a, const CellRect& b) { return a.r1 > b.r1; });
    for (const CellRect& a : areas) sheet_->DeleteRows(a.r1, a.r2 - a.r1 + 1);
  } else if (allColumns) {
    std::sort(areas.begin(), areas.end(), [](const CellRect& a, const CellRect& b) { return a.c1 > b.c1; });
    for (const CellRect& a : areas) sheet_->DeleteColumns(a.c1, a.c2 - a.c1 + 1);
  } else if (anyWhole) {
    ThrowMethodFailed(L"Delete", kClass);
  } else {
    LONG shift;
    if (call.args.Has(0)) {
      shift = LONG(call.args.Integer(0, 0));
    } else {
      // Without Shift the shape decides: taller than wide shifts left.
      const CellRect& a = areas.front();
      shift = (a.r2 - a.r1) > (a.c2 - a.c1) ? kShiftLeft : kShiftUp;
    }
    if (shift == kShiftUp && areas.size() > 1 && ColumnSpansSeparate(areas)) {
      sheet_->DeleteShiftUpBlocks(areas);
    } else if (shift == kShiftUp) {
      std::sort(areas.begin(), areas.end(), [](const CellRect& a, const CellRect& b) { return a.r1 > b.r1; });
      for (const CellRect& a : areas) sheet_->DeleteShiftUp(a.r1, a.c1, a.r2, a.c2);
    } else if (shift == kShiftLeft) {
      std::sort(areas.begin(), areas.end(), [](const CellRect& a, const CellRect& b) { return a.c1 > b.c1; });
      for (const CellRect& a : areas) sheet_->DeleteShiftLeft(a.r1, a.c1, a.r2, a.c2);
    } else {
      ThrowMethodFailed(L"Delete", kClass);
    }
  }
  book.dirty = true;
  call.ReturnBool(true);
}

}  // namespace sheetwright::server
