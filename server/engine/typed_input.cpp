#include "server/engine/typed_input.h"

#include <cmath>
#include <cstdlib>
#include <cwctype>
#include <optional>

#include "server/engine/calculation.h"
#include "server/engine/value_text.h"
#include "server/engine/workbook.h"

namespace sheetwright::engine {

namespace {

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

std::wstring_view Trim(std::wstring_view s) {
  while (!s.empty() && (s.front() == L' ' || s.front() == L'\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == L' ' || s.back() == L'\t')) s.remove_suffix(1);
  return s;
}

// A plain decimal number with optional sign, thousands separators,
// decimals and exponent. Sets *grouped / *exponent when those were used.
std::optional<double> ParseNumber(std::wstring_view s, bool* grouped, bool* exponent, bool* decimals) {
  std::string ascii;
  size_t i = 0;
  if (i < s.size() && (s[i] == L'+' || s[i] == L'-')) ascii += char(s[i++]);
  size_t intDigits = 0, groupRun = 0;
  bool sawComma = false;
  for (; i < s.size(); ++i) {
    if (IsDigit(s[i])) {
      ascii += char(s[i]);
      ++intDigits;
      ++groupRun;
    } else if (s[i] == L',' && intDigits > 0 && (!sawComma || groupRun == 3)) {
      sawComma = true;
      groupRun = 0;
    } else {
      break;
    }
  }
  if (sawComma && groupRun != 3) return std::nullopt;
  size_t fracDigits = 0;
  if (i < s.size() && s[i] == L'.') {
    ascii += '.';
    for (++i; i < s.size() && IsDigit(s[i]); ++i, ++fracDigits) ascii += char(s[i]);
  }
  if (intDigits + fracDigits == 0) return std::nullopt;
  bool hasExponent = false;
  if (i < s.size() && (s[i] == L'E' || s[i] == L'e')) {
    ascii += 'E';
    ++i;
    if (i < s.size() && (s[i] == L'+' || s[i] == L'-')) ascii += char(s[i++]);
    size_t expDigits = 0;
    for (; i < s.size() && IsDigit(s[i]); ++i, ++expDigits) ascii += char(s[i]);
    if (expDigits == 0) return std::nullopt;
    hasExponent = true;
  }
  if (i != s.size()) return std::nullopt;
  const double value = std::strtod(ascii.c_str(), nullptr);
  if (!std::isfinite(value)) return std::nullopt;
  if (grouped) *grouped = sawComma;
  if (exponent) *exponent = hasExponent;
  if (decimals) *decimals = fracDigits > 0;
  return value;
}

// Reads up to maxDigits digits at s[i].
std::optional<int> ReadInt(std::wstring_view s, size_t& i, size_t maxDigits) {
  size_t start = i;
  int value = 0;
  while (i < s.size() && IsDigit(s[i]) && i - start < maxDigits) value = value * 10 + (s[i++] - L'0');
  if (i == start) return std::nullopt;
  return value;
}

bool ValidDate(int y, int m, int d) {
  static const int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (y < 1900 || y > 9999 || m < 1 || m > 12 || d < 1 || d > kDays[m - 1]) return false;
  if (m == 2 && d == 29) return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0 || y == 1900;
  return true;
}

// "m/d/yyyy", "m/d/yy", "yyyy-mm-dd", "yyyy/mm/dd"; sets i past the date.
std::optional<double> ParseDate(std::wstring_view s, size_t& i) {
  size_t p = i;
  auto a = ReadInt(s, p, 4);
  if (!a || p >= s.size() || (s[p] != L'/' && s[p] != L'-')) return std::nullopt;
  const wchar_t separator = s[p++];
  auto b = ReadInt(s, p, 2);
  if (!b || p >= s.size() || s[p] != separator) return std::nullopt;
  ++p;
  const size_t cStart = p;
  auto c = ReadInt(s, p, 4);
  if (!c) return std::nullopt;
  int y, m, d;
  if (*a >= 1000 && p - cStart <= 2) {
    y = *a, m = *b, d = *c;
  } else if (separator == L'/' && *a <= 12) {
    m = *a, d = *b, y = *c;
    if (p - cStart <= 2) y += y < 30 ? 2000 : 1900;
  } else {
    return std::nullopt;
  }
  if (!ValidDate(y, m, d)) return std::nullopt;
  i = p;
  if (y == 1900 && m == 2 && d == 29) return 60.0;
  return DateSerial(y, m, d);
}

// "h:mm", "h:mm:ss", optionally followed by " AM"/" PM"; sets i past it.
std::optional<double> ParseTime(std::wstring_view s, size_t& i) {
  size_t p = i;
  auto h = ReadInt(s, p, 2);
  if (!h || p >= s.size() || s[p] != L':') return std::nullopt;
  ++p;
  auto mi = ReadInt(s, p, 2);
  if (!mi || *mi > 59) return std::nullopt;
  int sec = 0;
  if (p < s.size() && s[p] == L':') {
    ++p;
    auto sv = ReadInt(s, p, 2);
    if (!sv || *sv > 59) return std::nullopt;
    sec = *sv;
  }
  int hour = *h;
  size_t q = p;
  while (q < s.size() && s[q] == L' ') ++q;
  if (q + 1 < s.size() + 0 && q + 2 <= s.size()) {
    const wchar_t a = wchar_t(std::towupper(s[q])), m = wchar_t(std::towupper(s[q + 1]));
    if ((a == L'A' || a == L'P') && m == L'M' && (q + 2 == s.size() || s[q + 2] == L' ')) {
      if (hour < 1 || hour > 12) return std::nullopt;
      hour = hour % 12 + (a == L'P' ? 12 : 0);
      p = q + 2;
    }
  }
  if (hour > 23) return std::nullopt;
  i = p;
  return (hour * 3600 + *mi * 60 + sec) / 86400.0;
}

// A formula the application would refuse as typed: nothing after '=',
// unbalanced parentheses or quotes, or a dangling operator.
bool IsMalformedFormula(std::wstring_view formula) {
  formula = Trim(formula);
  if (formula.empty()) return true;
  int depth = 0;
  bool quoted = false;
  for (wchar_t c : formula) {
    if (c == L'"') quoted = !quoted;
    if (quoted) continue;
    if (c == L'(') ++depth;
    if (c == L')' && --depth < 0) return true;
  }
  if (quoted || depth != 0) return true;
  const wchar_t last = formula.back();
  return last == L'+' || last == L'-' || last == L'*' || last == L'/' || last == L'^' || last == L'&' ||
         last == L'=' || last == L'<' || last == L'>' || last == L',';
}

}  // namespace

TypedValue InterpretTypedText(std::wstring_view text) {
  TypedValue value;
  if (text.empty()) return value;
  if (text.front() == L'\'') {
    value.kind = TypedValue::Kind::Text;
    value.text = text.substr(1);
    return value;
  }
  if (text.front() == L'=' && text.size() >= 1) {
    value.text = text.substr(1);
    value.kind = IsMalformedFormula(value.text) ? TypedValue::Kind::Invalid : TypedValue::Kind::Formula;
    return value;
  }
  const std::wstring_view trimmed = Trim(text);
  if (!trimmed.empty()) {
    bool grouped = false, exponent = false, decimals = false;
    if (auto number = ParseNumber(trimmed, &grouped, &exponent, &decimals)) {
      value.kind = TypedValue::Kind::Number;
      value.number = *number;
      if (exponent) value.numberFormat = kNumFmtScientific;
      else if (grouped) value.numberFormat = decimals ? 4 : 3;
      return value;
    }
    if (trimmed.back() == L'%') {
      if (auto number = ParseNumber(Trim(trimmed.substr(0, trimmed.size() - 1)), nullptr, nullptr, &decimals)) {
        value.kind = TypedValue::Kind::Number;
        value.number = *number / 100.0;
        value.numberFormat = decimals ? kNumFmtPercent2 : kNumFmtPercent;
        return value;
      }
    }
    if (auto error = ParseErrorValue(trimmed)) {
      value.kind = TypedValue::Kind::Error;
      value.error = *error;
      return value;
    }
    if (trimmed.size() == 4 || trimmed.size() == 5) {
      std::wstring upper;
      for (wchar_t c : trimmed) upper += wchar_t(std::towupper(c));
      if (upper == L"TRUE" || upper == L"FALSE") {
        value.kind = TypedValue::Kind::Boolean;
        value.boolean = upper == L"TRUE";
        return value;
      }
    }
    size_t i = 0;
    if (auto date = ParseDate(trimmed, i)) {
      double serial = *date;
      bool withTime = false;
      if (i < trimmed.size()) {
        size_t j = i;
        while (j < trimmed.size() && trimmed[j] == L' ') ++j;
        auto time = j > i ? ParseTime(trimmed, j) : std::nullopt;
        if (time && j == trimmed.size()) {
          serial += *time;
          withTime = true;
          i = j;
        }
      }
      if (i == trimmed.size()) {
        value.kind = TypedValue::Kind::Number;
        value.number = serial;
        value.numberFormat = withTime ? 22 : kNumFmtShortDate;
        return value;
      }
    }
    i = 0;
    if (auto time = ParseTime(trimmed, i); time && i == trimmed.size()) {
      value.kind = TypedValue::Kind::Number;
      value.number = *time;
      value.numberFormat = 21;  // h:mm:ss
      return value;
    }
  }
  value.kind = TypedValue::Kind::Text;
  value.text = text;
  return value;
}

bool StoreTypedValue(Workbook& book, Sheet& sheet, int32_t row, int32_t col, const TypedValue& value) {
  using Kind = TypedValue::Kind;
  if (value.kind == Kind::Invalid) return false;
  Calculation& calculation = *book.calculation;
  if (value.kind == Kind::Formula) {
    // The formula is compiled before the cell changes: one the application
    // would not accept leaves the cell as it was.
    if (calculation.EnterFormula(sheet, row, col, value.text) != FormulaProblem::None) return false;
    book.dirty = true;
    return true;
  }
  if (const Cell* old = sheet.Find(row, col); old && old->formula) calculation.Forget(old->formula);
  if (value.kind == Kind::Empty) {
    sheet.Clear(row, col);
  } else {
    Cell& cell = sheet.Put(row, col);
    cell.ClearContent();
    switch (value.kind) {
      case Kind::Number:
        cell.type = CellType::Number;
        cell.number = value.number;
        if (value.numberFormat) cell.style = book.DeriveStyle(cell.style, value.numberFormat);
        break;
      case Kind::Text:
        cell.type = CellType::Text;
        cell.text = book.strings.Intern(value.text);
        break;
      case Kind::Boolean:
        cell.type = CellType::Boolean;
        cell.boolean = value.boolean;
        break;
      case Kind::Error:
        cell.type = CellType::Error;
        cell.error = value.error;
        break;
      default:
        break;
    }
  }
  book.dirty = true;
  calculation.CellsChanged(sheet, CellRect{row, col, row, col});
  return true;
}

}  // namespace sheetwright::engine
