// End of a range: the cell that Ctrl+arrow reaches from the range's top-left
// cell. Direction xlUp (-4162), xlDown (-4121), xlToLeft (-4159) or
// xlToRight (-4161).
//
// From a cell with content whose neighbour in the direction also has content,
// the move goes to the last cell of that run of filled cells; otherwise it
// goes to the next cell with content, or to the sheet's edge when there is
// none. At the edge the cell itself is the answer.
#include "server/com/range_object.h"

namespace sheetwright::server {

namespace {

constexpr LONG kUp = -4162;
constexpr LONG kDown = -4121;
constexpr LONG kToLeft = -4159;
constexpr LONG kToRight = -4161;

bool Filled(const engine::Sheet& sheet, int64_t row, int64_t col) {
  const engine::Cell* cell = sheet.Find(int32_t(row), int32_t(col));
  return cell != nullptr && cell->HasContent();
}

bool Inside(int64_t row, int64_t col) {
  return row >= 1 && row <= engine::kMaxRows && col >= 1 && col <= engine::kMaxColumns;
}

}  // namespace

void RangeObject::End(Call& call) {
  Book();
  if (!call.args.Has(0)) ThrowResult(DISP_E_PARAMNOTOPTIONAL);
  const int64_t direction = *call.args.Integer(0);
  int64_t dr = 0, dc = 0;
  switch (direction) {
    case kUp: dr = -1; break;
    case kDown: dr = 1; break;
    case kToLeft: dc = -1; break;
    case kToRight: dc = 1; break;
    default: ThrowApplicationError(L"Application-defined or object-defined error");
  }
  const engine::Sheet& sheet = *sheet_;
  int64_t row = areas_.front().r1, col = areas_.front().c1;
  if (Inside(row + dr, col + dc)) {
    if (Filled(sheet, row, col) && Filled(sheet, row + dr, col + dc)) {
      while (Inside(row + dr, col + dc) && Filled(sheet, row + dr, col + dc)) {
        row += dr;
        col += dc;
      }
    } else {
      do {
        row += dr;
        col += dc;
      } while (Inside(row + dr, col + dc) && !Filled(sheet, row, col));
    }
  }
  call.ReturnObject(Derived({engine::CellRect{int32_t(row), int32_t(col), int32_t(row), int32_t(col)}}));
}

}  // namespace sheetwright::server
