#include "server/engine/formula_value.h"

#include <cmath>

#include "server/engine/case_fold.h"
#include "server/engine/typed_input.h"
#include "server/engine/value_text.h"
#include "server/engine/workbook.h"

namespace sheetwright::engine {

Value Value::Array(std::shared_ptr<const ArrayValue> a) {
  Value v;
  v.kind = ValueKind::Array;
  v.array = std::move(a);
  return v;
}

Value CellValue(const Workbook& book, const Cell* cell) {
  if (!cell) return Value{};
  switch (cell->type) {
    case CellType::Empty: return Value{};
    case CellType::Number:
    case CellType::Date: return Value::Number(cell->number);
    case CellType::Text: return Value::Text(std::wstring(book.strings.Text(cell->text)));
    case CellType::Boolean: return Value::Bool(cell->boolean);
    case CellType::Error: return Value::Error(cell->error);
  }
  return Value{};
}

std::optional<double> TextToNumber(std::wstring_view text) {
  size_t b = 0, e = text.size();
  while (b < e && text[b] == L' ') ++b;
  while (e > b && text[e - 1] == L' ') --e;
  text = text.substr(b, e - b);
  if (text.empty()) return std::nullopt;
  std::wstring plain(text);
  // A currency sign after an optional sign ("$12", "-$3.5").
  const size_t sign = (plain[0] == L'-' || plain[0] == L'+') ? 1 : 0;
  if (plain.size() > sign + 1 && plain[sign] == L'$') plain.erase(sign, 1);
  if (plain.front() == L'=' || plain.front() == L'\'') return std::nullopt;
  const TypedValue typed = InterpretTypedText(plain);
  if (typed.kind == TypedValue::Kind::Number) return typed.number;
  return std::nullopt;
}

NumberOrError ToNumber(const Value& v) {
  switch (v.kind) {
    case ValueKind::Number:
      // A cell can hold no infinity or NaN; one from a damaged file is #NUM!.
      if (!std::isfinite(v.number)) return {0, ErrorValue::Num};
      return {v.number, std::nullopt};
    case ValueKind::Boolean: return {v.boolean ? 1.0 : 0.0, std::nullopt};
    case ValueKind::Empty:
    case ValueKind::Missing: return {0, std::nullopt};
    case ValueKind::Text: {
      if (auto n = TextToNumber(v.text)) return {*n, std::nullopt};
      return {0, ErrorValue::Value};
    }
    case ValueKind::Error: return {0, v.error};
    case ValueKind::Reference:
    case ValueKind::Array: return {0, ErrorValue::Value};
  }
  return {0, ErrorValue::Value};
}

BoolOrError ToBool(const Value& v) {
  switch (v.kind) {
    case ValueKind::Number: return {v.number != 0, std::nullopt};
    case ValueKind::Boolean: return {v.boolean, std::nullopt};
    case ValueKind::Empty:
    case ValueKind::Missing: return {false, std::nullopt};
    case ValueKind::Text: {
      const std::wstring folded = FoldText(v.text);
      if (folded == L"TRUE") return {true, std::nullopt};
      if (folded == L"FALSE") return {false, std::nullopt};
      return {false, ErrorValue::Value};
    }
    case ValueKind::Error: return {false, v.error};
    default: return {false, ErrorValue::Value};
  }
}

std::wstring ToText(const Value& v) {
  switch (v.kind) {
    case ValueKind::Number: return NumberText(v.number);
    case ValueKind::Text: return v.text;
    case ValueKind::Boolean: return v.boolean ? L"TRUE" : L"FALSE";
    case ValueKind::Error: return ErrorValueText(v.error);
    default: return std::wstring();
  }
}

std::wstring FoldText(std::wstring_view text) {
  std::wstring out(text);
  for (wchar_t& c : out) {
    const wchar_t lower = FoldCase(c);
    // Upper case: the fold gives small letters; compare on those consistently.
    c = lower;
  }
  // Comparisons only need one consistent case; TRUE/FALSE checks use upper.
  for (wchar_t& c : out)
    if (c >= L'a' && c <= L'z') c = wchar_t(c - 32);
  return out;
}

namespace {
int Rank(const Value& v) {
  switch (v.kind) {
    case ValueKind::Number: return 0;
    case ValueKind::Text: return 1;
    case ValueKind::Boolean: return 2;
    default: return 3;
  }
}
int CompareTexts(std::wstring_view a, std::wstring_view b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const wchar_t x = FoldCase(a[i]), y = FoldCase(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}
}  // namespace

int CompareValues(const Value& a, const Value& b) {
  if (a.IsBlank() && b.IsBlank()) return 0;
  if (a.IsBlank()) {
    if (b.kind == ValueKind::Text) return b.text.empty() ? 0 : -1;
    if (b.kind == ValueKind::Boolean) return b.boolean ? -1 : 0;
    return CompareValues(Value::Number(0), b);
  }
  if (b.IsBlank()) return -CompareValues(b, a);
  const int ra = Rank(a), rb = Rank(b);
  if (ra != rb) return ra < rb ? -1 : 1;
  switch (a.kind) {
    case ValueKind::Number: return a.number < b.number ? -1 : (a.number > b.number ? 1 : 0);
    case ValueKind::Text: return CompareTexts(a.text, b.text);
    case ValueKind::Boolean: return int(a.boolean) - int(b.boolean);
    default: return 0;
  }
}

}  // namespace sheetwright::engine
