// Find and Replace of a range.
#include "server/com/range_object.h"
#include "server/engine/calculation.h"
#include "server/engine/reference_adjust.h"
#include "server/engine/cell_search.h"
#include "server/engine/text_match.h"
#include "server/engine/typed_input.h"
#include "server/engine/value_text.h"
#include "server/engine/workbook.h"

namespace sheetwright::server {

using engine::Cell;
using engine::CellRect;

namespace {

constexpr const wchar_t* kClass = L"Range";
constexpr LONG kLookInValues = -4163;
constexpr LONG kLookInFormulas = -4123;
constexpr LONG kLookAtWhole = 1;
constexpr LONG kByColumns = 2;
constexpr LONG kPrevious = 2;

// A search over one cell covers the whole sheet, as the application does.
std::vector<CellRect> SearchScope(const std::vector<CellRect>& areas) {
  const CellRect& a = areas.front();
  if (areas.size() == 1 && a.r1 == a.r2 && a.c1 == a.c2)
    return {CellRect{1, 1, engine::kMaxRows, engine::kMaxColumns}};
  return areas;
}

// A plain number shown in the General format: its text holds only digits,
// '.', '+', '-' and 'E'.
bool IsGeneralNumber(const engine::Workbook& book, const Cell& cell) {
  return cell.type == engine::CellType::Number && !cell.formula && book.NumberFormatOf(cell.style) == 0;
}

bool Contains(const std::vector<CellRect>& areas, int32_t row, int32_t col) {
  for (const CellRect& a : areas)
    if (row >= a.r1 && row <= a.r2 && col >= a.c1 && col <= a.c2) return true;
  return false;
}

}  // namespace

void RangeObject::Find(Call& call) {
  engine::Workbook& book = Book();
  engine::SettleFormulaReferences(book);
  const auto& args = call.args;
  if (!args.Has(0)) ThrowResult(DISP_E_PARAMNOTOPTIONAL);
  const std::wstring what = *args.Text(0);
  FindSettings& settings = book_->app->find;
  settings.lookIn = LONG(args.Integer(2, settings.lookIn));
  settings.lookAt = LONG(args.Integer(3, settings.lookAt));
  settings.searchOrder = LONG(args.Integer(4, settings.searchOrder));
  settings.matchCase = args.Bool(6, settings.matchCase);
  const bool backwards = args.Integer(5, 1) == kPrevious;
  if (settings.lookIn != kLookInValues && settings.lookIn != kLookInFormulas && settings.lookIn != -4144)
    ThrowUnableToGet(L"Find", kClass);

  const std::vector<CellRect> scope = SearchScope(areas_);
  // Omitted After: the range's own top-left cell (so it is examined last).
  engine::CellPosition after{areas_.front().r1, areas_.front().c1};
  if (args.Has(1)) {
    RangeObject* afterRange = From(args.Object(1));
    if (!afterRange) ThrowResult(DISP_E_TYPEMISMATCH, args.IndexOf(1));
    const CellRect& cell = afterRange->areas().front();
    if (afterRange->sheet() != sheet_ || !Contains(scope, cell.r1, cell.c1)) ThrowUnableToGet(L"Find", kClass);
    after = {cell.r1, cell.c1};
  }
  if (settings.lookIn == -4144) {  // comments are not modelled: nothing matches
    call.ReturnObject(nullptr);
    return;
  }
  const engine::TextMatcher matcher(what, settings.lookAt == kLookAtWhole, settings.matchCase);
  const bool values = settings.lookIn == kLookInValues;
  const bool numbersCanMatch = matcher.CanMatchGeneralNumber();
  auto found = engine::SearchAreas(
      *sheet_, scope, after, {settings.searchOrder != kByColumns, !backwards},
      [&](int32_t, int32_t, const Cell& cell) {
        if (!cell.HasContent()) return false;
        if (cell.type == engine::CellType::Text && !cell.formula)
          return matcher.Matches(book.strings.Text(cell.text));
        if (!numbersCanMatch && IsGeneralNumber(book, cell)) return false;
        return matcher.Matches(values ? engine::DisplayText(book, cell) : engine::EnteredText(book, cell));
      });
  if (!found) {
    call.ReturnObject(nullptr);  // Nothing: VT_DISPATCH with a null pointer
    return;
  }
  call.ReturnObject(Derived({CellRect{found->row, found->col, found->row, found->col}}));
}

void RangeObject::Replace(Call& call) {
  engine::Workbook& book = Book();
  engine::SettleFormulaReferences(book);
  const auto& args = call.args;
  if (!args.Has(0) || !args.Has(1)) ThrowResult(DISP_E_PARAMNOTOPTIONAL);
  const std::wstring what = *args.Text(0);
  const std::wstring replacement = *args.Text(1);
  FindSettings& settings = book_->app->find;
  settings.lookAt = LONG(args.Integer(2, settings.lookAt));
  settings.searchOrder = LONG(args.Integer(3, settings.searchOrder));
  settings.matchCase = args.Bool(4, settings.matchCase);
  if (what.empty()) {
    call.ReturnBool(true);
    return;
  }
  const engine::TextMatcher matcher(what, settings.lookAt == kLookAtWhole, settings.matchCase);
  const bool numbersCanMatch = matcher.CanMatchGeneralNumber();
  // Collect first: re-entering a value may change the sheet being walked.
  struct Change {
    int32_t row, col;
    engine::TypedValue value;
  };
  std::vector<Change> changes;
  for (const CellRect& area : SearchScope(areas_)) {
    sheet_->ForEachCellIn(area, [&](int32_t row, int32_t col, const Cell& cell) {
      if (!cell.HasContent()) return;
      if (!numbersCanMatch && IsGeneralNumber(book, cell)) return;
      if (cell.type == engine::CellType::Text && !cell.formula && !matcher.Matches(book.strings.Text(cell.text))) return;
      std::wstring text = engine::EnteredText(book, cell);
      if (!matcher.ReplaceAll(text, replacement)) return;
      engine::TypedValue value = engine::InterpretTypedText(text);
      if (value.kind == engine::TypedValue::Kind::Invalid) ThrowMethodFailed(L"Replace", kClass);
      changes.push_back({row, col, std::move(value)});
    });
  }
  engine::Calculation::Batch batch(*book.calculation);
  for (const Change& change : changes)
    if (!engine::StoreTypedValue(book, *sheet_, change.row, change.col, change.value))
      ThrowMethodFailed(L"Replace", kClass);  // a formula the application refuses
  call.ReturnBool(true);
}

}  // namespace sheetwright::server
