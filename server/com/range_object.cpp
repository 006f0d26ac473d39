#include "server/com/range_object.h"

#include <limits>

#include "server/com/object_factory.h"
#include "server/engine/address.h"

namespace sheetwright::server {

using engine::CellRect;
using engine::kMaxColumns;
using engine::kMaxRows;

namespace {
constexpr const wchar_t* kClass = L"Range";
constexpr LONG kReferenceStyleR1C1 = -4150;
constexpr LONG kLastCell = 11;

bool OnSheet(int64_t row, int64_t col) { return row >= 1 && row <= kMaxRows && col >= 1 && col <= kMaxColumns; }

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }
}  // namespace

const MemberTable<RangeObject>& RangeObject::Table() {
  static const MemberTable<RangeObject> table(
      {
          {{L"Value", kGet | kPut, {L"RangeValueDataType"}}, &RangeObject::Value},
          {{L"Value2", kGet | kPut, {}}, &RangeObject::Value2},
          {{L"Address", kGet, {L"RowAbsolute", L"ColumnAbsolute", L"ReferenceStyle", L"External", L"RelativeTo"}},
           &RangeObject::Address},
          {{L"Rows", kGet, {}}, &RangeObject::Rows},
          {{L"Columns", kGet, {}}, &RangeObject::Columns},
          {{L"EntireRow", kGet, {}}, &RangeObject::EntireRow},
          {{L"EntireColumn", kGet, {}}, &RangeObject::EntireColumn},
          {{L"Count", kGet, {}}, &RangeObject::Count},
          {{L"Item", kGet, {L"RowIndex", L"ColumnIndex"}}, &RangeObject::Item},
          {{L"Cells", kGet, {L"RowIndex", L"ColumnIndex"}}, &RangeObject::Cells},
          {{L"Offset", kGet, {L"RowOffset", L"ColumnOffset"}}, &RangeObject::Offset},
          {{L"End", kGet, {L"Direction"}}, &RangeObject::End},
          {{L"SpecialCells", kMethod | kGet, {L"Type", L"Value"}}, &RangeObject::SpecialCells},
          {{L"Select", kMethod | kGet, {}}, &RangeObject::Select},
          {{L"Activate", kMethod | kGet, {}}, &RangeObject::Activate},
          {{L"Delete", kMethod | kGet, {L"Shift"}}, &RangeObject::Delete},
          {{L"ClearContents", kMethod | kGet, {}}, &RangeObject::ClearContents},
          {{L"Calculate", kMethod | kGet, {}}, &RangeObject::Calculate},
          {{L"Find", kMethod | kGet,
            {L"What", L"After", L"LookIn", L"LookAt", L"SearchOrder", L"SearchDirection", L"MatchCase", L"MatchByte",
             L"SearchFormat"}},
           &RangeObject::Find},
          {{L"Replace", kMethod | kGet,
            {L"What", L"Replacement", L"LookAt", L"SearchOrder", L"MatchCase", L"MatchByte", L"SearchFormat",
             L"ReplaceFormat"}},
           &RangeObject::Replace},
          {{L"Row", kGet, {}}, &RangeObject::Row},
          {{L"Column", kGet, {}}, &RangeObject::Column},
          {{L"Text", kGet, {}}, &RangeObject::Text},
          {{L"Formula", kGet | kPut, {}}, &RangeObject::Formula},
          {{L"Worksheet", kGet, {}}, &RangeObject::Worksheet},
          {{L"Parent", kGet, {}}, &RangeObject::Worksheet},
          {{L"Application", kGet, {}}, &RangeObject::Application},
      },
      L"Value");
  return table;
}

RangeObject::RangeObject(std::shared_ptr<BookState> book, engine::Sheet* sheet, std::vector<CellRect> areas,
                         RangeFlavor flavor)
    : book_(std::move(book)), sheet_(sheet), areas_(std::move(areas)), flavor_(flavor) {}

IDispatch* RangeObject::New(std::shared_ptr<BookState> book, engine::Sheet* sheet, std::vector<CellRect> areas,
                            RangeFlavor flavor) {
  return new RangeObject(std::move(book), sheet, std::move(areas), flavor);
}

RangeObject* RangeObject::From(IDispatch* object) { return object ? dynamic_cast<RangeObject*>(object) : nullptr; }

engine::Workbook& RangeObject::Book() const {
  book_->CheckOpen();
  return book_->book;
}

