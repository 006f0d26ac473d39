// Worksheet (and chart sheet) objects.
//
// Members: Activate M/G; Name G/P; Index G; Cells G [RowIndex, ColumnIndex];
// Range G Cell1, [Cell2]; Rows G [RowIndex]; Columns G [ColumnIndex];
// UsedRange G; AutoFilterMode G/P (only False can be put); Select M/G;
// Application, Parent G. A chart sheet holds no cells: its cell members fail
// with 1004.
#include <algorithm>

#include "server/com/dispatch_object.h"
#include "server/com/object_factory.h"
#include "server/com/range_object.h"
#include "server/com/workbook_storage.h"
#include "server/engine/address.h"
#include "server/engine/calculation.h"
#include "server/engine/reference_adjust.h"
#include "server/engine/workbook.h"

namespace sheetwright::server {

using engine::CellRect;
using engine::kMaxColumns;
using engine::kMaxRows;

namespace {

constexpr const wchar_t* kClass = L"Worksheet";

class WorksheetObject : public DispatchObject {
 public:
  WorksheetObject(std::shared_ptr<BookState> book, engine::Sheet* sheet) : book_(std::move(book)), sheet_(sheet) {}

  SW_DISPATCH_MEMBERS(WorksheetObject)

 private:
  engine::Workbook& Book() const {
    book_->CheckOpen();
    return book_->book;
  }
  // Throws unless this is a worksheet (a chart sheet has no cells).
  void RequireCells(const wchar_t* member) const {
    Book();
    if (sheet_->kind != engine::SheetKind::Worksheet) ThrowUnableToGet(member, kClass);
  }
  IDispatch* NewRange(std::vector<CellRect> areas, RangeFlavor flavor = RangeFlavor::Cells) const {
    return RangeObject::New(book_, sheet_, std::move(areas), flavor);
  }
  CellRect ParseAddressArgument(const Call& call, size_t i, const wchar_t* member) const {
    std::optional<std::wstring> text = call.args.Text(i);
    auto areas = engine::ParseA1Reference(*text, sheet_->name);
    if (!areas || areas->size() != 1) ThrowApplicationError(std::wstring(L"Method '") + member + L"' of object '_Worksheet' failed");
    return areas->front();
  }

