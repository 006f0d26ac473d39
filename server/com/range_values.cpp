// Value, Value2, Text, Formula and ClearContents of a range.
#include <algorithm>
#include <bit>
#include <cmath>
#include <vector>

#include "platform/bstr_cache.h"
#include "server/com/range_object.h"
#include "server/engine/calculation.h"
#include "server/engine/reference_adjust.h"
#include "server/engine/typed_input.h"
#include "server/engine/value_text.h"
#include "server/engine/workbook.h"

namespace sheetwright::server {

using engine::Cell;
using engine::CellRect;
using engine::CellType;

namespace {

constexpr const wchar_t* kClass = L"Range";
// Beyond this many cells a value array is refused instead of exhausting memory.
constexpr int64_t kMaxArrayCells = int64_t(1) << 25;
constexpr SCODE kCellErrorBase = SCODE(0x800A0000);

// The texts of one value array, in shared blocks. A text the array already
// holds (the same string of the workbook, seen recently) is handed out again
// from its place instead of being copied once more: a column of repeated
// words costs one copy of each word, not one per cell.
class ArrayTexts {
 public:
  explicit ArrayTexts(const engine::Workbook& book, size_t cells)
      : book_(book), slots_(std::bit_ceil(std::clamp<size_t>(cells, 16, kMaxSlots))) {}

  BSTR Make(uint32_t id) {
    Slot& slot = slots_[id & (slots_.size() - 1)];
    if (slot.text && slot.id == id) return blocks_.Reuse(slot.text);
    const std::wstring_view text = book_.strings.Text(id);
    BSTR made = blocks_.Allocate(text.data(), UINT(text.size()));
    slot = Slot{id, made};
    return made;
  }