IDispatch* RangeObject::Derived(std::vector<CellRect> areas, RangeFlavor flavor) const {
  return New(book_, sheet_, std::move(areas), flavor);
}

IDispatch* RangeObject::CellAt(int64_t rowOffset, int64_t colOffset) const {
  const CellRect& first = areas_.front();
  const int64_t row = first.r1 + rowOffset, col = first.c1 + colOffset;
  if (!OnSheet(row, col)) ThrowApplicationError(L"Application-defined or object-defined error");
  return Derived({CellRect{int32_t(row), int32_t(col), int32_t(row), int32_t(col)}});
}

int64_t IndexArgument(const Arguments& args, size_t i, bool allowLetters) {
  const VARIANT* v = args.Raw(i);
  if (allowLetters && v && v->vt == VT_BSTR) {
    std::wstring text(v->bstrVal ? v->bstrVal : L"", SysStringLen(v->bstrVal));
    if (auto col = engine::ColumnNumber(text)) return *col;
  }
  return *args.Integer(i);
}

void RangeObject::Value(Call& call) {
  if (call.IsPut()) return PutValue(call);
  GetValue(call, false);
}

void RangeObject::Value2(Call& call) {
  if (call.IsPut()) return PutValue(call);
  GetValue(call, true);
}

void RangeObject::Address(Call& call) {
  Book();
  const auto& args = call.args;
  engine::AddressForm form;
  form.rowAbsolute = args.Bool(0, true);
  form.columnAbsolute = args.Bool(1, true);
  form.r1c1 = args.Integer(2, 1) == kReferenceStyleR1C1;
  if (args.Has(4)) {
    RangeObject* base = From(args.Object(4));
    if (!base) ThrowResult(DISP_E_TYPEMISMATCH, args.IndexOf(4));
    form.baseRow = base->areas_.front().r1;
    form.baseCol = base->areas_.front().c1;
  }
  std::wstring text = engine::FormatAddress(areas_, form);
  if (args.Bool(3, false)) {
    std::wstring sheetName = sheet_->name;
    text = L"[" + book_->book.name + L"]" + sheetName + L"!" + text;
  }
  call.ReturnText(text);
}

void RangeObject::Rows(Call& call) {
  Book();
  call.ReturnObject(Derived(areas_, RangeFlavor::Rows));
}

void RangeObject::Columns(Call& call) {
  Book();
  call.ReturnObject(Derived(areas_, RangeFlavor::Columns));
}

void RangeObject::EntireRow(Call& call) {
  Book();
  std::vector<CellRect> rows;
  for (const CellRect& a : areas_) rows.push_back({a.r1, 1, a.r2, kMaxColumns});
  call.ReturnObject(Derived(rows));
}

void RangeObject::EntireColumn(Call& call) {
  Book();
  std::vector<CellRect> columns;
  for (const CellRect& a : areas_) columns.push_back({1, a.c1, kMaxRows, a.c2});
  call.ReturnObject(Derived(columns));
}

void RangeObject::Count(Call& call) {
  Book();
  int64_t count = 0;
  const CellRect& first = areas_.front();
  if (flavor_ == RangeFlavor::Rows) {
    count = int64_t(first.r2) - first.r1 + 1;
  } else if (flavor_ == RangeFlavor::Columns) {
    count = int64_t(first.c2) - first.c1 + 1;
  } else {
    for (const CellRect& a : areas_) count += (int64_t(a.r2) - a.r1 + 1) * (int64_t(a.c2) - a.c1 + 1);
  }
  if (count > std::numeric_limits<LONG>::max()) ThrowApplicationError(L"Overflow");
  call.ReturnLong(LONG(count));
}

void RangeObject::Item(Call& call) {
  Book();
  const auto& args = call.args;
  if (!args.Has(0)) ThrowResult(DISP_E_BADPARAMCOUNT);
  const int64_t index = IndexArgument(args, 0, false);
  const CellRect& first = areas_.front();
  if (args.Has(1)) {
    call.ReturnObject(CellAt(index - 1, IndexArgument(args, 1, true) - 1));
    return;
  }
  if (flavor_ == RangeFlavor::Rows) {
    const int64_t row = first.r1 + index - 1;
    if (!OnSheet(row, 1)) ThrowApplicationError(L"Application-defined or object-defined error");
    call.ReturnObject(Derived({CellRect{int32_t(row), first.c1, int32_t(row), first.c2}}));
    return;
  }
  if (flavor_ == RangeFlavor::Columns) {
    const int64_t col = first.c1 + index - 1;
    if (!OnSheet(1, col)) ThrowApplicationError(L"Application-defined or object-defined error");
    call.ReturnObject(Derived({CellRect{first.r1, int32_t(col), first.r2, int32_t(col)}}));
    return;
  }
  // Cell n counted row by row across the first area, continuing downward.
  const int64_t width = int64_t(first.c2) - first.c1 + 1;
  const int64_t zeroBased = index - 1;
  const int64_t rowOffset = FloorDiv(zeroBased, width);
  call.ReturnObject(CellAt(rowOffset, zeroBased - rowOffset * width));
}