  void Activate(Call& call) {
    engine::Workbook& book = Book();
    if (sheet_->hidden) ThrowMethodFailed(L"Activate", kClass);
    book.activeSheet = book.IndexOf(sheet_);
    book_->app->active = book_;
    call.ReturnBool(true);
  }
  void Name(Call& call) {
    engine::Workbook& book = Book();
    if (!call.IsPut()) return call.ReturnText(sheet_->name);
    VARIANT text = Arguments::Coerce(call.args.PutValue(), VT_BSTR, call.args.PutValueIndex());
    std::wstring newName(text.bstrVal ? text.bstrVal : L"", SysStringLen(text.bstrVal));
    VariantClear(&text);
    engine::Sheet* other = book.FindSheet(newName);
    if (newName.empty() || newName.size() > 31 || (other && other != sheet_) ||
        newName.find_first_of(L"\\/?*[]:") != std::wstring::npos)
      ThrowUnableToSet(L"Name", kClass);
    sheet_->name = newName;
    sheet_->modified = true;
    book.dirty = true;
  }
  void Index(Call& call) {
    engine::Workbook& book = Book();
    call.ReturnLong(LONG(book.IndexOf(sheet_) + 1));
  }
  void Cells(Call& call) {
    RequireCells(L"Cells");
    const auto& args = call.args;
    if (!args.Has(0) && !args.Has(1)) return call.ReturnObject(NewRange({CellRect{1, 1, kMaxRows, kMaxColumns}}));
    if (!args.Has(0)) ThrowResult(DISP_E_PARAMNOTOPTIONAL);
    int64_t row, col;
    if (args.Has(1)) {
      row = IndexArgument(args, 0, false);
      col = IndexArgument(args, 1, true);
    } else {
      // One index: cell n of the sheet counted row by row.
      const int64_t n = IndexArgument(args, 0, false) - 1;
      if (n < 0) ThrowApplicationError(L"Application-defined or object-defined error");
      row = n / kMaxColumns + 1;
      col = n % kMaxColumns + 1;
    }
    if (row < 1 || row > kMaxRows || col < 1 || col > kMaxColumns)
      ThrowApplicationError(L"Application-defined or object-defined error");
    call.ReturnObject(NewRange({CellRect{int32_t(row), int32_t(col), int32_t(row), int32_t(col)}}));
  }
  void Range(Call& call) {
    RequireCells(L"Range");
    call.ReturnObject(WorksheetRange(book_, sheet_, call.args));
  }
  void Rows(Call& call) {
    RequireCells(L"Rows");
    const auto& args = call.args;
    if (!args.Has(0)) return call.ReturnObject(NewRange({CellRect{1, 1, kMaxRows, kMaxColumns}}, RangeFlavor::Rows));
    const VARIANT* v = args.Raw(0);
    if (v->vt == VT_BSTR) {
      CellRect area = ParseAddressArgument(call, 0, L"Rows");
      if (!engine::IsWholeRows(area)) ThrowApplicationError(L"Method 'Rows' of object '_Worksheet' failed");
      return call.ReturnObject(NewRange({area}, RangeFlavor::Rows));
    }
    const int64_t row = *args.Integer(0);
    if (row < 1 || row > kMaxRows) ThrowApplicationError(L"Application-defined or object-defined error");
    call.ReturnObject(NewRange({CellRect{int32_t(row), 1, int32_t(row), kMaxColumns}}, RangeFlavor::Rows));
  }
  void Columns(Call& call) {
    RequireCells(L"Columns");
    const auto& args = call.args;
    if (!args.Has(0))
      return call.ReturnObject(NewRange({CellRect{1, 1, kMaxRows, kMaxColumns}}, RangeFlavor::Columns));
    const VARIANT* v = args.Raw(0);
    if (v->vt == VT_BSTR) {
      std::wstring text(v->bstrVal ? v->bstrVal : L"", SysStringLen(v->bstrVal));
      if (auto col = engine::ColumnNumber(text))
        return call.ReturnObject(NewRange({CellRect{1, *col, kMaxRows, *col}}, RangeFlavor::Columns));
      CellRect area = ParseAddressArgument(call, 0, L"Columns");
      if (!engine::IsWholeColumns(area)) ThrowApplicationError(L"Method 'Columns' of object '_Worksheet' failed");
      return call.ReturnObject(NewRange({area}, RangeFlavor::Columns));
    }
    const int64_t col = *args.Integer(0);
    if (col < 1 || col > kMaxColumns) ThrowApplicationError(L"Application-defined or object-defined error");
    call.ReturnObject(NewRange({CellRect{1, int32_t(col), kMaxRows, int32_t(col)}}, RangeFlavor::Columns));
  }
  void UsedRange(Call& call) {
    RequireCells(L"UsedRange");
    const engine::Sheet::Bounds b = sheet_->UsedBounds();
    call.ReturnObject(NewRange({CellRect{b.firstRow, b.firstCol, b.lastRow, b.lastCol}}));
  }
  void AutoFilterMode(Call& call) {
    RequireCells(L"AutoFilterMode");
    if (!call.IsPut()) return call.ReturnBool(SheetHasAutoFilter(*sheet_));
    VARIANT flag = Arguments::Coerce(call.args.PutValue(), VT_BOOL, call.args.PutValueIndex());
    // Only False can be put (a filter is made with AutoFilter); on a sheet
    // without a filter it changes nothing.
    if (flag.boolVal != VARIANT_FALSE) ThrowUnableToSet(L"AutoFilterMode", kClass);
    RemoveSheetAutoFilter(Book(), *sheet_);
  }
  // The sheet's formulas and what depends on them.
  void Calculate(Call& call) {
    RequireCells(L"Calculate");
    engine::Workbook& book = Book();
    engine::SettleFormulaReferences(book);
    book.calculation->CalculateRange(*sheet_, CellRect{1, 1, kMaxRows, kMaxColumns});
    call.ReturnBool(true);
  }
  void Select(Call& call) {
    engine::Workbook& book = Book();
    if (sheet_->hidden) ThrowMethodFailed(L"Select", kClass);
    book.activeSheet = book.IndexOf(sheet_);
    book_->app->active = book_;
    call.ReturnBool(true);
  }
  void Application(Call& call) {
    Book();
    call.ReturnObject(NewApplicationObject(book_->app));
  }
  void Parent(Call& call) {
    Book();
    call.ReturnObject(NewWorkbookObject(book_));
  }

