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

void RejectOverlaps(const std::vector<CellRect>& areas) {
  for (size_t i = 0; i < areas.size(); ++i)
    for (size_t j = i + 1; j < areas.size(); ++j)
      if (Overlap(areas[i], areas[j])) ThrowApplicationError(L"Cannot use that command on overlapping selections.");
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
    if (shift == kShiftUp) {
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