void RangeObject::Cells(Call& call) {
  Book();
  const auto& args = call.args;
  if (!args.Has(0) && !args.Has(1)) {
    call.ReturnObject(Derived(areas_));
    return;
  }
  if (args.Has(0) && args.Has(1)) {
    call.ReturnObject(CellAt(IndexArgument(args, 0, false) - 1, IndexArgument(args, 1, true) - 1));
    return;
  }
  if (!args.Has(0)) ThrowResult(DISP_E_BADPARAMCOUNT);
  // One index: cell n of the range, as Item counts it.
  RangeObject cells(book_, sheet_, areas_, RangeFlavor::Cells);
  cells.Item(call);
}

void RangeObject::Offset(Call& call) {
  Book();
  const int64_t dr = call.args.Integer(0, 0), dc = call.args.Integer(1, 0);
  std::vector<CellRect> moved;
  for (const CellRect& a : areas_) {
    const int64_t r1 = a.r1 + dr, r2 = a.r2 + dr, c1 = a.c1 + dc, c2 = a.c2 + dc;
    if (!OnSheet(r1, c1) || !OnSheet(r2, c2)) ThrowApplicationError(L"Application-defined or object-defined error");
    moved.push_back({int32_t(r1), int32_t(c1), int32_t(r2), int32_t(c2)});
  }
  call.ReturnObject(Derived(moved));
}

void RangeObject::SpecialCells(Call& call) {
  Book();
  if (!call.args.Has(0)) ThrowResult(DISP_E_BADPARAMCOUNT);
  if (call.args.Integer(0, 0) != kLastCell) ThrowApplicationError(L"No cells were found.");
  const engine::Sheet::Bounds b = sheet_->UsedBounds();
  call.ReturnObject(Derived({CellRect{b.lastRow, b.lastCol, b.lastRow, b.lastCol}}));
}

void RangeObject::Select(Call& call) {
  engine::Workbook& book = Book();
  const bool activeBook = book_->app->ActiveBook() == book_;
  const bool activeSheet = book.activeSheet < book.sheets.size() && book.sheets[book.activeSheet].get() == sheet_;
  if (!activeBook || !activeSheet) ThrowMethodFailed(L"Select", kClass);
  sheet_->selection = areas_;
  sheet_->activeRow = areas_.front().r1;
  sheet_->activeCol = areas_.front().c1;
  call.ReturnBool(true);
}

void RangeObject::Activate(Call& call) {
  engine::Workbook& book = Book();
  const bool activeSheet = book.activeSheet < book.sheets.size() && book.sheets[book.activeSheet].get() == sheet_;
  if (!activeSheet) ThrowMethodFailed(L"Activate", kClass);
  const CellRect& first = areas_.front();
  bool inside = false;
  for (const CellRect& s : sheet_->selection)
    inside |= first.r1 >= s.r1 && first.r1 <= s.r2 && first.c1 >= s.c1 && first.c1 <= s.c2;
  if (!inside) sheet_->selection = {CellRect{first.r1, first.c1, first.r1, first.c1}};
  sheet_->activeRow = first.r1;
  sheet_->activeCol = first.c1;
  call.ReturnBool(true);
}

void RangeObject::Row(Call& call) {
  Book();
  call.ReturnLong(areas_.front().r1);
}

void RangeObject::Column(Call& call) {
  Book();
  call.ReturnLong(areas_.front().c1);
}

void RangeObject::Worksheet(Call& call) {
  Book();
  call.ReturnObject(NewWorksheetObject(book_, sheet_));
}

void RangeObject::Application(Call& call) {
  Book();
  call.ReturnObject(NewApplicationObject(book_->app));
}

}  // namespace sheetwright::server
