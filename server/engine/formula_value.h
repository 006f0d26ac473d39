// The values a formula computes with: numbers, texts, Booleans, error
// values, the empty value, references to cells of a sheet and arrays; and
// the conversions between them the application applies (text to number,
// number to text, values to Booleans) and its ordering for comparisons.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "server/engine/cell.h"
#include "server/engine/sheet.h"

namespace sheetwright::engine {

class Workbook;

enum class ValueKind : uint8_t { Empty, Missing, Number, Text, Boolean, Error, Reference, Array };

struct ArrayValue;

// A reference to a block of one sheet; a null sheet is #REF!.
struct RangeRef {
  Sheet* sheet = nullptr;
  CellRect rect;
  int64_t Rows() const { return int64_t(rect.r2) - rect.r1 + 1; }
  int64_t Cols() const { return int64_t(rect.c2) - rect.c1 + 1; }
  bool IsCell() const { return rect.r1 == rect.r2 && rect.c1 == rect.c2; }
};

struct Value {
  ValueKind kind = ValueKind::Empty;
  bool boolean = false;
  ErrorValue error = ErrorValue::Null;
  double number = 0;
  std::wstring text;
  RangeRef ref;
  std::shared_ptr<const ArrayValue> array;

  static Value Number(double n) {
    Value v;
    v.kind = ValueKind::Number;
    v.number = n;
    return v;
  }
  static Value Text(std::wstring t) {
    Value v;
    v.kind = ValueKind::Text;
    v.text = std::move(t);
    return v;
  }
  static Value Bool(bool b) {
    Value v;
    v.kind = ValueKind::Boolean;
    v.boolean = b;
    return v;
  }
  static Value Error(ErrorValue e) {
    Value v;
    v.kind = ValueKind::Error;
    v.error = e;
    return v;
  }
  static Value Ref(Sheet* sheet, const CellRect& rect) {
    if (!sheet) return Error(ErrorValue::Ref);
    Value v;
    v.kind = ValueKind::Reference;
    v.ref = {sheet, rect};
    return v;
  }
  static Value Missing() {
    Value v;
    v.kind = ValueKind::Missing;
    return v;
  }
  static Value Array(std::shared_ptr<const ArrayValue> a);

  bool IsError() const { return kind == ValueKind::Error; }
  bool IsBlank() const { return kind == ValueKind::Empty || kind == ValueKind::Missing; }
};

// A rows x cols block of values, by rows.
struct ArrayValue {
  int32_t rows = 0, cols = 0;
  std::vector<Value> items;
  const Value& At(int32_t r, int32_t c) const { return items[size_t(r) * size_t(cols) + size_t(c)]; }
};

// The value a stored cell holds (a formula cell: its calculated value).
Value CellValue(const Workbook& book, const Cell* cell);

// Number of a text as the application converts it in arithmetic: numbers
// with signs, exponents, thousands separators, percent signs, currency
// signs, dates and times; nullopt when the text is none of them.
std::optional<double> TextToNumber(std::wstring_view text);

// Conversions of a scalar (not a reference or array). Each gives the
// result or the error value to answer instead.
struct NumberOrError {
  double number = 0;
  std::optional<ErrorValue> error;
};
NumberOrError ToNumber(const Value& v);
struct BoolOrError {
  bool value = false;
  std::optional<ErrorValue> error;
};
BoolOrError ToBool(const Value& v);
// Text of a scalar: a number in the General format, TRUE/FALSE, "" for
// empty; an error value is the caller's to check first.
std::wstring ToText(const Value& v);

// The application's ordering for =, <, >: numbers < texts < Booleans, texts
// without regard to case, an empty value as 0, "" or FALSE by the other
// side. Returns <0, 0, >0.
int CompareValues(const Value& a, const Value& b);

// Upper case of a text as the comparisons use it.
std::wstring FoldText(std::wstring_view text);

}  // namespace sheetwright::engine