  std::shared_ptr<BookState> book_;
  engine::Sheet* sheet_;
};

const MemberTable<WorksheetObject>& WorksheetObject::Table() {
  static const MemberTable<WorksheetObject> table({
      {{L"Activate", kMethod | kGet, {}}, &WorksheetObject::Activate},
      {{L"Name", kGet | kPut, {}}, &WorksheetObject::Name},
      {{L"Index", kGet, {}}, &WorksheetObject::Index},
      {{L"Cells", kGet, {L"RowIndex", L"ColumnIndex"}}, &WorksheetObject::Cells},
      {{L"Range", kGet, {L"Cell1", L"Cell2"}}, &WorksheetObject::Range},
      {{L"Rows", kGet, {L"RowIndex"}}, &WorksheetObject::Rows},
      {{L"Columns", kGet, {L"ColumnIndex"}}, &WorksheetObject::Columns},
      {{L"UsedRange", kGet, {}}, &WorksheetObject::UsedRange},
      {{L"AutoFilterMode", kGet | kPut, {}}, &WorksheetObject::AutoFilterMode},
      {{L"Select", kMethod | kGet, {L"Replace"}}, &WorksheetObject::Select},
      {{L"Calculate", kMethod | kGet, {}}, &WorksheetObject::Calculate},
      {{L"Application", kGet, {}}, &WorksheetObject::Application},
      {{L"Parent", kGet, {}}, &WorksheetObject::Parent},
  });
  return table;
}

}  // namespace

IDispatch* WorksheetRange(const std::shared_ptr<BookState>& book, engine::Sheet* sheet, const Arguments& args) {
  if (!args.Has(0)) ThrowResult(DISP_E_PARAMNOTOPTIONAL);
  auto corner = [&](size_t i) -> std::vector<CellRect> {
    const VARIANT* v = args.Raw(i);
    if (v->vt == VT_DISPATCH) {
      RangeObject* r = RangeObject::From(v->pdispVal);
      if (!r) ThrowResult(DISP_E_TYPEMISMATCH, args.IndexOf(i));
      if (r->sheet() != sheet) ThrowApplicationError(L"Method 'Range' of object '_Worksheet' failed");
      return r->areas();
    }
    auto areas = engine::ParseA1Reference(*args.Text(i), sheet->name);
    if (!areas) ThrowApplicationError(L"Method 'Range' of object '_Worksheet' failed");
    return *areas;
  };
  std::vector<CellRect> first = corner(0);
  if (!args.Has(1)) return RangeObject::New(book, sheet, first);
  std::vector<CellRect> second = corner(1);
  // Two corners: the smallest block holding both.
  CellRect box = first.front();
  for (const auto* list : {&first, &second})
    for (const CellRect& a : *list)
      box = {std::min(box.r1, a.r1), std::min(box.c1, a.c1), std::max(box.r2, a.r2), std::max(box.c2, a.c2)};
  return RangeObject::New(book, sheet, {box});
}

IDispatch* NewWorksheetObject(std::shared_ptr<BookState> book, engine::Sheet* sheet) {
  return new WorksheetObject(std::move(book), sheet);
}

}  // namespace sheetwright::server