 private:
  static constexpr size_t kMaxSlots = 4096;
  struct Slot {
    uint32_t id = 0;
    BSTR text = nullptr;  // held by an element of the array being filled
  };
  const engine::Workbook& book_;
  std::vector<Slot> slots_;
  BstrBlockAllocator blocks_;
};

// Writes the value of one cell into a VARIANT that is VT_EMPTY. Texts of an
// array come from `texts`, a single cell's from the heap.
void CellToVariant(const engine::Workbook& book, const Cell& cell, bool asValue2, VARIANT* out,
                   ArrayTexts* texts = nullptr) {
  switch (cell.type) {
    case CellType::Empty:
      if (cell.formula) {
        // "=" and the formula, written straight into the BSTR.
        const std::wstring text = book.FormulaText(cell.formula);
        out->bstrVal = SysAllocStringLen(nullptr, UINT(text.size() + 1));
        if (!out->bstrVal) throw std::bad_alloc();
        out->bstrVal[0] = L'=';
        text.copy(out->bstrVal + 1, text.size());
        out->vt = VT_BSTR;
      }
      return;
    case CellType::Number:
      if (!asValue2 && cell.style != 0) {
        if (book.IsDateStyle(cell.style)) {
          out->vt = VT_DATE;
          out->date = engine::SerialToOleDate(cell.number, book.date1904);
          return;
        }
        // A currency holds 64-bit ten-thousandths; a number beyond that
        // range stays a double rather than wrapping.
        if (book.IsCurrencyStyle(cell.style) && std::fabs(cell.number) < 9.2e14) {
          out->vt = VT_CY;
          out->cyVal.int64 = std::llround(cell.number * 10000.0);
          return;
        }
      }
      out->vt = VT_R8;
      out->dblVal = cell.number;
      return;
    case CellType::Date:
      if (asValue2) {
        out->vt = VT_R8;
        out->dblVal = cell.number;
      } else {
        out->vt = VT_DATE;
        out->date = engine::SerialToOleDate(cell.number, book.date1904);
      }
      return;
    case CellType::Text: {
      if (texts) {
        out->bstrVal = texts->Make(cell.text);
      } else {
        const std::wstring_view text = book.strings.Text(cell.text);
        out->bstrVal = SysAllocStringLen(text.data(), UINT(text.size()));
      }
      if (!out->bstrVal) throw std::bad_alloc();
      out->vt = VT_BSTR;
      return;
    }
    case CellType::Boolean:
      out->vt = VT_BOOL;
      out->boolVal = cell.boolean ? VARIANT_TRUE : VARIANT_FALSE;
      return;
    case CellType::Error:
      out->vt = VT_ERROR;
      out->scode = kCellErrorBase + engine::ErrorValueNumber(cell.error);
      return;
  }
}

// What a VARIANT put into a cell becomes. Throws DISP_E_TYPEMISMATCH for
// values a cell cannot hold.
engine::TypedValue VariantToTyped(const VARIANT* v, UINT argIndex) {
  using Kind = engine::TypedValue::Kind;
  engine::TypedValue value;
  if (v->vt == (VT_BYREF | VT_VARIANT) && v->pvarVal) v = v->pvarVal;
  switch (v->vt) {
    case VT_EMPTY:
    case VT_NULL:
      return value;
    case VT_BSTR:
      return engine::InterpretTypedText(std::wstring_view(v->bstrVal ? v->bstrVal : L"", SysStringLen(v->bstrVal)));
    case VT_BOOL:
      value.kind = Kind::Boolean;
      value.boolean = v->boolVal != VARIANT_FALSE;
      return value;
    case VT_ERROR:
      if (auto error = engine::ErrorValueFromNumber(int32_t(v->scode - kCellErrorBase))) {
        value.kind = Kind::Error;
        value.error = *error;
        return value;
      }
      if (v->scode == DISP_E_PARAMNOTFOUND) return value;
      ThrowResult(DISP_E_TYPEMISMATCH, argIndex);
    case VT_DATE:
      value.kind = Kind::Number;
      value.number = engine::OleDateToSerial(v->date, false);
      value.numberFormat = v->date == std::floor(v->date) ? engine::kNumFmtShortDate : 22;
      return value;
    case VT_CY:
      value.kind = Kind::Number;
      value.number = double(v->cyVal.int64) / 10000.0;
      value.numberFormat = 7;
      return value;
    default: {
      VARIANT number = Arguments::Coerce(v, VT_R8, argIndex);
      value.kind = Kind::Number;
      value.number = number.dblVal;
      return value;
    }
  }
}

void Store(engine::Workbook& book, engine::Sheet& sheet, int32_t row, int32_t col, engine::TypedValue value) {
  // Typed and OLE dates arrive as 1900-system serials.
  const bool datePart = value.numberFormat == engine::kNumFmtShortDate || value.numberFormat == 22;
  if (value.kind == engine::TypedValue::Kind::Number && datePart && book.date1904)
    value.number -= 1462;
  if (!engine::StoreTypedValue(book, sheet, row, col, value)) ThrowUnableToSet(L"Value", kClass);
}

int64_t CellCount(const CellRect& a) { return (int64_t(a.r2) - a.r1 + 1) * (int64_t(a.c2) - a.c1 + 1); }

}  // namespace

void RangeObject::GetValue(Call& call, bool asValue2) {
  engine::Workbook& book = Book();
  engine::SettleFormulaReferences(book);
  const CellRect& area = areas_.front();
  if (area.r1 == area.r2 && area.c1 == area.c2) {
    if (const Cell* cell = sheet_->Find(area.r1, area.c1)) CellToVariant(book, *cell, asValue2, call.result);
    return;
  }
  if (CellCount(area) > kMaxArrayCells) ThrowResult(E_OUTOFMEMORY);
  const ULONG rows = ULONG(area.r2 - area.r1 + 1), cols = ULONG(area.c2 - area.c1 + 1);
  SAFEARRAYBOUND bounds[2] = {{rows, 1}, {cols, 1}};
  SAFEARRAY* array = SafeArrayCreate(VT_VARIANT, 2, bounds);
  if (!array) throw std::bad_alloc();
  VARIANT* data = nullptr;
  SafeArrayAccessData(array, reinterpret_cast<void**>(&data));
  // Column-major: element (r, c) is data[(r - 1) + (c - 1) * rows].
  try {
    ArrayTexts texts(book, size_t(rows) * cols);
    sheet_->ForEachCellIn(area, [&](int32_t row, int32_t col, const Cell& cell) {
      CellToVariant(book, cell, asValue2, &data[size_t(row - area.r1) + size_t(col - area.c1) * rows], &texts);
    });
  } catch (...) {
    SafeArrayUnaccessData(array);
    SafeArrayDestroy(array);
    throw;
  }
  SafeArrayUnaccessData(array);
  call.result->vt = VT_ARRAY | VT_VARIANT;
  call.result->parray = array;
}

void RangeObject::PutValue(Call& call) {
  engine::Workbook& book = Book();
  engine::SettleFormulaReferences(book);
  const VARIANT* v = call.args.PutValue();
  if (v->vt == (VT_BYREF | VT_VARIANT) && v->pvarVal) v = v->pvarVal;
  // The cells are written first and recalculated once.
  engine::Calculation::Batch batch(*book.calculation);
  if (v->vt & VT_ARRAY) {
    // A 1- or 2-D array fills the first area from its top-left corner;
    // cells beyond the array's extent get #N/A.
    SAFEARRAY* array = (v->vt & VT_BYREF) ? (v->pparray ? *v->pparray : nullptr) : v->parray;
    VARTYPE elementType = 0;
    if (!array || (v->vt & ~(VT_ARRAY | VT_BYREF)) != VT_VARIANT || SafeArrayGetDim(array) > 2)
      ThrowResult(DISP_E_TYPEMISMATCH, call.args.PutValueIndex());
    (void)elementType;
    const UINT dims = SafeArrayGetDim(array);
    LONG lb0 = 0, ub0 = -1, lb1 = 0, ub1 = 0;
    SafeArrayGetLBound(array, 1, &lb0);
    SafeArrayGetUBound(array, 1, &ub0);
    if (dims == 2) {
      SafeArrayGetLBound(array, 2, &lb1);
      SafeArrayGetUBound(array, 2, &ub1);
    }
    const int64_t arrayRows = dims == 2 ? int64_t(ub0) - lb0 + 1 : 1;
    const int64_t arrayCols = dims == 2 ? int64_t(ub1) - lb1 + 1 : int64_t(ub0) - lb0 + 1;
    const CellRect& area = areas_.front();
    if (CellCount(area) > kMaxArrayCells) ThrowResult(E_OUTOFMEMORY);
    VARIANT* data = nullptr;
    SafeArrayAccessData(array, reinterpret_cast<void**>(&data));
    try {
      for (int32_t r = area.r1; r <= area.r2; ++r) {
        for (int32_t c = area.c1; c <= area.c2; ++c) {
          const int64_t i = r - area.r1, j = c - area.c1;
          engine::TypedValue value;
          if (i < arrayRows && j < arrayCols) {
            const VARIANT& element = dims == 2 ? data[size_t(i + j * arrayRows)] : data[size_t(j)];
            value = VariantToTyped(&element, call.args.PutValueIndex());
          } else {
            value.kind = engine::TypedValue::Kind::Error;
            value.error = engine::ErrorValue::NA;
          }
          Store(book, *sheet_, r, c, value);
        }
      }
    } catch (...) {
      SafeArrayUnaccessData(array);
      throw;
    }
    SafeArrayUnaccessData(array);
    return;
  }
  const engine::TypedValue value = VariantToTyped(v, call.args.PutValueIndex());
  if (value.kind == engine::TypedValue::Kind::Invalid) ThrowUnableToSet(L"Value", kClass);
  int64_t total = 0;
  for (const CellRect& a : areas_) total += CellCount(a);
  if (total > kMaxArrayCells) ThrowResult(E_OUTOFMEMORY);
  for (const CellRect& a : areas_)
    for (int32_t r = a.r1; r <= a.r2; ++r)
      for (int32_t c = a.c1; c <= a.c2; ++c) Store(book, *sheet_, r, c, value);
}

void RangeObject::Text(Call& call) {
  engine::Workbook& book = Book();
  engine::SettleFormulaReferences(book);
  const CellRect& a = areas_.front();
  const Cell* cell = sheet_->Find(a.r1, a.c1);
  call.ReturnText(cell ? engine::DisplayText(book, *cell) : std::wstring());
}

void RangeObject::Formula(Call& call) {
  engine::Workbook& book = Book();
  engine::SettleFormulaReferences(book);
  if (call.IsPut()) return PutValue(call);
  const CellRect& a = areas_.front();
  const Cell* cell = sheet_->Find(a.r1, a.c1);
  call.ReturnText(cell ? engine::EnteredText(book, *cell) : std::wstring());
}

void RangeObject::Calculate(Call& call) {
  engine::Workbook& book = Book();
  engine::SettleFormulaReferences(book);
  for (const CellRect& a : areas_) book.calculation->CalculateRange(*sheet_, a);
  call.ReturnBool(true);
}

void RangeObject::ClearContents(Call& call) {
  engine::Workbook& book = Book();
  std::vector<std::pair<int32_t, int32_t>> cells;
  for (const CellRect& a : areas_)
    sheet_->ForEachCellIn(a, [&](int32_t r, int32_t c, const Cell&) { cells.emplace_back(r, c); });
  for (auto [r, c] : cells) {
    if (const Cell* cell = sheet_->Find(r, c); cell && cell->formula) book.calculation->Forget(cell->formula);
    sheet_->Clear(r, c);
  }
  book.dirty = true;
  for (const CellRect& a : areas_) book.calculation->CellsChanged(*sheet_, a);
  call.ReturnBool(true);
}

}  // namespace sheetwright::server
